/* Vantrel plug-in interface. A plug-in is a DLL in the folder "Plugins"
   beside Vantrel.exe that exports one function, VnPluginEventHandler.
   This header is all a plug-in needs; it compiles as C and as C++.

   In exactly one source file of the plug-in, define VN_PLUGIN_EXPORT before
   including this header: the header then declares the export so that its
   name is "VnPluginEventHandler" on both architectures (on x86 without the
   stdcall decoration "@12", which the launcher would not find).

   Every call between the launcher and a plug-in uses the Windows standard
   calling convention (VNAPI). Texts are UTF-16. */
#ifndef VANTREL_VNPLUGIN_H
#define VANTREL_VNPLUGIN_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VNAPI WINAPI

/* The interface version PE_QUERY answers; older plug-ins are refused. */
#define VN_PLUGIN_VERSION 0x04020000u
#define VN_PLUGIN_NAME_CHARS 256

/* Events the launcher sends to one plug-in: (event, arg1, arg2). */
enum VnPluginEvent {
  PE_QUERY = 1,          /* arg1 wchar_t[256] for the display name, arg2 256; returns the version */
  PE_INIT = 2,           /* arg1 own index (-1: probe), arg2 const PluginServices*; 0 refuses */
  PE_UNLOAD = 3,         /* the library is freed right after */
  PE_RENUMBER = 4,       /* arg1 the new own index */
  PE_ITEMPREPARE = 5,    /* arg1 ItemRef of a new plug-in item */
  PE_ITEMLAUNCH = 6,     /* arg1 ItemRef, arg2 launch flag; nonzero lets the launcher hide */
  PE_ITEMEXECUTE = 7,    /* arg1 ItemRef, arg2 launch flag; may come on a launch thread */
  PE_ABOUT = 8,          /* arg1 owner window or NULL */
  PE_PLUGINOPTIONS = 9,  /* arg1 owner window or NULL */
  PE_ITEMOPTIONS = 10    /* arg1 owner window or NULL, arg2 ItemRef */
};

/* Notifications every loaded plug-in receives: (code, arg, 0). */
enum VnPluginNotification {
  PN_SHOWN = 0x10001,        /* arg: state word (below) */
  PN_HIDDEN = 0x10002,       /* arg: state word */
  PN_ITEMEXECUTED = 0x10003, /* arg: ItemRef of the item run */
  PN_PAGECHANGED = 0x10004,  /* arg: index of the new current page */
  PN_PAGEADDED = 0x10005,    /* arg: new page count */
  PN_PAGESRESET = 0x10006,   /* arg: new page count after a deletion */
  PN_LANGUAGE = 0x10007,     /* arg: const wchar_t* language library file name */
  PN_VIEWMODE = 0x10008,     /* arg: state word */
  PN_PIN = 0x10009,          /* arg: state word */
  PN_RESTRICT = 0x1000A,     /* arg: state word */
  PN_UNHOOK = 0x1000B        /* arg: state word */
};

/* State word bits (PN_SHOWN and others, GetDisplayState). */
enum VnPluginStateBits {
  VNS_VIEWMODE2 = 0x1,
  VNS_PINNED = 0x2,
  VNS_RESTRICTED = 0x4,
  VNS_HOOKS_ACTIVE = 0x10000
};

/* An item reference: (list + 1) << 16 | index; 0 = none. */
typedef int VnItemRef;

/* Operations of PluginWindowOperation. */
enum VnWindowOperation {
  VNW_FOREGROUND = 0, VNW_CLOSE = 1, VNW_CLOSE_WATCH = 2, VNW_MAXIMIZE = 3, VNW_MINIMIZE = 4,
  VNW_RESTORE = 5, VNW_HIDE = 6, VNW_SHOW = 7, VNW_BOTTOM = 8, VNW_TOGGLE_TOPMOST = 9
};

typedef INT_PTR(CALLBACK* VnDialogProc)(HWND, UINT, WPARAM, LPARAM);

/* The service table PE_INIT hands over: 6 groups of 16 slots, the same
   table for every plug-in for the launcher's lifetime. A slot may be NULL:
   test it before calling. "index" is the plug-in's own index. */
