#include "common/osversion.h"

#include <windows.h>

static const int OSVersionTable[10] = {1000, 603, 602, 601, 600, 501, 500, 409, 401, 400};
static volatile LONG s_osVersion;

int GetOSVersion() {
  if (s_osVersion) return s_osVersion;
  ULONGLONG condition = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
  condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
  int version = 0;
  for (int candidate : OSVersionTable) {
    version = candidate;
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwMajorVersion = candidate / 100;
    info.dwMinorVersion = candidate % 100;
    if (VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION, condition)) break;
  }
  s_osVersion = version;
  return version;
}
