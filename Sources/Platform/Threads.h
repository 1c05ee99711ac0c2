// Threads (NSThread): created with a body, named, given a quality of service, started.
// Threads: any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kestravane::platform {

// NSQualityOfService raw values.
enum class QualityOfService : int {
  userInteractive = 0x21,
  userInitiated = 0x19,
  utility = 0x11,
  background = 0x09,
  defaultQoS = -1,
};

// NSThread.
class Thread {
 public:
  virtual ~Thread() = default;
  virtual void setName(const std::string& name) = 0;           // setName:
  virtual void setQualityOfService(QualityOfService qos) = 0;  // setQualityOfService:
  virtual void start() = 0;                                    // start
  virtual bool isFinished() const = 0;                         // isFinished
};

class Threads {
 public:
  virtual ~Threads() = default;
  // [[NSThread alloc] initWithBlock:]; the thread does not run until start().
  virtual std::shared_ptr<Thread> create(std::function<void()> body) = 0;
  // [NSThread sleepForTimeInterval:] on the calling thread.
  virtual void sleepForTimeInterval(double seconds) = 0;
  // [NSThread isMainThread].
  virtual bool isMainThread() const = 0;
};

}  // namespace kestravane::platform