typedef struct PluginServices {
  /* group 0: reading the launcher */
  DWORD(VNAPI* GetLauncherVersion)(void);
  HWND(VNAPI* GetMainWindow)(HMODULE* launcherModule);
  DWORD(VNAPI* GetDisplayState)(void);
  int(VNAPI* GetPageCount)(void);
  int(VNAPI* GetCurrentPage)(void);
  const wchar_t*(VNAPI* GetLanguageName)(const wchar_t** displayName);
  const wchar_t*(VNAPI* GetDataFolder)(void);
  void* Reserved0[9];
  /* group 1: driving the launcher window (posted to its thread) */
  int(VNAPI* PostShowLauncher)(int mode, int x, int y, int page);
  int(VNAPI* PostHideLauncher)(void);
  int(VNAPI* SetViewMode)(int second);
  int(VNAPI* SetPinned)(int pinned);
  int(VNAPI* SetRestricted)(int restricted);
  int(VNAPI* SetUnhooked)(int release);
  int(VNAPI* SetCaptionText)(const wchar_t* text, int copy);
  void* Reserved1[9];
  /* group 2: skins */
  const wchar_t*(VNAPI* GetSkinsFolder)(void);
  const wchar_t*(VNAPI* GetSkinName)(void);
  const wchar_t*(VNAPI* GetSkinInfo)(const wchar_t* skinName);
  int(VNAPI* PostSelectSkin)(const wchar_t* skinName);
  void* Reserved2[12];
  /* group 3: language resources */
  int(VNAPI* LoadLangString)(HMODULE module, UINT id, wchar_t* buffer, int size);
  INT_PTR(VNAPI* LangDialogBox)(HMODULE module, UINT id, HWND owner, VnDialogProc proc, LPARAM param);
  void* Reserved3[14];
  /* group 4: the plug-in's own data and per-item values. Sections and keys
     may not be empty nor hold '=', '[', ']', CR or LF; values may not hold
     CR or LF. Such calls change nothing (0 or NULL). */
  int(VNAPI* SetPluginDescription)(int index, const wchar_t* text);
  int(VNAPI* SetPluginIntValue)(int index, const wchar_t* section, const wchar_t* key, int value);
  const wchar_t*(VNAPI* SetPluginStrValue)(int index, const wchar_t* section, const wchar_t* key,
                                           const wchar_t* text);
  int(VNAPI* GetPluginIntValue)(int index, const wchar_t* section, const wchar_t* key, int defaultValue);
  const wchar_t*(VNAPI* GetPluginStrValue)(int index, const wchar_t* section, const wchar_t* key);
  int(VNAPI* SavePluginDataNow)(int index);
  int(VNAPI* SetItemPluginInt)(VnItemRef item, int slot, int value);
  const wchar_t*(VNAPI* SetItemPluginStr)(VnItemRef item, int slot, const wchar_t* text);
  int(VNAPI* GetItemPluginInt)(VnItemRef item, int slot, int defaultValue);
  const wchar_t*(VNAPI* GetItemPluginStr)(VnItemRef item, int slot);
  int(VNAPI* DeletePluginValue)(int index, const wchar_t* section, const wchar_t* key);
  void* Reserved4[5];
  /* group 5: other windows */
  int(VNAPI* PluginWindowOperation)(HWND window, int operation);
  void* Reserved5[15];
} PluginServices;

typedef int(VNAPI* VnPluginEventHandlerFn)(UINT event, INT_PTR arg1, INT_PTR arg2);

#ifdef VN_PLUGIN_EXPORT
#if defined(_MSC_VER)
#if defined(_M_IX86)
#pragma comment(linker, "/EXPORT:VnPluginEventHandler=_VnPluginEventHandler@12")
int VNAPI VnPluginEventHandler(UINT event, INT_PTR arg1, INT_PTR arg2);
#else
__declspec(dllexport) int VNAPI VnPluginEventHandler(UINT event, INT_PTR arg1, INT_PTR arg2);
#endif
#elif defined(__i386__)
/* The symbol keeps its plain name and the export names it directly. */
int VNAPI VnPluginEventHandler(UINT event, INT_PTR arg1, INT_PTR arg2) __asm__("_VnPluginEventHandler");
__asm__(".section .drectve\n\t.ascii \" -export:VnPluginEventHandler\"\n\t.text");
#else
__declspec(dllexport) int VNAPI VnPluginEventHandler(UINT event, INT_PTR arg1, INT_PTR arg2);
#endif
#endif

#ifdef __cplusplus
}
#endif

#endif
