// The fixed version of a program file, read from its version resource
// without running it.
#pragma once
#include <windows.h>

// The file's VS_FIXEDFILEINFO (signature 0xFEEF04BD) into out; 0 when the
// file or its resource cannot be read.
int ReadFileFixedVersion(const wchar_t* path, VS_FIXEDFILEINFO* out);
