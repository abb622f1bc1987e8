// What tests read of skin and design files, and the settings tool run as a
// user runs it: skin.xml attributes, design-file values, vnsettings.exe in
// a program folder of its own.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

// A UTF-16LE file without its byte-order mark; empty when missing.
std::wstring ReadUtf16Text(const std::wstring& path);

// The value of key in the section reached by finding each of sections in
// turn (as the program reads them: [PageDefault], then [ButtonN] after
// it), or "(none)" when a section or the key is missing.
std::wstring IniValueAt(const std::wstring& text, std::initializer_list<const wchar_t*> sections, const wchar_t* key);
// text with the line key=from of that section made key=to; false when it
// is not there.
bool ReplaceIniValue(std::wstring* text, std::initializer_list<const wchar_t*> sections, const wchar_t* key,
                     const std::wstring& to);

// The attribute of the element reached by finding each of elements in turn
// after the one before ("buttonarea", "arrangement"), or "(none)".
std::wstring XmlAttrAt(const std::wstring& xml, std::initializer_list<const wchar_t*> elements, const wchar_t* attr);
// The numbers of "4, 6, -4, -1".
std::vector<int> NumberList(const std::wstring& text);
// A skin colour "#RRGGBB" as a design file stores it ("00bbggrr").
std::wstring DesignColor(const std::wstring& skinColor);

// vnsettings.exe, Languages\ and the build's shipped Skins\ copied into
// folder (which gets a Data\ too), so that the tool finds the skins
// beside itself.
void InstallSettingsTool(const std::wstring& folder);

struct ToolRun {
  long Code = -1;      // exit code, -1 when it did not end in time
  std::string Output;  // what it printed
};
// folder\vnsettings.exe <data folder> args..., waited for up to a minute.
ToolRun RunSettingsTool(const std::wstring& folder, const std::wstring& dataFolder,
                        const std::vector<std::wstring>& args);
