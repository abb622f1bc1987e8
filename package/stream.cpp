#include "package/stream.h"

#include <string.h>

#include "package/sfxstate.h"

int AttachArchive(HANDLE file) {
  ArchiveStream& s = g_Sfx.Archive;
  s.File = nullptr;
  s.Size = s.BufferStart = 0;
  s.BufferLength = s.BufferAt = 0;
  LARGE_INTEGER size;
  if (!file || file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size)) return 0;
  s.File = file;
  s.Size = (uint64_t)size.QuadPart;
  return 1;
}

void DetachArchive() { AttachArchive(nullptr); }

static int FillBuffer() {
  ArchiveStream& s = g_Sfx.Archive;
  s.BufferStart += s.BufferAt;
  s.BufferAt = s.BufferLength = 0;
  LARGE_INTEGER at;
  at.QuadPart = (LONGLONG)s.BufferStart;
  DWORD got = 0;
  if (!SetFilePointerEx(s.File, at, nullptr, FILE_BEGIN) || !ReadFile(s.File, s.Buffer, sizeof s.Buffer, &got, nullptr))
    return -1;
  s.BufferLength = got;
  return (int)got;
}

int64_t ArchiveRead(void* buffer, uint64_t count) {
  ArchiveStream& s = g_Sfx.Archive;
  if (!s.File) return -1;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint64_t done = 0;
  while (done < count) {
    if (s.BufferAt == s.BufferLength) {
      int got = FillBuffer();
      if (got < 0) return done ? (int64_t)done : -1;
      if (got == 0) break;
    }
    uint64_t n = s.BufferLength - s.BufferAt;
    if (n > count - done) n = count - done;
    memcpy(out + done, s.Buffer + s.BufferAt, (size_t)n);
    s.BufferAt += (uint32_t)n;
    done += n;
  }
  return (int64_t)done;
}

int ArchiveSeek(int64_t position) {
  ArchiveStream& s = g_Sfx.Archive;
  if (!s.File || position < 0 || (uint64_t)position > s.Size) return 0;
  uint64_t p = (uint64_t)position;
  if (p >= s.BufferStart && p <= s.BufferStart + s.BufferLength) {
    s.BufferAt = (uint32_t)(p - s.BufferStart);
  } else {
    s.BufferStart = p;
    s.BufferAt = s.BufferLength = 0;
  }
  return 1;
}

int64_t ArchiveTell() { return (int64_t)(g_Sfx.Archive.BufferStart + g_Sfx.Archive.BufferAt); }
int64_t ArchiveSize() { return (int64_t)g_Sfx.Archive.Size; }
