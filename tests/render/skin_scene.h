// The fixture skins of make_fixture_skins.py: where they lie, the colour of
// each of their flat pieces and where the default design puts the pieces.
#pragma once
#include <windows.h>

#include <string>

#include "support/test_support.h"
#include "tools/render_scene.h"

namespace fixture_skin {

const COLORREF kFrame = RGB(0x3C, 0x5A, 0x78), kFrameLight = RGB(0x5A, 0x78, 0x96);
const COLORREF kCaption = RGB(0x1E, 0x3C, 0x5A), kBackground = RGB(0x20, 0x30, 0x3F);
const COLORREF kTabArea = RGB(0x2A, 0x3D, 0x52), kButtonArea = RGB(0x24, 0x34, 0x47);
const COLORREF kClose[3] = {RGB(0xC0, 0x40, 0x40), RGB(0xE0, 0x60, 0x60), RGB(0x80, 0x20, 0x20)};
const COLORREF kPin[4] = {RGB(0x4A, 0x6A, 0x8A), RGB(0x6A, 0x8A, 0xAA), RGB(0x2A, 0x8A, 0x4A), RGB(0x3A, 0xAA, 0x5A)};
const COLORREF kMode[4] = {RGB(0x6A, 0x5A, 0x8A), RGB(0x8A, 0x7A, 0xAA), RGB(0x4A, 0x3A, 0x6A), RGB(0x5A, 0x4A, 0x7A)};
// [design column][state]
const COLORREF kTab[2][3] = {{RGB(0x3A, 0x55, 0x70), RGB(0x4F, 0x6E, 0x8E), RGB(0x6F, 0x90, 0xB0)},
                             {RGB(0x70, 0x55, 0x3A), RGB(0x8E, 0x6E, 0x4F), RGB(0xB0, 0x90, 0x6F)}};
const COLORREF kButton[2][3] = {{RGB(0x34, 0x50, 0x6C), RGB(0x4A, 0x72, 0xA0), RGB(0x22, 0x38, 0x4E)},
                                {RGB(0x6C, 0x34, 0x50), RGB(0xA0, 0x4A, 0x72), RGB(0x4E, 0x22, 0x38)}};
const COLORREF kLocked[3] = {RGB(0x6C, 0x6C, 0x34), RGB(0x8A, 0x8A, 0x44), RGB(0x4E, 0x4E, 0x22)};
const COLORREF kMarker = RGB(0xF0, 0xC0, 0x20);
const COLORREF kKey = RGB(0xFF, 0x00, 0xFF);

// The default design's window under the fixture skins (inclusive rectangles).
const int kWidth = 446, kHeight = 254;
const RECT kCloseRect = {420, 9, 435, 22}, kPinRect = {10, 9, 25, 22}, kModeRect = {402, 9, 417, 22};
const RECT kCaptionRect = {29, 6, 398, 29};
const RECT kTabAreaRect = {10, 34, 435, 57}, kButtonAreaRect = {10, 58, 435, 243};
// Cells are 58 square with a pitch of 2 from (14, 62); tabs 20 high at y 38.
const int kCellLeft = 14, kCellTop = 62, kCellStep = 60;
const int kShadow = 4, kSizeArea = 5;

struct Kind {
  const char* Name;  // skin folder in fixtures\skins\Skins
  int Mode;          // SKINMODE_*
};
const Kind kKinds[] = {{"FixtureKey", SKINMODE_CLIPPING}, {"FixtureAlpha", SKINMODE_ALPHA}};

// fixtures\skins\Skins\<name>, with ".zip" for the archive.
inline std::wstring Path(const char* name, bool zipped = false) {
  std::wstring leaf(name, name + strlen(name));
  return FixturePath(L"skins\\Skins\\") + leaf + (zipped ? L".zip" : L"");
}

}  // namespace fixture_skin
