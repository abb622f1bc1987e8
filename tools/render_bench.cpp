// Render benchmark: ApplyDesign and a full repaint of a 10 x 10 grid on 100
// pages (every page with its own button colours, so the faces are 100
// columns wide), a hover change, and a show/hide cycle of the window.
// On a bare X server Wine waits up to 2 s for a window manager to confirm
// every hide (and pushes are slower); run it inside a Wine virtual desktop
// (explorer /desktop=bench,1280x1024 render_bench.exe) for the figures a
// desktop gives.
#include "core/showhide.h"
#include "core/switches.h"
#include "render/paint.h"
#include "tools/render_scene.h"
#include "tools/bench.h"

template <class F>
static double Time(int rounds, F f) {
  double start = Now();
  for (int i = 0; i < rounds; i++) f();
  return (Now() - start) / rounds;
}

int wmain() {
  RenderScene scene;
  scene.Pages = 100;
  scene.Buttons = 100;
  scene.Columns = 10;
  scene.Rows = 10;
  if (!BuildRenderScene(scene)) {
    fprintf(stderr, "render_bench: the window could not be built\n");
    return 1;
  }
  for (int p = 0; p < g_App.Store.PageCount; p++) {
    DesignColors& d = g_App.Store.Pages[p].Design.Sets[PD_BUTTONN];
    d.BG2 = RGB(p, 0x80, 0xA0);
  }
  const int rounds = 20;
  double apply = Time(rounds, [] { ApplyDesign(); });
  double repaint = Time(rounds, [] { RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH); });
  double buttons = Time(rounds, [] { RepaintMainWindow(RP_BUTTONS | RP_PUSH); });
  double compose = Time(rounds, [] { RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS); });
  double push = Time(rounds, [] { PushLayeredWindow(g_App.MainWnd, g_App.Render.Back.Dc, 0, 255); });
  double oneButton = Time(rounds * 5, [] { DrawButton(g_App.Render.Back.Dc, 5, 0, 1, 0); });
  int cell = 0;
  double hover = Time(rounds * 5, [&cell] { SetHoverButton(cell++ % 100, 0); });
  // Show and hide alternately, each timed on its own; placement alone too.
  const int cycles = 20;
  double show = 0, hide = 0, showAtCursor = 0;
  for (int i = 0; i < cycles; i++) {
    double t0 = Now();
    ShowLauncher(SHOW_CENTRED, 0, 0, kKeepCurrentPage, 0);
    double t1 = Now();
    HideLauncher(1, 0, 0);
    double t2 = Now();
    ShowLauncher(SHOW_AT_CURSOR, 0, 0, kKeepCurrentPage, 0);
    double t3 = Now();
    HideLauncher(1, 0, 0);
    show += t1 - t0;
    hide += (t2 - t1 + Now() - t3) / 2;
    showAtCursor += t3 - t2;
  }
  show /= cycles;
  hide /= cycles;
  showAtCursor /= cycles;
  double place = Time(rounds * 5, [] { PlaceLauncherWindow(SHOW_LAST_POSITION, POINT{0, 0}, 0); });
  printf("window %d x %d, %d pages, %d x %d cells, face columns %d\n", g_App.Layout.Width, g_App.Layout.Height,
         g_App.Store.PageCount, g_App.Layout.CellColumns, g_App.Layout.CellRows,
         g_App.Render.SharedDesign ? 1 : g_App.Store.PageCount);
  printf("ApplyDesign (layout, caches, repaint, push): %8.3f ms\n", apply);
  printf("full repaint + push:                         %8.3f ms\n", repaint);
  printf("full repaint without push:                   %8.3f ms\n", compose);
  printf("push alone (UpdateLayeredWindow):            %8.3f ms\n", push);
  printf("one button:                                  %8.3f ms\n", oneButton);
  printf("button area repaint + push:                  %8.3f ms\n", buttons);
  printf("hover change (two cells, caption, push):     %8.3f ms\n", hover);
  printf("show centred (placement, topmost, shown):    %8.3f ms\n", show);
  printf("show at the cursor:                          %8.3f ms\n", showAtCursor);
  printf("hide (state cleared, hidden, plug-ins):      %8.3f ms\n", hide);
  printf("placement alone (last position, clamped):    %8.3f ms\n", place);
  return 0;
}
