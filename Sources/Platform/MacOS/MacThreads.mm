#include "Platform/MacOS/MacThreads.h"

#import <Foundation/Foundation.h>

#include <utility>

#include "Platform/MacOS/NSStrings.h"

namespace kestravane::platform::macos {
namespace {

// The NSThread for a body; the body is moved out when it runs, so what it captured is released
// as soon as it returns.
NSThread* makeThread(std::function<void()> body) {
  auto pending = std::make_shared<std::function<void()>>(std::move(body));
  return [[NSThread alloc] initWithBlock:^{
    @autoreleasepool {
      std::function<void()> run = std::move(*pending);
      *pending = nullptr;
      if (run) run();
    }
  }];
}

class MacThread final : public Thread {
 public:
  explicit MacThread(std::function<void()> body) : thread(makeThread(std::move(body))) {}

  void setName(const std::string& name) override { thread.name = toNSString(name); }
  void setQualityOfService(QualityOfService qos) override {
    thread.qualityOfService = static_cast<NSQualityOfService>(qos);
  }
  void start() override { [thread start]; }
  bool isFinished() const override { return [thread isFinished]; }

 private:
  NSThread* const thread;
};

}  // namespace

std::shared_ptr<Thread> MacThreads::create(std::function<void()> body) {
  return std::make_shared<MacThread>(std::move(body));
}

void MacThreads::sleepForTimeInterval(double seconds) {
  [NSThread sleepForTimeInterval:seconds];
}

bool MacThreads::isMainThread() const {
  return [NSThread isMainThread];
}

}  // namespace kestravane::platform::macos
