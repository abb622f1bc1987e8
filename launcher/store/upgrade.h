// Bringing settings written by an older version up to date: the versioned
// copies of the old files and the fixed list of conversion steps.
#pragma once
#include <windows.h>

// Files older than this get the upgrade steps.
const UINT kUpgradeCurrentLayout = 0x04020000;

// Copies Vantrel.ini and Design.ini of the data folder to "<name><n>.ini",
// n = (major * 10 + minor) * 10 + build of version; failures are ignored.
void CopyVersionedFiles(UINT version);

// Runs every step whose threshold lies above storedVersion on the settings
// just read from text. 0 when a step failed.
int RunSettingsUpgrade(const wchar_t* text, UINT storedVersion);
