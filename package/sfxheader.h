// The package's run settings: the 996-byte header appended behind the
// program's image (followed by the zip), the command-line switches, the
// destination template, and entry names made safe to write below the
// destination.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

const int kSfxHeaderBytes = 996;
const int kSfxDestinationUnits = 260;
const int kSfxCommandUnits = 128;
const int kSfxCaptionUnits = 32;
const int kSfxQuestionUnits = 64;
const int kSfxCommandLineUnits = 512;

#pragma pack(push, 1)
// File format, little-endian; also the layout of the process's settings.
struct SfxPayloadHeader {
  char Magic[6];  // "MOBRAL"
  char Kind;      // '3' ordinary, '6' needs 64-bit Windows
  char Charset;   // 'U'
  wchar_t Destination[kSfxDestinationUnits];
  wchar_t Command[kSfxCommandUnits];
  int32_t OverwriteWithoutAsking;
  int32_t OpenFolderAfterwards;
  int32_t DeleteAfterRun;
  int32_t SkipConfirmation;
  uint32_t PayloadCrc;  // over every byte behind the header, 0 = unchecked
  wchar_t QuestionCaption[kSfxCaptionUnits];
  wchar_t QuestionText[kSfxQuestionUnits];
};
#pragma pack(pop)
static_assert(sizeof(SfxPayloadHeader) == kSfxHeaderBytes, "header layout");
static_assert(offsetof(SfxPayloadHeader, Destination) == 8, "header layout");
static_assert(offsetof(SfxPayloadHeader, Command) == 528, "header layout");
static_assert(offsetof(SfxPayloadHeader, OverwriteWithoutAsking) == 784, "header layout");
static_assert(offsetof(SfxPayloadHeader, PayloadCrc) == 800, "header layout");
static_assert(offsetof(SfxPayloadHeader, QuestionCaption) == 804, "header layout");
static_assert(offsetof(SfxPayloadHeader, QuestionText) == 868, "header layout");

// Settings at start: all zero but the open-folder flag.
void ClearSfxSettings(SfxPayloadHeader* s);

// 1 when bytes (at least kSfxHeaderBytes) hold a header: magic checked on
// bytes 0-5 and 7, every text field terminated within its size. The header
// is then copied to out with an empty command clearing delete and kind.
int ReadSfxHeader(const uint8_t* bytes, size_t length, SfxPayloadHeader* out);
// The header's values replace the command-line's (all but the destination,
// which comes from the template).
void TakeHeaderSettings(SfxPayloadHeader* settings, const SfxPayloadHeader& header);

// Offset behind the last PE section of image[0..length) (its first bytes
// suffice), 0 when the bytes are not an image this understands.
uint32_t FindPayloadOffset(const uint8_t* image, size_t length);

// The switches of line into settings; archive and destination receive the
// paths the line names (empty when none). 0 when the line is too long.
int ScanSfxCommandLine(const wchar_t* line, SfxPayloadHeader* settings, wchar_t* archive, size_t archiveUnits,
                       wchar_t* destination, size_t destinationUnits);

// Folder values of the template variables; the seam lets tests name them.
struct SfxFolderLookup {
  // Value of variable name into out (MAX_PATH), 0 when unknown.
  int (*Value)(const wchar_t* name, wchar_t* out);
};
extern SfxFolderLookup g_SfxFolders;
// Destination (kSfxDestinationUnits) from the header's template; returns
// whether it is the run's own temporary folder (deleted afterwards).
bool ExpandFolderTemplate(wchar_t* destination, const SfxPayloadHeader& header, const wchar_t* modulePath);

// The entry name made a relative path below the destination, in place
// (capacity units): 1, or 0 when nothing usable is left or it is too long.
int SanitiseEntryName(wchar_t* name, size_t capacity);
// 1 when relative resolves (GetFullPathNameW) below folder (which ends in '\').
int IsBelowFolder(const wchar_t* folder, const wchar_t* relative);
