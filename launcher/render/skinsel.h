// Choosing the window's look: a skin (a folder or zip archive in Skins) with
// its own design file, or the classic look. Also what the options page and
// plug-ins ask about a skin: its text, and its recommended sizes. Main
// thread only.
#pragma once
#include <windows.h>

#include "common/zip.h"

// Frees the old skin, reads the skin's design file (Classic.vsd for the
// classic look), loads the skin or falls back to the classic look, and
// re-applies fonts and layout. name null or empty, or a name that could
// lead out of the Skins folder: the classic look. 1 when a skin loaded.
int SelectSkin(const wchar_t* name);
// Loads the skin g_App.SkinName names, or the classic look; a skin that
// fails leaves the classic look, the design of Classic.vsd and an empty
// name. takeDesign: the skin's fonts and colours replace the design's.
// 1 when a skin loaded.
int LoadSkin(int takeDesign);
// The current skin's skin.xml into the skin settings (its images from the
// archive or folder); the text and archive are freed again. 1 or 0.
int LoadSkinXml(int takeDesign);

// skin.xml of the named skin (null: the current one, whose zipped flag is
// then set or cleared) as zero-terminated UTF-16 in a block of the process
// heap (*text, HeapFree). A zipped skin's archive stays open for its images
// on success. 1 or 0 (nothing held).
int ReadSkinXml(wchar_t** text, const wchar_t* name);
// Opens the zipped skin Skins\<name> (or <name>.zip) and finds its skin.xml.
// With entry null only tests that it holds one and closes it again. 1 or 0
// (archive closed).
int LoadSkinZip(const wchar_t* name, ZipLocalHeader* entry);

// The skin's display text in a block of the process heap (*text, HeapFree):
// its title alone, or "Title: ", title, "Author: ", author and the comment
// with its <br/> tags as line breaks. 1 or 0.
int GetSkinInfoText(wchar_t** text, const wchar_t* name, int titleOnly);
// The current skin's recommended sizes into the view-mode designs (values
// within their bounds only); the caller applies the design. 1 or 0.
int ApplyRecommendedSizes();
