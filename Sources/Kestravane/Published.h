// A published property of an ObservableObject: an assignment that changes the value stores it
// and then tells the owner's observers, so an observer reads the new value; assigning an equal
// value does nothing.
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
    if (newValue == value) return;
    value = std::move(newValue);
    owner.notifyChanged();
  }

  // Lets `change` edit a copy of the value (one member of a record), then sets it.
  template <typename Change>
  void modify(Change&& change) {
    T edited = value;
    std::forward<Change>(change)(edited);
    set(std::move(edited));
  }

 private:
  ObservableObject& owner;
  T value;
};

}  // namespace kestravane
