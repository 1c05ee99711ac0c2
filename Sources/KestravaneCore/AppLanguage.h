// The interface language the user chooses, persisted as its raw value.
// Threads: constant data and pure functions; usable from any thread.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kestravane {

enum class AppLanguage { en, ru, system };

inline constexpr std::array<AppLanguage, 3> allAppLanguages{AppLanguage::en, AppLanguage::ru,
                                                            AppLanguage::system};

// "en", "ru" or "system".
std::string_view rawValue(AppLanguage language) noexcept;

// Exact, case-sensitive inverse of rawValue; absent for any other string.
std::optional<AppLanguage> parseAppLanguage(std::string_view raw) noexcept;

}  // namespace kestravane
