// The archive stream: the package's own file or a named zip, read through
// one 64 KiB buffer so that byte-wise scans cost no system call each.
#pragma once
#include <windows.h>
#include <stdint.h>

// Takes the handle as the archive (not closed here); 0 when its size is unknown.
int AttachArchive(HANDLE file);
void DetachArchive();
// Bytes read, fewer at the end of the file, -1 on a read error.
int64_t ArchiveRead(void* buffer, uint64_t count);
int ArchiveSeek(int64_t position);  // 1, or 0 outside the file
int64_t ArchiveTell();
int64_t ArchiveSize();
