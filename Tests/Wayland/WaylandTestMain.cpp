// The tests' entry point: the stand-in devices exist only under umockdev's preload library, so
// the program starts itself again under umockdev-wrapper when it is not.
#include <gtest/gtest.h>

#include "Wayland/UmockdevRestart.h"

int main(int argc, char** argv) {
  if (!kestravane::testing_support::restartUnderUmockdev(PLIVEX_UMOCKDEV_WRAPPER, argc, argv)) {
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
