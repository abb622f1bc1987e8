// The skin description file: skin.xml read into the skin settings, the 63
// slots, the skin's text flags and colours and, for a skin that brings its
// own design, the fonts and colours of the design. Also the names a skin
// file may use, which never lead out of the skin's folder.
#pragma once
#include <windows.h>

#include "render/skin.h"

struct SkinXmlSeams {
  // The image slot->FileName of the current skin (from its archive when
  // g_App.Skin.Flags has SKF_ZIPPED, else the file that BuildSkinFilePath
  // names) into ImageWidth, ImageHeight, Dc and Bitmap, borrowed from a
  // lower slot naming the same file when there is one (BorrowSlotImage);
  // 1 or 0. The reader has checked the name. Empty: no image loads, so
  // every skin fails.
  int (*LoadSlotImage)(SkinSlot* slot);
  // Bits per pixel of the screen; an alpha skin needs 32.
  int (*ScreenBitsPerPixel)();
};
extern SkinXmlSeams g_SkinXmlSeams;

// Reads the text of a skin.xml (zero-terminated UTF-16) into g_App.Skin and
// g_App.SkinText; with takeDesign also the skin's caption, tab and button
// fonts and colours into the design, and every page takes the skin's
// colours. The caller has freed the old images, cleared g_App.Skin and set
// SKF_ZIPPED for a zipped skin. 1, or 0 for a broken or unusable skin: the
// caller frees the images loaded so far and falls back to the classic look.
int LoadSkinXmlText(const wchar_t* text, int takeDesign);

// The recommended sizes of a skin.xml text applied to the view-mode designs
// (kept values only); 1, or 0 without a recommended element.
int ApplyRecommendedSizesText(const wchar_t* text);

// 1 for a file name inside a skin: a relative path (parts split by '\' or
// '/') without empty, "." or ".." parts, drive letters, ':', wildcards or
// device names.
int IsSkinFileName(const wchar_t* name);
// 1 for a skin name: a plain name (a zipped skin) or '\' and a plain folder name.
int IsSkinName(const wchar_t* name);
// <program folder>\Skins\<skin> (the folder or archive), or with file the
// path of that file in a folder skin; 0 for an unsafe name, a file asked of
// a zipped skin, or a path longer than chars.
int BuildSkinFilePath(const wchar_t* skinName, const wchar_t* file, wchar_t* out, int chars);
