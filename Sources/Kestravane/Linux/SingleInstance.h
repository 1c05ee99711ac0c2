// One running Plivex per user. The first start holds an exclusive flock() on "plivex.lock" in
// the user's runtime directory for as long as it runs; the kernel drops the lock when the
// process ends, however it ends, so a killed start never blocks the next one. Beside the lock
// it listens on the Unix socket "plivex.sock" for the requests of later starts. A later start
// finds the lock taken: it is secondary, asks the first to come forward and ends.
// The lock file itself is never removed (removing it would let two starts lock two files).
// Only the user is let in: the runtime directory must be the user's own and writable by no one
// else, the lock file and the socket are the user's alone whatever the umask, and a request
// from a process of another user is refused (RequestListener reads requests off the main
// thread). A runtime directory that fails those checks is replaced by the private fallback
// directory (/tmp/plivex-<uid>, checked alike), so that every start of the user still meets at
// one lock rather than each running unguarded. The program keeps the note of a withheld trigger
// key in the same folder as the lock, so it gets the same checks.
// Threads: one thread (the main thread) for every call; an event loop may watch
//   requestDescriptor() for readability and then call acceptRequests().
// Ownership: movable, not copyable; the lock and the socket last as long as the object.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Kestravane/Linux/RequestListener.h"

namespace kestravane {

class SingleInstance {
 public:
  // $XDG_RUNTIME_DIR when it is absolute, otherwise fallbackDirectory().
  static std::filesystem::path runtimeDirectory();
  // The same rule for given values (null = unset): the fallback is plivex-<uid> in $TMPDIR when
  // that is absolute, otherwise in /tmp.
  static std::filesystem::path runtimeDirectoryFor(const char* xdgRuntimeDir, uid_t uid,
                                                   const char* tmpDir = nullptr);

  // The private folder used when the runtime directory cannot be trusted: plivex-<uid> in the
  // temporary folder ($TMPDIR, or /tmp).
  static std::filesystem::path fallbackDirectory();

  // Takes the lock in `directory` (created, private to the user, when missing) unless another
  // process of the user holds it. A directory that cannot be used (not the user's own, writable
  // by others, not creatable) is passed over for `fallback`, and warning() says so. When neither
  // can be used
  // the start counts as primary, without a lock, and problem() says why: running beats refusing
  // to run.
  static SingleInstance acquire(const std::filesystem::path& directory,
                                const std::filesystem::path& fallback = fallbackDirectory());
  // The same for one X display (its displayKey(), e.g. ":1"): the lock and the socket are
  // "plivex-<key>.lock" and "plivex-<key>.sock" ("/" made "_"), so that the user's starts on
  // other displays do not meet this one. An empty key is acquire()'s.
  static SingleInstance acquireFor(std::string_view displayKey,
                                   const std::filesystem::path& directory,
                                   const std::filesystem::path& fallback = fallbackDirectory());

  // The lock file acquireFor(displayKey, directory) takes.
  static std::filesystem::path lockFileFor(std::string_view displayKey,
                                           const std::filesystem::path& directory);
  // Whether a process holds the lock on `lockFile` now, as the kernel lists its locks
  // (/proc/locks). Only looks: taking the lock, even for a moment, could turn a start away.
  static bool isLockHeld(const std::filesystem::path& lockFile);

  SingleInstance(SingleInstance&& other) noexcept;
  SingleInstance& operator=(SingleInstance&& other) noexcept;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  bool isPrimary() const { return _isPrimary; }
  // Why the start could not be checked against other starts, or requests cannot be received.
  const std::optional<std::string>& problem() const { return _problem; }
  // Why the runtime directory was passed over for the fallback, which works.
  const std::optional<std::string>& warning() const { return _warning; }

  // Where the lock and the socket are (the fallback when the runtime directory was passed over).
  const std::filesystem::path& directory() const { return _directory; }

  // Primary: readable while a request waits; -1 when requests cannot be received.
  int requestDescriptor() const;
  // Primary: how many later starts asked the running one to come forward since the last call;
  // never waits.
  std::size_t acceptRequests();
  // Secondary: asks the primary to come forward; true when the request was delivered.
  bool requestRaise() const;
  // Asks the Plivex listening on `socketFile` to come forward (one found by other means, e.g.
  // on the same display from another runtime folder); true when the request was delivered.
  static bool requestRaiseAt(const std::filesystem::path& socketFile);
  // Where this start listens (primary) or the primary would listen (secondary).
  const std::filesystem::path& socketFile() const { return socketPath; }

 private:
  SingleInstance() = default;
  // Takes the lock and starts listening in a directory that passed the checks.
  void lockAndListen();
  void release();

  std::filesystem::path _directory;
  std::filesystem::path socketPath;
  std::string baseName = "plivex";  // of the lock and the socket
  bool _isPrimary = true;
  std::optional<std::string> _problem;
  std::optional<std::string> _warning;
  int lockFile = -1;
  std::unique_ptr<RequestListener> listener;
};

}  // namespace kestravane
