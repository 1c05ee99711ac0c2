#include "Platform/Host/HostLog.h"

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

namespace kestravane::platform::host {
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

HostLog::HostLog() : HostLog(Sinks{}) {}

HostLog::HostLog(Sinks sinks) : sinks(sinks) {}

void HostLog::log(std::string_view message) {
  const std::string escaped = escape(message);
  // Stamped under the lock, so the capture and every sink list lines in time order.
  std::unique_lock lock(mutex);
  std::string line = timestamp() + " " + std::string(program_invocation_short_name) + "[" +
                     std::to_string(::getpid()) + ":" + std::to_string(threadID()) + "] " + escaped;
  if (sinks.standardError) {
    const std::string withNewline = line + "\n";
    std::fwrite(withNewline.data(), 1, withNewline.size(), stderr);
  }
  if (sinks.systemLog) writeToSystemLog(escaped);
  capture.push_back({std::move(line), std::string(message)});
  ++_loggedCount;
  trimLocked();
  const auto notify = observer;
  lock.unlock();
  if (notify) (*notify)();
}

void HostLog::setStandardErrorEnabled(bool enabled) {
  std::lock_guard lock(mutex);
  sinks.standardError = enabled;
}

void HostLog::setSystemLogEnabled(bool enabled) {
  std::lock_guard lock(mutex);
  sinks.systemLog = enabled;
}

std::vector<std::string> HostLog::lines() const {
  std::lock_guard lock(mutex);
  std::vector<std::string> result;
  for (const auto& entry : capture) result.push_back(entry.line);
  return result;
}

std::vector<std::string> HostLog::messages() const {
  std::lock_guard lock(mutex);
  std::vector<std::string> result;
  for (const auto& entry : capture) result.push_back(entry.message);
  return result;
}

std::uint64_t HostLog::loggedCount() const {
  std::lock_guard lock(mutex);
  return _loggedCount;
}

std::vector<std::string> HostLog::messagesSince(std::uint64_t& cursor) const {
  std::lock_guard lock(mutex);
  std::vector<std::string> result;
  // The capture holds the newest capture.size() of the _loggedCount messages.
  const std::uint64_t oldestCaptured = _loggedCount - capture.size();
  for (std::uint64_t index = std::max(cursor, oldestCaptured); index < _loggedCount; ++index) {
    result.push_back(capture[static_cast<std::size_t>(index - oldestCaptured)].message);
  }
  cursor = _loggedCount;
  return result;
}

void HostLog::setObserver(std::function<void()> newObserver) {
  std::lock_guard lock(mutex);
  observer =
      newObserver ? std::make_shared<const std::function<void()>>(std::move(newObserver)) : nullptr;
}

void HostLog::clear() {
  std::lock_guard lock(mutex);
  capture.clear();
}

void HostLog::setCaptureLimit(std::size_t limit) {
  std::lock_guard lock(mutex);
  captureLimit = limit;
  trimLocked();
}

std::string HostLog::escape(std::string_view message) {
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

void HostLog::trimLocked() {
  while (capture.size() > captureLimit) capture.pop_front();
}

}  // namespace kestravane::platform::host
