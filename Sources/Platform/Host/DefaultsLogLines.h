// The fixed log lines of the user-defaults file (FileUserDefaults), as written, in pieces around
// the values they name (the file's path, the system's reason). Tests compare against these
// same constants.
// Threads: constant data.
#pragma once

#include <string_view>

namespace kestravane::platform::host::defaultsline {

inline constexpr std::string_view kPrefix = "Plivex[defaults] ";

// At start-up: "<kCannotRead><path>: <reason><kCannotReadSuffix>".
inline constexpr std::string_view kCannotRead = "Plivex[defaults] cannot read ";
inline constexpr std::string_view kCannotReadSuffix =
    "; the file is kept as it is and settings are not saved over it";

// At start-up: "<kNotValid><path> (<reason>)<kNotValidSuffix><copy path>".
inline constexpr std::string_view kNotValid = "Plivex[defaults] not a valid settings file: ";
inline constexpr std::string_view kNotValidSuffix =
    "; the defaults apply, and the next save first keeps the file as ";

// At the save that replaces an invalid file: "<kKeptCopy><copy path>".
inline constexpr std::string_view kKeptCopy =
    "Plivex[defaults] kept a copy of the invalid settings file: ";

// A failed save, once until a save succeeds again: "<kCannotSave><path>: <reason><suffix>".
inline constexpr std::string_view kCannotSave = "Plivex[defaults] cannot save ";
inline constexpr std::string_view kCannotSaveSuffix = "; the change holds until Plivex quits";
// The first successful save after a failed one: "<kSavedAgain><path>".
inline constexpr std::string_view kSavedAgain = "Plivex[defaults] settings saved again: ";

// Reasons that are not the system's error text.
inline constexpr std::string_view kNotARegularFile = "not a regular file";
inline constexpr std::string_view kTooLarge = "larger than 1 MiB";
inline constexpr std::string_view kKeptUnreadable =
    "it exists but could not be read at start-up, so it is kept";
inline constexpr std::string_view kWouldBeTooLarge =
    "the settings would be larger than 1 MiB, too large to be read back, so the file is kept";
// A member of a valid file that is of no known shape: "<kUnknownMember><key>\"".
inline constexpr std::string_view kUnknownMember = "no value of a known type in the member \"";
// A value the program could not use: "<kUnusableValue><key>\": <the program's reason>".
inline constexpr std::string_view kUnusableValue = "the program cannot use the value of \"";

}  // namespace kestravane::platform::host::defaultsline
