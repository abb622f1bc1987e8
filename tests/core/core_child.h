// Shared by the core tests: the launcher's window classes, registered once
// per process, and the other program core_tests starts from itself.
#pragma once
#include <windows.h>

#include "core/startup.h"
#include "support/child_process.h"

inline bool EnsureLauncherClasses() {
  static bool registered = RegisterWindowClasses(GetModuleHandleW(nullptr)) != 0;
  return registered;
}
