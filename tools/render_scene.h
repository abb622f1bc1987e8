// A launcher window built unshown for render tests, the dump tool and the
// render benchmark: default settings and design, the classic look or a skin,
// pages and buttons made here, laid out and drawn into the back buffer.
#pragma once
#include <objidl.h>
#include <gdiplus.h>
#include <windows.h>

#include <stdio.h>

#include "core/startup.h"
#include "state.h"
#include "render/backbuffer.h"
#include "render/draw.h"
#include "render/icons.h"
#include "render/image.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/skinxml.h"
#include "render/skinzip.h"
#include "store/grid.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/settings.h"
#include "tools/bmpfile.h"

struct RenderScene {
  int Pages = 1;        // pages P1..Pn
  int Buttons = 3;      // buttons on the first page (in the first cells)
  int LockedCell = -1;  // a locked button of page 1 at this cell, or none
  int Columns = 0, Rows = 0;  // grid size; 0 = the design's
  int Painted = 0;      // no layered window: the ordinary painted one
  // A skin folder or zip archive inside a folder named Skins, read as a
  // skin without design file of its own; null = the classic look.
  const wchar_t* Skin = nullptr;
  // Stands in for UpdateLayeredWindow when set (tests record the pushes).
  BOOL(WINAPI* Push)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD) = nullptr;
};

// Starts GDI+ and registers the window classes once per process.
inline void InitRenderProcess() {
  static ULONG_PTR token = 0;
  if (token) return;
  Gdiplus::GdiplusStartupInput in;
  Gdiplus::GdiplusStartup(&token, &in, nullptr);
  g_App.Instance = GetModuleHandleW(nullptr);
  BindOptionalFunctions();
  RegisterWindowClasses(g_App.Instance);
}

inline ButtonInfo* AddSceneButton(int page, const wchar_t* name, int column, int row, UINT type) {
  NewButtonTemplate t{};
  t.Button.Type = type;
  t.Button.Name = StoreDupString(name);
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{column, row};
  t.Control = NBT_KEEP_FIELDS;
  ButtonInfo* b = AddButton(&t, page);
  if (!b) StoreFree(t.Button.Name);
  return b;
}

// The skin reader's image seam, as the program binds it.
inline int LoadSceneSlotImage(SkinSlot* slot) { return LoadSlotImage(static_cast<int>(slot - g_App.Skin.Slots)); }

// The skin.xml of a skin folder, or of a zip archive that stays open for the
// images; a heap block with two zero bytes behind the text, or null.
inline wchar_t* ReadSceneSkinXml(const wchar_t* path, int zipped) {
  BYTE* bytes = nullptr;
  if (!zipped) {
    wchar_t file[MAX_PATH];
    if (swprintf(file, MAX_PATH, L"%ls\\skin.xml", path) < 0) return nullptr;
    ReadWholeFile(file, GetProcessHeap(), &bytes);
    return reinterpret_cast<wchar_t*>(bytes);
  }
  DWORD n = ReadWholeFile(path, GetProcessHeap(), &bytes, kMaxSkinMemberBytes);
  if (!n) return nullptr;
  OpenSkinArchive(bytes, n);
  ZipLocalHeader header;
  if (!FindZipEntry(L"skin.xml", &header, 1) || !ExtractZipEntry(&header, &bytes)) return nullptr;
  return reinterpret_cast<wchar_t*>(bytes);
}

// Loads the skin at <folder>\Skins\<name> (a folder, or a zip archive) the way
// the program loads a skin of its Skins folder, with the skin's own fonts
// and colours; the slot images are read while the program folder is
// <folder>. 1, or 0 with the classic look.
inline int LoadSceneSkin(const wchar_t* path) {
  wchar_t full[MAX_PATH];
  DWORD n = GetFullPathNameW(path, MAX_PATH, full, nullptr);
  if (!n || n >= MAX_PATH) return 0;
  if (n > 1 && full[n - 1] == L'\\') full[--n] = 0;
  DWORD attrs = GetFileAttributesW(full);
  if (attrs == INVALID_FILE_ATTRIBUTES) return 0;
  int zipped = !(attrs & FILE_ATTRIBUTE_DIRECTORY);
  wchar_t folder[MAX_PATH];
  wcscpy(folder, full);
  wchar_t* leaf = wcsrchr(folder, L'\\');
  if (!leaf) return 0;
  *leaf++ = 0;
  wchar_t* skins = wcsrchr(folder, L'\\');
  if (!skins || _wcsicmp(skins + 1, L"Skins") != 0) return 0;
  *skins = 0;

  FreeSlotBitmaps();
  g_App.Skin = SkinSettings{};
  if (zipped) g_App.Skin.Flags |= SKF_ZIPPED;
  swprintf(g_App.SkinName, 260, zipped ? L"%ls" : L"\\%ls", leaf);
  wchar_t program[MAX_PATH];
  wcscpy(program, g_App.ProgramPath);
  swprintf(g_App.ProgramPath, MAX_PATH, L"%ls\\render_scene.exe", folder);
  g_SkinXmlSeams.LoadSlotImage = LoadSceneSlotImage;
  wchar_t* text = ReadSceneSkinXml(full, zipped);
  int ok = text && LoadSkinXmlText(text, 1);
  if (text) HeapFree(GetProcessHeap(), 0, text);
  CloseSkinArchive();
  wcscpy(g_App.ProgramPath, program);
  if (!ok) {
    FreeSlotBitmaps();
    SetClassicLook();
    g_App.SkinName[0] = 0;
  }
  return ok;
}

