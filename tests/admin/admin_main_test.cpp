// Entry of admin_tests. Started with --vn-child it becomes another program
// with windows that ignore WM_CLOSE, for the window requests that the helper
// carries out on other processes' windows; otherwise it runs the tests.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include "support/child_process.h"

int main(int argc, char** argv) {
  if (argc > 1 && !strcmp(argv[1], kChildSwitch)) return RunStubbornChild();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
