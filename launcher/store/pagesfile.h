// [Pages] and [SubMenus] of Vantrel.ini: the pages, child menus and their
// buttons as stored, at the end of the settings file.
#pragma once
#include <windows.h>

#include "store/ini.h"

// Fills the (empty) item store from text. 1 read; 0 out of memory (654 was
// shown); -1 no page list with a Count of 1 to 100.
int ReadPageSections(const wchar_t* text);
int WritePageSections(IniFile* file);