// Builds the window of the scene and draws it; 0 on failure.
inline int BuildRenderScene(const RenderScene& scene) {
  InitRenderProcess();
  static const OptionalApi bound = g_App.Api;
  g_App.Api.UpdateLayeredWindow = scene.Painted ? nullptr : scene.Push ? scene.Push : bound.UpdateLayeredWindow;
  // The blits are the system's, whatever an earlier test put in their place.
  g_App.Api.AlphaBlend = bound.AlphaBlend;
  g_App.Api.TransparentBlt = bound.TransparentBlt;
  ClearItemStore();
  ResetSettings();
  if (!g_App.Settings.Caption) g_App.Settings.Caption = StoreDupString(L"Vantrel");
  ResetAllDesigns();
  SetDefaultFonts(0);
  SetDefaultFonts(1);
  if (scene.Columns > 0) g_App.Design.ViewMode[0].ButtonNumX = scene.Columns;
  if (scene.Rows > 0) g_App.Design.ViewMode[0].ButtonNumY = scene.Rows;
  if (!g_App.MainWnd && !CreateMainWindow(g_App.Instance)) return 0;
  // The window is layered exactly when layered windows are in use, as it
  // would have been made.
  LONG ex = GetWindowLongW(g_App.MainWnd, GWL_EXSTYLE);
  LONG want = g_App.Api.UpdateLayeredWindow ? (ex | WS_EX_LAYERED) : (ex & ~WS_EX_LAYERED);
  if (want != ex) SetWindowLongW(g_App.MainWnd, GWL_EXSTYLE, want);
  g_App.Design.Dpi = GetWindowDpi(g_App.MainWnd, nullptr);
  FreeSlotBitmaps();
  g_App.SkinName[0] = 0;
  SetClassicLook();
  SyncViewModeDesign(-1);
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
  InstallRenderOutlets();
  for (int p = 0; p < scene.Pages; p++) {
    wchar_t name[16];
    swprintf(name, 16, L"P%d", p + 1);
    if (AddPage(name) < 0) return 0;
  }
  const ViewModeDesign& v = g_App.Design.ViewMode[0];
  for (int i = 0; i < scene.Buttons && scene.Pages > 0; i++) {
    wchar_t name[32];
    swprintf(name, 32, L"Button %d", i + 1);
    if (!AddSceneButton(0, name, i % v.ButtonNumX, i / v.ButtonNumX, 1)) return 0;
  }
  if (scene.LockedCell >= 0 && scene.Pages > 0) {
    ButtonInfo* b = AddSceneButton(0, L"Locked", scene.LockedCell % v.ButtonNumX,
                                   scene.LockedCell / v.ButtonNumX, 1 | ITEM_LOCKED);
    if (!b) return 0;
    CollectLockedButtons();
  }
  if (scene.Skin) {
    // Pages exist by now, so they take the skin's tab and button colours.
    if (!LoadSceneSkin(scene.Skin)) return 0;
    SyncViewModeDesign(-1);
    for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
  }
  g_App.Store.CurrentPage = g_App.Settings.LastPage = 0;
  ApplyDesign();
  return 1;
}


// Writes the back buffer as a 32-bit bottom-up BMP.
inline int WriteBackBufferBmp(const wchar_t* path) {
  const ImageCache& b = g_App.Render.Back;
  if (!b.Bitmap) return 0;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = b.Width;
  bi.bmiHeader.biHeight = b.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  DWORD bytes = static_cast<DWORD>(b.Width) * b.Height * 4;
  BYTE* px = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, bytes));
  if (!px) return 0;
  int ok = GetDIBits(b.Dc, b.Bitmap, 0, b.Height, px, &bi, DIB_RGB_COLORS) == b.Height;
  // Only an alpha skin's back buffer carries alpha (premultiplied, as pushed);
  // the others are opaque.
  if (g_App.Skin.TransparencyMode != SKINMODE_ALPHA)
    for (DWORD i = 3; i < bytes; i += 4) px[i] = 0xFF;
  ok = ok && WriteBmpFile(path, px, b.Width, b.Height);
  HeapFree(GetProcessHeap(), 0, px);
  return ok;
}
