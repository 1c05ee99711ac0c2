// Small files the X11 backend keeps (the autostart entry, the record of a withheld key), written
// so that a crash leaves the old file or the new one, never part of one: a temporary file beside
// the target, flushed and synced, then renamed over it. Missing parent folders are made.
// Threads: any thread; concurrent writers of one path each leave a whole file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::platform::desktop {

// Absent on success; otherwise what failed, with the system's reason ("cannot write
// /path/file: Permission denied").
std::optional<std::string> writeFileAtomically(const std::filesystem::path& path,
                                               std::string_view content);

// Whether a symbolic link in the last place of a path is followed or refused.
enum class Links { follow, refuse };

// The whole file, or absent when it cannot be read (also when it is larger than `limit`, and
// when it is a link that `links` refuses).
std::optional<std::string> readSmallFile(const std::filesystem::path& path,
                                         std::size_t limit = 64 * 1024,
                                         Links links = Links::follow);

// Makes `folder` (missing parents too) and checks that it is this user's alone: a real folder,
// not a link to one, owned by the user and writable by no one else, so that no one else can
// plant or swap a file in it. Absent when it is; otherwise why not.
std::optional<std::string> makePrivateFolder(const std::filesystem::path& folder);

// Removes the file; absent on success and when there was none, otherwise what failed.
std::optional<std::string> removeFile(const std::filesystem::path& path);

// The XDG base folders by the XDG rules: the variable's value when it is an absolute path,
// otherwise the fallback under $HOME (absent when HOME is unusable too). Null means unset.
std::optional<std::filesystem::path> xdgConfigHome(const char* xdgConfigHome, const char* home);
std::optional<std::filesystem::path> xdgCacheHome(const char* xdgCacheHome, const char* home);

// Where a backend keeps its notes of a trigger key's withheld action: "plivex" in the runtime
// folder (gone at logout, as is what the notes repair), else in the cache folder; absent when
// neither is usable.
std::optional<std::filesystem::path> plivexStateDirectory(const char* xdgRuntimeDir,
                                                          const char* xdgCacheHome,
                                                          const char* home);

}  // namespace kestravane::platform::desktop
