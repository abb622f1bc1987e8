// Each plug-in's own typed values (sections of keys) and their file
// PluginData\<dll name>.ini in the data folder, plus the per-item plug-in
// values of buttons. A negative or unknown plug-in index does nothing.
#pragma once
#include <windows.h>

#include "plugins/host.h"

struct ButtonInfo;
struct IniFile;

// Longest section or key name the file keeps.
const int kPluginNameChars = 250;

// A section or key: not empty, at most kPluginNameChars, no '=', '[', ']',
// CR or LF (each would end or split a line of the file). A value: no CR or LF.
int IsPluginDataName(const wchar_t* name);
int IsPluginDataText(const wchar_t* text);

// Store operations (section null = "General"). Setters refuse bad names or
// texts (0 / null, nothing changed) and mark the store changed.
int SetPluginInt(int index, const wchar_t* section, const wchar_t* key, int value);
const wchar_t* SetPluginString(int index, const wchar_t* section, const wchar_t* key, const wchar_t* text);
// Getters create the missing section and key (an empty entry) unmarked.
int GetPluginInt(int index, const wchar_t* section, const wchar_t* key, int defaultValue);
// An entry that is no string becomes an empty string.
const wchar_t* GetPluginString(int index, const wchar_t* section, const wchar_t* key);
int DeletePluginValue(int index, const wchar_t* section, const wchar_t* key);
int SetPluginDescription(int index, const wchar_t* text);

// The file: written through a temporary file that replaces it only when all
// of it was written (the changed flag stays set otherwise); read into the
// store (the changed flag cleared).
int SavePluginData(int index);
void LoadPluginData(int index);
// <data folder>\PluginData\<dll name without extension>.ini; 0 when it does
// not fit.
int GetPluginDataPath(const wchar_t* dllName, wchar_t* out, int chars);

// The file format, without files: the store's lines, and a text read back
// into a store (entries with bad names are skipped).
int WritePluginStore(IniFile* file, const PluginStore& store);
void ParsePluginData(const wchar_t* text, PluginStore* store);

// Per-item values (slots are 0-based; lists grow with 0 or empty texts).
const wchar_t* SetItemPluginString(ButtonInfo* item, int slot, const wchar_t* text);
int SetItemPluginInt(ButtonInfo* item, int slot, int value);
int GetItemPluginInt(ButtonInfo* item, int slot, int defaultValue);
const wchar_t* GetItemPluginString(ButtonInfo* item, int slot);
void FreeItemPluginParams(ButtonInfo* item);
// The button an ItemRef names, or null.
ButtonInfo* ItemFromRef(int ref);
