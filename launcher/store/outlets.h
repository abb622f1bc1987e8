// Calls out of the item store into the window, the settings writer, the
// hook library, the plug-in host, the process watch and the dialogs
// (message boxes go through ShowMessage of the dialog helpers). Each
// subsystem fills its entries at start-up; an empty entry is skipped.
#pragma once
#include <windows.h>

struct ButtonInfo;
struct NewButtonTemplate;

struct StoreOutlets {
  int (*SavePages)(const wchar_t* file);
  int (*WriteSettings)(const wchar_t* path, int flags);
  int (*SaveIconCache)(int flags);
  void (*RepaintMainWindow)(UINT parts);
  void (*DrawButton)(int cell, int state);
  void (*CalcMainWindowLayout)();
  void (*LayoutTabs)();
  void (*BuildTabImages)();
  void (*BuildBackgroundBitmaps)();
  void (*SelectPage)(int page, int refresh);
  void (*HideTooltip)();
  void (*ResetCaption)();       // caption text back to the Caption setting
  void (*UpdateCursor)(int wait);
  void (*PostResearch)();       // WMA_RESEARCH to the open search window
  void (*ShowSubMenuWindow)(int list);  // re-show the open window of a child menu
  void (*_VnSetDllData)(int kind, void* p, void* q);
  int (*BroadcastPluginEvent)(int code, INT_PTR arg);
  // 0: the process watch keeps the record and frees it itself later.
  int (*RemoveWatchEntries)(ButtonInfo* button);
  int (*RegisterItemDialog)(NewButtonTemplate* tmpl);  // dialog 152; 0 cancelled
  void (*OpenItemProperties)(ButtonInfo* button);       // command 40041
  void (*ClassifyItemTarget)(ButtonInfo* button, int mode);
  void (*GetItemIcon)(ButtonInfo* button);
  int (*StopSearch)();  // a running search reads the store unlocked
};

extern StoreOutlets g_StoreOutlets;

// Called before buttons, tables or lists are freed or moved.
inline void StopSearchForStoreChange() {
  if (g_StoreOutlets.StopSearch) g_StoreOutlets.StopSearch();
}

// Notifications the store sends.
enum : int { PN_PAGESRESET = 0x10006 };
