// One running Plivex per user. The first start holds an exclusive flock() on "plivex.lock" in
// the user's runtime directory for as long as it runs; the kernel drops the lock when the
// process ends, however it ends, so a killed start never blocks the next one. Beside the lock
// it listens on the Unix socket "plivex.sock" for the requests of later starts. A later start
// finds the lock taken: it is secondary, asks the first to come forward and ends.
// The lock file itself is never removed (removing it would let two starts lock two files).
// Threads: one thread (the main thread) for every call; an event loop may watch
//   requestDescriptor() for readability and then call acceptRequests().
// Ownership: movable, not copyable; the lock and the socket last as long as the object.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace kestravane {

class SingleInstance {
 public:
  // $XDG_RUNTIME_DIR when it is absolute, otherwise /tmp/plivex-<uid>.
  static std::filesystem::path runtimeDirectory();
  // The same rule for given values (null = unset).
  static std::filesystem::path runtimeDirectoryFor(const char* xdgRuntimeDir, uid_t uid);

  // Takes the lock in `directory` (created, private to the user, when missing) unless another
  // process of the user holds it. When the directory or the lock cannot be used at all the
  // start counts as primary, without a lock, and problem() says why: running beats refusing
  // to run.
  static SingleInstance acquire(const std::filesystem::path& directory);

  SingleInstance(SingleInstance&& other) noexcept;
  SingleInstance& operator=(SingleInstance&& other) noexcept;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  bool isPrimary() const { return _isPrimary; }
  // Why the start could not be checked against other starts, or requests cannot be received.
  const std::optional<std::string>& problem() const { return _problem; }

  // Primary: the listening socket, readable while a request waits; -1 when there is none.
  int requestDescriptor() const { return listener; }
  // Primary: takes every waiting request without waiting for more; returns how many asked the
  // running start to come forward.
  std::size_t acceptRequests();
  // Secondary: asks the primary to come forward; true when the request was delivered.
  bool requestRaise() const;

 private:
  explicit SingleInstance(std::filesystem::path directory);
  void release();

  std::filesystem::path socketPath;
  bool _isPrimary = true;
  std::optional<std::string> _problem;
  int lockFile = -1;
  int listener = -1;
};

}  // namespace kestravane
