// Setup.exe: installs Vantrel from the folder it was started in, or with
// /r and /x removes it.
#include <windows.h>

#include "setup/platform.h"
#include "setup/start.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmdline, int) {
  BindSetupPlatform();
  return RunSetup(instance, cmdline);
}
