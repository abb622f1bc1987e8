// Entry of core_tests. Started with --vn-child it becomes a helper process
// for the tests that act on other programs' windows; otherwise it runs the
// tests.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include "core_child.h"

int main(int argc, char** argv) {
  if (argc > 1 && !strcmp(argv[1], kChildSwitch)) return RunStubbornChild();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
