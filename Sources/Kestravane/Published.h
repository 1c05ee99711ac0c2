// A published property of an ObservableObject: every assignment tells the owner's observers
// first and then stores the value, so an observer still reads the old value. Assigning an equal
// value notifies too: the views rely on it to re-read the live state they do not keep.
// Threads: main thread only, like its owner.
#pragma once

#include <utility>

#include "Kestravane/ObservableObject.h"

namespace kestravane {

template <typename T>
class Published {
 public:
  Published(ObservableObject& owner, T initial) : owner(owner), value(std::move(initial)) {}
  Published(const Published&) = delete;
  Published& operator=(const Published&) = delete;

  const T& get() const { return value; }

  void set(T newValue) {
    owner.sendWillChange();
    value = std::move(newValue);
  }

  // Tells the observers, then lets `change` edit the value in place (one member of a record).
  template <typename Change>
  void modify(Change&& change) {
    owner.sendWillChange();
    std::forward<Change>(change)(value);
  }

 private:
  ObservableObject& owner;
  T value;
};

}  // namespace kestravane
