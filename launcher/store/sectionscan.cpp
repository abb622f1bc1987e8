#include "store/sectionscan.h"

#include <string.h>
#include <wchar.h>

#include "store/ini.h"

static inline bool IsHeaderAt(const wchar_t* p) { return p[0] == L'[' && p[1] != L'\\'; }

static void FormatName(wchar_t* out, size_t chars, const wchar_t* pattern, int number) {
  if (number == -1)
    lstrcpynW(out, pattern, static_cast<int>(chars));
  else
    wsprintfW(out, pattern, number);
}

static void Collect(const wchar_t* text, const wchar_t* const* prefixes, int count, std::vector<IniHeader>* out) {
  out->clear();
  if (!text) return;
  for (const wchar_t* p = text; (p = wcschr(p, L'[')) != nullptr; p++) {
    if (!IsHeaderAt(p)) continue;
    IniHeader h;
    h.At = p;
    h.Name = p + 1;
    const wchar_t* q = h.Name;
    while (*q && *q != L']' && *q != L'\r' && *q != L'\n') q++;
    h.NameLen = static_cast<int>(q - h.Name);
    h.Closed = *q == L']';
    if (prefixes) {
      bool inGroup = false;
      for (int k = 0; k < count && !inGroup; k++) inGroup = HeaderStartsWith(h, prefixes[k]);
      if (!inGroup) return;
    }
    out->push_back(h);
  }
}

void CollectHeaders(const wchar_t* text, std::vector<IniHeader>* out) { Collect(text, nullptr, 0, out); }

void CollectGroupHeaders(const wchar_t* text, const wchar_t* const* prefixes, int count,
                         std::vector<IniHeader>* out) {
  Collect(text, prefixes, count, out);
}

bool HeaderStartsWith(const IniHeader& h, const wchar_t* prefix) {
  size_t n = wcslen(prefix);
  return static_cast<size_t>(h.NameLen) >= n && !wcsncmp(h.Name, prefix, n);
}

const wchar_t* SectionBody(const IniHeader& h) { return h.Name + h.NameLen + (h.Closed ? 1 : 0); }

size_t FindHeader(const std::vector<IniHeader>& headers, size_t from, size_t to, const wchar_t* pattern,
                  int number) {
  wchar_t name[64];
  FormatName(name, 64, pattern, number);
  int n = static_cast<int>(wcslen(name));
  for (size_t i = from; i < to && i < headers.size(); i++) {
    const IniHeader& h = headers[i];
    if (h.Closed && h.NameLen == n && !wcsncmp(h.Name, name, n)) return i;
  }
  return to;
}

size_t GroupEnd(const std::vector<IniHeader>& headers, size_t from, size_t to, const wchar_t* const* prefixes,
                int count) {
  for (size_t i = from; i < to && i < headers.size(); i++) {
    bool inGroup = false;
    for (int k = 0; k < count && !inGroup; k++) inGroup = HeaderStartsWith(headers[i], prefixes[k]);
    if (!inGroup) return i;
  }
  return to;
}

void SectionKeys::Scan(const wchar_t* section) {
  lines_.clear();
  next_ = 0;
  end_ = section;
  if (!section) return;
  const wchar_t* p = section;
  for (;;) {
    while (*p == L'\r' || *p == L'\n') p++;
    if (!*p || IsHeaderAt(p)) break;
    const wchar_t* line = p;
    const wchar_t* eq = nullptr;
    for (; *p && *p != L'\r' && *p != L'\n'; p++) {
      if (*p == L'[') {
        if (p[1] != L'\\') break;  // a header in the middle of a line ends the section
        p++;
      } else if (*p == L'=' && !eq) {
        eq = p;
      }
    }
    if (eq && eq > line) lines_.push_back(Line{line, static_cast<int>(eq - line)});
    if (IsHeaderAt(p)) break;
  }
  end_ = p;
}

const wchar_t* SectionKeys::Find(const wchar_t* pattern, int number) {
  if (number == -1) {
    key_ = pattern;
  } else {
    wsprintfW(buf_, pattern, number);
    key_ = buf_;
  }
  int n = static_cast<int>(wcslen(key_));
  size_t count = lines_.size();
  // Keys asked in file order are the line after the one found last. (A key
  // written twice in a section is taken from there on: our writer never
  // repeats one.)
  for (size_t i = next_; i < count; i++) {
    const Line& l = lines_[i];
    if (l.KeyLen == n && l.At[0] == key_[0] && !wcsncmp(l.At, key_, n)) {
      next_ = i + 1;
      return l.At;
    }
  }
  for (size_t i = 0; i < next_ && i < count; i++) {
    const Line& l = lines_[i];
    if (l.KeyLen == n && l.At[0] == key_[0] && !wcsncmp(l.At, key_, n)) {
      next_ = i + 1;
      return l.At;
    }
  }
  return nullptr;
}

int SectionKeys::Read(void* out, int mode, const wchar_t* pattern, int number) {
  const wchar_t* at = Find(pattern, number);
  return at ? ReadIniInt(at, key_, out, mode) : 0;
}

int SectionKeys::Dec(const wchar_t* pattern, int number) {
  int v = 0;
  Read(&v, INI_DEC, pattern, number);
  return v;
}

UINT SectionKeys::Hex(const wchar_t* pattern, int number) {
  UINT v = 0;
  Read(&v, INI_HEX, pattern, number);
  return v;
}

wchar_t* SectionKeys::Text(const wchar_t* pattern, int number, int allowEmpty, int chars) {
  const wchar_t* at = Find(pattern, number);
  wchar_t* s = at ? ReadIniString(at, key_, -1, allowEmpty) : nullptr;
  if (s && chars > 0 && static_cast<int>(wcslen(s)) > chars) s[chars] = 0;
  return s;
}

void* SectionKeys::HexData(const wchar_t* key) {
  const wchar_t* at = Find(key, -1);
  return at ? ReadIniHexData(at, key_) : nullptr;
}
