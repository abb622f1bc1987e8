// Stand-ins for VnHook.dll: the real export names, a chosen version, and
// optionally one export left out. Nothing here hooks anything.
#include <windows.h>

#ifndef FAKE_VERSION
#define FAKE_VERSION 0x02000100u
#endif

extern "C" {
__declspec(dllexport) UINT32 WINAPI _VnGetDllVersion(void) { return FAKE_VERSION; }
__declspec(dllexport) void WINAPI _VnSetDllData(int, void*, void*) {}
__declspec(dllexport) BOOL WINAPI _VnOperateMouseHook(int, HWND, BOOL) { return TRUE; }
__declspec(dllexport) BOOL WINAPI _VnOperateKeyboardHook(int, HWND) { return TRUE; }
__declspec(dllexport) int WINAPI _VnSetAdminReq(int, INT_PTR, INT_PTR) { return 1; }
__declspec(dllexport) BOOL WINAPI _VnClearAdminReq(int) { return TRUE; }
#ifndef FAKE_NO_ADMIN_EXPORT
__declspec(dllexport) BOOL WINAPI _VnGetAdminReq(int*, INT_PTR*, INT_PTR*) { return FALSE; }
#endif
__declspec(dllexport) BOOL WINAPI _VnCheckPtOnEdge(POINT, int) { return FALSE; }
#ifndef FAKE_NO_EXPLORER_EXPORT
__declspec(dllexport) int WINAPI _VnIsExplorerWindow(HWND, POINT, UINT, int) { return -1; }
#endif
}
