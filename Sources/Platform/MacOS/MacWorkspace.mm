#include "Platform/MacOS/MacWorkspace.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <atomic>
#include <mutex>
#include <utility>

#include "Platform/MacOS/NSStrings.h"

namespace kestravane::platform::macos {
namespace {

NSURL* makeURL(const std::string& string) {
  NSString* text = toNSString(string);
  return text == nil ? nil : [NSURL URLWithString:text];
}

class WakeObservation final : public Cancellable {
 public:
  explicit WakeObservation(std::function<void()> observer)
      : live(std::make_shared<std::atomic<bool>>(true)) {
    auto flag = live;
    auto callback = std::make_shared<std::function<void()>>(std::move(observer));
    token = [NSWorkspace.sharedWorkspace.notificationCenter
        addObserverForName:NSWorkspaceDidWakeNotification
                    object:nil
                     queue:NSOperationQueue.mainQueue
                usingBlock:^(NSNotification*) {
                  if (flag->load()) (*callback)();
                }];
  }
  ~WakeObservation() override { cancel(); }

  void cancel() override {
    live->store(false);
    id<NSObject> removed;
    {
      std::lock_guard lock(mutex);
      removed = token;
      token = nil;
    }
    if (removed != nil) [NSWorkspace.sharedWorkspace.notificationCenter removeObserver:removed];
  }

 private:
  const std::shared_ptr<std::atomic<bool>> live;  // false once cancelled, read by queued wakes
  std::mutex mutex;                               // guards token
  id<NSObject> token;
};

}  // namespace

std::optional<URL> MacWorkspace::urlWithString(const std::string& string) {
  NSURL* url = makeURL(string);
  if (url == nil) return std::nullopt;
  auto absolute = fromNSString(url.absoluteString);
  if (!absolute) return std::nullopt;
  return URL{*absolute};
}

bool MacWorkspace::openURL(const URL& url) {
  NSURL* target = makeURL(url.absoluteString);
  return target != nil && [NSWorkspace.sharedWorkspace openURL:target];
}

std::shared_ptr<Cancellable> MacWorkspace::addDidWakeObserver(std::function<void()> observer) {
  return std::make_shared<WakeObservation>(std::move(observer));
}

}  // namespace kestravane::platform::macos
