// Lookups over a settings text held in memory, for files with thousands of
// sections: the section headers of a region and the key lines of one section,
// each gathered in one pass. The answers are those of the positional INI
// readers (a key is the first line of its section that starts with "key=";
// sections are searched forward and end at the next unescaped "["), without
// scanning the same text again for every key.
#pragma once
#include <windows.h>

#include <vector>

struct IniHeader {
  const wchar_t* At;    // the "["
  const wchar_t* Name;  // after the "["
  int NameLen;          // up to the "]" (or the line end when there is none)
  bool Closed;          // a "]" ends the name
};

// Every section header from text on, to the end of the text.
void CollectHeaders(const wchar_t* text, std::vector<IniHeader>* out);
// The headers from text on while their names start with one of the prefixes
// (the sections that belong to the one at text).
void CollectGroupHeaders(const wchar_t* text, const wchar_t* const* prefixes, int count,
                         std::vector<IniHeader>* out);
bool HeaderStartsWith(const IniHeader& h, const wchar_t* prefix);
// Where the section's keys start (after the "]").
const wchar_t* SectionBody(const IniHeader& h);
// Index in [from, to) of the first header "[name]" (pattern with number), or to.
size_t FindHeader(const std::vector<IniHeader>& headers, size_t from, size_t to, const wchar_t* pattern,
                  int number = -1);
// Index in [from, to) of the first header whose name starts with none of the
// prefixes (the end of a run of sections that belong together), or to.
size_t GroupEnd(const std::vector<IniHeader>& headers, size_t from, size_t to, const wchar_t* const* prefixes,
                int count);

class SectionKeys {
 public:
  // Gathers the key lines of the section that starts at section (null: none).
  void Scan(const wchar_t* section);
  // The line of key (pattern with number, -1 = plain), from which the INI
  // readers find it at once; null when the section has no such key. Keys
  // asked in file order are found without searching; a key repeated in a
  // section is taken from the line after the key found last.
  const wchar_t* Find(const wchar_t* pattern, int number = -1);

  // ReadIniInt through Find: 0 when absent.
  int Dec(const wchar_t* pattern, int number = -1);
  UINT Hex(const wchar_t* pattern, int number = -1);
  // ReadIniInt through Find, the variable untouched when absent.
  int Read(void* out, int mode, const wchar_t* pattern, int number = -1);
  // ReadIniString through Find (process heap), cut to chars; null when absent.
  wchar_t* Text(const wchar_t* pattern, int number, int allowEmpty, int chars);
  void* HexData(const wchar_t* key);

  const wchar_t* End() const { return end_; }  // the header or NUL that ends the section

 private:
  struct Line {
    const wchar_t* At;
    int KeyLen;  // characters before the "="
  };
  std::vector<Line> lines_;
  size_t next_ = 0;
  const wchar_t* end_ = nullptr;
  const wchar_t* key_ = L"";  // the key asked last (pattern or buf_)
  wchar_t buf_[64];
};
