// Keeps Plivex out of App Nap while it runs. A menu-bar agent is never the foreground
// application and draws nothing most of the time, which is what App Nap looks for; a napped
// process runs at reduced priority with throttled timers, and a trigger tap's switch is a hop from
// the tap thread to the main queue that must happen while the user is typing. The activity is
// NSProcessInfo's, with the narrowest options that keep the process out of App Nap: user
// initiated, idle system sleep allowed, sudden and automatic termination left as they are.
// docs/macos.md weighs its energy cost.
// Threads: main thread; made in the program's entry and kept until it returns.
// Ownership: the activity object is this object's; it ends when this object goes.
#pragma once

#include <memory>

namespace kestravane {

class ResponsiveActivity {
 public:
  ResponsiveActivity();
  ~ResponsiveActivity();
  ResponsiveActivity(const ResponsiveActivity&) = delete;
  ResponsiveActivity& operator=(const ResponsiveActivity&) = delete;

 private:
  struct Token;
  std::unique_ptr<Token> token;
};

}  // namespace kestravane
