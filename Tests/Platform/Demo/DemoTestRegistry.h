// The demo window's test classes, each registered by its file and run by name from main.cpp, so
// that CTest lists them one by one.
// Threads: registration at static initialisation; running on the GUI thread.
#pragma once

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kestravane::platform::vmac::demo::testing {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::map<std::string, TestFactory>& registeredTests() {
  static std::map<std::string, TestFactory> tests;
  return tests;
}

template <typename TestClass>
struct RegisterTest {
  explicit RegisterTest(const char* name) {
    registeredTests()[name] = [] { return std::make_unique<TestClass>(); };
  }
};

}  // namespace kestravane::platform::vmac::demo::testing
