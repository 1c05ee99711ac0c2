#include "Platform/Virtual/VirtualLog.h"

#include <sys/syscall.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>  // program_invocation_short_name
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <thread>

namespace kestravane::platform::vmac {
namespace {

long threadID() {
#if defined(SYS_gettid)
  return static_cast<long>(::syscall(SYS_gettid));
#else
  return static_cast<long>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
#endif
}

std::string timestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  ::localtime_r(&seconds, &local);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(millis));
  return text;
}

void writeToSystemLog(const std::string& message) {
  static std::once_flag opened;
  std::call_once(opened, [] { ::openlog("plivex", LOG_PID, LOG_USER); });
  ::syslog(LOG_NOTICE, "%s", message.c_str());
}

}  // namespace

VirtualLog::VirtualLog() : VirtualLog(Sinks{}) {}

VirtualLog::VirtualLog(Sinks sinks) : sinks_(sinks) {}

void VirtualLog::log(std::string_view message) {
  const std::string escaped = escape(message);
  // Stamped under the lock, so the capture and every sink list lines in time order.
  std::unique_lock lock(mutex_);
  std::string line = timestamp() + " " + std::string(program_invocation_short_name) + "[" +
                     std::to_string(::getpid()) + ":" + std::to_string(threadID()) + "] " + escaped;
  if (sinks_.standardError) {
    const std::string withNewline = line + "\n";
    std::fwrite(withNewline.data(), 1, withNewline.size(), stderr);
  }
  if (sinks_.systemLog) writeToSystemLog(escaped);
  capture_.push_back({std::move(line), std::string(message)});
  ++loggedCount_;
  trimLocked();
  const auto observer = observer_;
  lock.unlock();
  if (observer) (*observer)();
}

void VirtualLog::setStandardErrorEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  sinks_.standardError = enabled;
}

void VirtualLog::setSystemLogEnabled(bool enabled) {
  std::lock_guard lock(mutex_);
  sinks_.systemLog = enabled;
}

std::vector<std::string> VirtualLog::lines() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> result;
  for (const auto& entry : capture_) result.push_back(entry.line);
  return result;
}

std::vector<std::string> VirtualLog::messages() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> result;
  for (const auto& entry : capture_) result.push_back(entry.message);
  return result;
}

std::uint64_t VirtualLog::loggedCount() const {
  std::lock_guard lock(mutex_);
  return loggedCount_;
}

std::vector<std::string> VirtualLog::messagesSince(std::uint64_t& cursor) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> result;
  // The capture holds the newest capture_.size() of the loggedCount_ messages.
  const std::uint64_t oldestCaptured = loggedCount_ - capture_.size();
  for (std::uint64_t index = std::max(cursor, oldestCaptured); index < loggedCount_; ++index) {
    result.push_back(capture_[static_cast<std::size_t>(index - oldestCaptured)].message);
  }
  cursor = loggedCount_;
  return result;
}

void VirtualLog::setObserver(std::function<void()> observer) {
  std::lock_guard lock(mutex_);
  observer_ =
      observer ? std::make_shared<const std::function<void()>>(std::move(observer)) : nullptr;
}

void VirtualLog::clear() {
  std::lock_guard lock(mutex_);
  capture_.clear();
}

void VirtualLog::setCaptureLimit(std::size_t limit) {
  std::lock_guard lock(mutex_);
  captureLimit_ = limit;
  trimLocked();
}

std::string VirtualLog::escape(std::string_view message) {
  std::string result;
  result.reserve(message.size());
  for (const char c : message) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      result += "\\n";
    } else if (c == '\r') {
      result += "\\r";
    } else if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      result += hex;
    } else {
      result += c;
    }
  }
  return result;
}

void VirtualLog::trimLocked() {
  while (capture_.size() > captureLimit_) capture_.pop_front();
}

}  // namespace kestravane::platform::vmac
