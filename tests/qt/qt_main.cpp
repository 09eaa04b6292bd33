// Test main for the Qt window tests: off screen unless a platform is named, one application
// object for all tests, the Fusion style so that pictures do not depend on the desktop.
#include <gtest/gtest.h>

#include <cstdlib>

#include "forms/qt/window_driver.h"

// Under LeakSanitizer: fontconfig keeps a cache for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  cavix::qtview::EnsureApplication();
  return RUN_ALL_TESTS();
}
