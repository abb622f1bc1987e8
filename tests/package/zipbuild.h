// Small archives put together byte by byte, for what no zip tool writes:
// odd names, extra fields of every kind and size, and lying sizes.
#pragma once
#include <stdint.h>
#include <zlib.h>

#include <string>
#include <vector>

struct BuildEntry {
  std::string Name;
  std::string Data;  // stored as it stands
  uint16_t Flags = 0;
  std::string LocalExtra, CentralExtra;
  uint32_t ExternalAttributes = 0x20;
  uint16_t Method = 0;  // the data is written as it stands whatever this says
  // Written instead of the real values when set.
  bool LieSizes = false;
  uint32_t Compressed = 0, Uncompressed = 0;
};

inline void Le(std::string* s, uint64_t v, int n) {
  for (int i = 0; i < n; i++) s->push_back((char)(v >> (8 * i)));
}

inline std::string ExtraField(uint16_t id, const std::string& data) {
  std::string s;
  Le(&s, id, 2);
  Le(&s, data.size(), 2);
  return s + data;
}

inline uint32_t Crc(const std::string& s) { return (uint32_t)crc32(0, (const Bytef*)s.data(), (uInt)s.size()); }

inline std::string BuildZip(const std::vector<BuildEntry>& entries, const std::string& front = "") {
  std::string body = front, central;
  for (const BuildEntry& e : entries) {
    uint32_t offset = (uint32_t)(body.size() - front.size());
    uint32_t c = e.LieSizes ? e.Compressed : (uint32_t)e.Data.size();
    uint32_t u = e.LieSizes ? e.Uncompressed : (uint32_t)e.Data.size();
    std::string h;
    Le(&h, 0x04034B50, 4);
    Le(&h, 20, 2);
    Le(&h, e.Flags, 2);
    Le(&h, e.Method, 2);
    Le(&h, 0x6000, 2);  // time
    Le(&h, 0x5821, 2);  // date
    Le(&h, Crc(e.Data), 4);
    Le(&h, c, 4);
    Le(&h, u, 4);
    Le(&h, e.Name.size(), 2);
    Le(&h, e.LocalExtra.size(), 2);
    body += h + e.Name + e.LocalExtra + e.Data;
    std::string r;
    Le(&r, 0x02014B50, 4);
    Le(&r, 20, 2);
    Le(&r, 20, 2);
    Le(&r, e.Flags, 2);
    Le(&r, e.Method, 2);
    Le(&r, 0x6000, 2);
    Le(&r, 0x5821, 2);
    Le(&r, Crc(e.Data), 4);
    Le(&r, c, 4);
    Le(&r, u, 4);
    Le(&r, e.Name.size(), 2);
    Le(&r, e.CentralExtra.size(), 2);
    Le(&r, 0, 2);  // comment
    Le(&r, 0, 2);  // disk
    Le(&r, 0, 2);  // internal attributes
    Le(&r, e.ExternalAttributes, 4);
    Le(&r, offset, 4);
    central += r + e.Name + e.CentralExtra;
  }
  std::string end;
  Le(&end, 0x06054B50, 4);
  Le(&end, 0, 4);
  Le(&end, entries.size(), 2);
  Le(&end, entries.size(), 2);
  Le(&end, central.size(), 4);
  Le(&end, body.size() - front.size(), 4);
  Le(&end, 0, 2);
  return body + central + end;
}
