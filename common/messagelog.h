// Test runs may route message boxes to a file: when the environment
// variable VANTREL_MESSAGE_LOG names one, each box appends its string id and
// a line break there instead of opening.
#pragma once
#include <windows.h>

// The file named by the variable into path (MAX_PATH characters); 0 when it
// is not set or too long.
int ReadMessageLogPath(wchar_t* path);
// Appends id to the file; the answer that changes nothing for a box of flags.
int LogMessageId(const wchar_t* path, int id, UINT flags);
