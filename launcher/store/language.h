// Choice of the language library: resource-only libraries in the folder
// "Languages" beside the program, described by "Language.ini" there. The
// chosen module is g_App.LangModule (NULL: the built-in resources), the
// [General] Language value g_App.LangFile, and the LANGID for dialog and
// menu lookups g_App.LangId.
#pragma once
#include <windows.h>

// [General] Language value that names the built-in resources.
const wchar_t kBuiltinLanguage[] = L"Japanese";
// LANGID of the built-in dialogs and menus (the language of vantrel.rc).
const LANGID kBuiltinResourceLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// name NULL reloads the current language; a name equal to the current one
// does nothing.
void SetLanguage(const wchar_t* name);
// Loads <program folder>\Languages\<file> when it is a plain "*.dll" name and
// its string 300 is a version of at least 4.21; NULL otherwise.
HMODULE LoadLanguageDll(const wchar_t* file);
// First run or a library that failed: the library Language.ini names for the
// user's LANGID, else "English.dll", else the built-in resources.
void ChooseDefaultLanguage();
LANGID SelectResourceLanguage();
// Frees the language library (shutdown).
void FreeLanguageLibrary();

// Pure checks: a plain file name ending in ".dll" (no folder, drive or
// stream part); string 300 of a usable library: digit, '.', digit, digit,
// at least 4.21.
int IsLanguageFileName(const wchar_t* name);
int IsLanguageVersionAccepted(const wchar_t* text);
