// Runs the demo window's test classes: all of them, or the one named first on the command line
// (the remaining arguments go to QTest).
#include <QApplication>
#include <QTest>
#include <cstdio>
#include <vector>

#include "Platform/Demo/DemoTestRegistry.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  using kestravane::platform::vmac::demo::testing::registeredTests;
  std::vector<char*> arguments(argv, argv + argc);
  std::string only;
  if (arguments.size() > 1 && registeredTests().contains(arguments[1])) {
    only = arguments[1];
    arguments.erase(arguments.begin() + 1);
  }
  int failures = 0;
  for (const auto& [name, make] : registeredTests()) {
    if (!only.empty() && name != only) continue;
    const auto test = make();
    failures += QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
  }
  return failures == 0 ? 0 : 1;
}
