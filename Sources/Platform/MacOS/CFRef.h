// Ownership of one Core Foundation object: released when the holder goes, never copied, moved only.
// adopt() takes over a reference the caller owns (from a Create or Copy function); retain() takes a
// new reference to an object the caller does not own (from a Get function).
// Threads: a value; each holder belongs to whoever holds it (CFRetain/CFRelease themselves are
// thread-safe).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

namespace kestravane::platform::macos {

template <typename Ref>
class CFRef {
 public:
  CFRef() = default;
  CFRef(const CFRef&) = delete;
  CFRef& operator=(const CFRef&) = delete;
  CFRef(CFRef&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
  CFRef& operator=(CFRef&& other) noexcept {
    if (this != &other) {
      reset();
      object = std::exchange(other.object, nullptr);
    }
    return *this;
  }
  ~CFRef() { reset(); }

  static CFRef adopt(Ref owned) {
    CFRef holder;
    holder.object = owned;
    return holder;
  }
  static CFRef retain(Ref borrowed) {
    if (borrowed) CFRetain(borrowed);
    return adopt(borrowed);
  }

  Ref get() const { return object; }
  explicit operator bool() const { return object != nullptr; }

  // Hands the reference to the caller, who must release it (or pass it to an owner).
  Ref release() { return std::exchange(object, nullptr); }

  void reset() {
    if (object) CFRelease(object);
    object = nullptr;
  }

 private:
  Ref object = nullptr;
};

}  // namespace kestravane::platform::macos
