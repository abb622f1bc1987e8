// Starting a program through the desktop shell's own view, so that it runs
// as the desktop user (unelevated, with the shell's token and environment),
// whoever calls: the launcher started from an elevated helper, the installer.
#pragma once
#include <windows.h>

// IShellDispatch2::ShellExecute of the desktop's folder view; parameters,
// directory and verb may be null. E_FAIL when there is no desktop shell.
HRESULT ShellExecuteViaDesktop(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory,
                               const wchar_t* verb, int show);
