// Enforces the rule that the application's objects are used on the main thread only. A call from
// another thread is a programming error that would race with the main thread unseen, so it is
// stopped at once: one log line naming the operation, then abort.
// Threads: built on any thread (it takes the installed services' threads and log); check()
// from any thread, which is its point.
#pragma once

#include <memory>
#include <string_view>

#include "Platform/Services.h"

namespace kestravane {

class MainThreadChecker {
 public:
  explicit MainThreadChecker(const platform::Services& services);

  // Returns on the main thread; elsewhere logs "Plivex[app] <operation> called off the main
  // thread" and aborts. One virtual call on the main thread, so it may guard every operation.
  void check(std::string_view operation) const {
    if (!threads->isMainThread()) [[unlikely]]
      fail(operation);
  }

 private:
  [[noreturn]] void fail(std::string_view operation) const;

  const std::shared_ptr<platform::Threads> threads;
  const std::shared_ptr<platform::Log> log;
};

}  // namespace kestravane
