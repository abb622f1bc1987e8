// Path and version helpers. Paths that buttons store may be relative to the
// program folder; MakeAbsolutePath and MakeRelativePath define that
// convention. Returned strings are zero-filled blocks of the process heap;
// the caller frees them with HeapFree.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "common/osversion.h"

// Wide-string holder: owns Buffer (process heap), room for Chars characters
// plus the terminator.
struct WideStringHolder {
  wchar_t* Buffer;
  size_t Chars;
};

// Product version of a module (NULL = this program) packed
// major<<24 | minor<<16 | build<<8 | revision; 0 without a version resource.
DWORD GetModuleVersion(HMODULE module);

// Full path of the running executable (g_App.ProgramPath, filled on first use).
const wchar_t* GetProgramPath();
// <program folder>\name into out; 0 when it does not fit. The program folder
// is that of g_App.ProgramPath (filled from the module on first use).
int BuildProgramFilePath(const wchar_t* name, wchar_t* out, int chars);

int IsRootPath(const wchar_t* path);
int IsExecutableExtension(const wchar_t* ext);
// 1 when the file or folder exists, or a bare UNC server answers.
int PathReachable(const wchar_t* path);
wchar_t* QuotePath(const wchar_t* text);
wchar_t* GetParentFolder(const wchar_t* path);
wchar_t* ExpandEnvPath(const wchar_t* text);

// Conversions against the program folder. With out, the result is a new
// block there (*out is NULL when nothing was converted). Without out, the
// result replaces path, whose buffer holds pathChars characters; a result
// that does not fit leaves path unchanged and gives 0.
int MakeAbsolutePath(wchar_t* path, wchar_t** out, size_t pathChars = 0);
int MakeRelativePath(wchar_t* path, wchar_t** out, size_t pathChars = 0);
// ExpandEnvPath, then made absolute against the program folder; a new block
// (the expanded text when it cannot be made absolute).
wchar_t* ExpandFullPath(const wchar_t* text);

// Makes room for chars characters plus the terminator (zero-filled growth);
// 0 when out of memory, the old buffer kept.
int GrowWideBuffer(WideStringHolder* holder, size_t chars);
