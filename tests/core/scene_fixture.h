// Core tests on a launcher window drawn as the program draws it: the render
// scene's window (classic look, pages and buttons), its tooltip window with
// the tools of the layout, and the outlets start-up binds.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "core/commands.h"
#include "core/ticker.h"
#include "core/tray.h"
#include "render/hittest.h"
#include "store/outlets.h"
#include "tools/render_scene.h"

class SceneWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = new AppState(g_App);
    savedInput_ = g_InputOutlets;
    savedStore_ = g_StoreOutlets;
    savedTicker_ = g_TickerOutlets;
    g_App.MainWnd = nullptr;
    g_App.Tray.ToolTip = nullptr;
    g_App.RunState = 0;
    g_App.OpenDialogCount = 0;
    g_App.Wnd = MainWindowState{};
    g_App.Input = InputState{};
    g_App.Input.PressCell = g_App.Input.PressIndex = g_App.Input.TabPressed = -1;
    ASSERT_TRUE(BuildRenderScene(Scene()));
    g_App.Settings.DispOption |= 0x10 | 0x20;  // tips, tab tips
    ASSERT_TRUE(CreateToolTip());
    ApplyDesign();  // the tools, now that there is a tooltip
    // What start-up binds besides BindInputOutlets.
    g_InputOutlets.GetItemFromPoint = GetItemFromPoint;
    g_InputOutlets.IsPointInItemArea = IsPointInItemArea;
    g_InputOutlets.HitTestSkinPart = HitTestSkinPart;
    g_InputOutlets.GetCellRect = GetCellRect;
    g_InputOutlets.LaunchItem = nullptr;
    BindInputOutlets();
  }
  void TearDown() override {
    if (g_App.Tray.ToolTip) DestroyWindow(g_App.Tray.ToolTip);
    if (g_App.MainWnd) DestroyWindow(g_App.MainWnd);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    FreeDrawingResources();
    FreeLayout();
    ClearItemStore();
    g_InputOutlets = savedInput_;
    g_StoreOutlets = savedStore_;
    g_TickerOutlets = savedTicker_;
    g_App = *saved_;
    delete saved_;
    // The caches and rectangles of before were replaced while building.
    g_App.Render = RenderState{};
    g_App.Layout = LayoutState{};
  }
  virtual RenderScene Scene() { return RenderScene{2, 3}; }

  static HWND Window() { return g_App.MainWnd; }
  static RECT Cell(int i) { return g_App.Layout.CellRects[i]; }
  static RECT Tab(int i) { return g_App.Layout.TabRects[i]; }
  // Moves the window (not the cursor) so that the cursor lies at client
  // point (x, y); false when the cursor cannot be placed.
  static bool PutCursorAt(int x, int y) {
    if (!SetCursorPos(400, 300)) return false;
    POINT c;
    if (!GetCursorPos(&c) || c.x != 400 || c.y != 300) return false;
    SetWindowPos(Window(), nullptr, c.x - x, c.y - y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    POINT p = c;
    ScreenToClient(Window(), &p);
    return p.x == x && p.y == y;
  }
  static bool PutCursorOn(const RECT& r) { return PutCursorAt((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
  // The back buffer's pixel at a client point.
  static COLORREF Pixel(int x, int y) {
    GdiFlush();
    const ImageCache& b = g_App.Render.Back;
    if (!b.Bits || x < 0 || y < 0 || x >= b.Width || y >= b.Height) return CLR_INVALID;
    DWORD p = b.Bits[y * b.Width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // A pixel of a cell's face, away from its icon and text.
  static COLORREF CellFace(int i) { return Pixel(Cell(i).left + 3, Cell(i).top + 2); }
  static COLORREF TabFace(int i) { return Pixel(Tab(i).left + 2, Tab(i).top + 2); }

  AppState* saved_ = nullptr;
  InputOutlets savedInput_;
  StoreOutlets savedStore_;
  TickerOutlets savedTicker_;
};
