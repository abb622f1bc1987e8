// Design.ini and the per-skin design files (*.vsd): the view-mode designs,
// window colours, default and per-page colour designs, and the skin's name.
#pragma once
#include <windows.h>
#include "render/design.h"
#include "store/ini.h"

// path null: Design.ini of the data folder, else the design sections of
// Vantrel.ini. The page designs are those of the item store's pages. 1 when
// the file was complete.
int ReadDesign(const wchar_t* path, int keepSearchWindow);
// file: append to that open settings file and close it; else write path, or
// Design.ini of the data folder. 1 when every write succeeded.
int WriteDesign(IniFile* file, const wchar_t* path);

// The same, with the designs that follow [PageDefault] (page order) named by
// the caller in place of the store's pages.
int ReadDesignPages(const wchar_t* path, int keepSearchWindow, PageDesign* const* pages, int count);
int WriteDesignPages(IniFile* file, const wchar_t* path, PageDesign* const* pages, int count);
