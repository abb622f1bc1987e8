// Builds the launcher window unshown and writes its back buffer as a 32-bit
// BMP, for people to look at what the render tests probe (and, with a skin
// read once from its folder and once from its zip, to compare the two).
//   render_dump out.bmp [pages] [buttons] [locked cell] [--skin <folder>\Skins\<skin>[.zip]]
//               [--show ms]
// --show also shows the window, pushed as the launcher pushes it, for that
// many milliseconds (for a screenshot).
#include <stdlib.h>

#include "tools/render_scene.h"

static void ShowFor(DWORD ms) {
  HWND w = g_App.MainWnd;
  MoveWindow(w, 40, 40, g_App.Layout.Width, g_App.Layout.Height, FALSE);
  ShowWindow(w, SW_SHOWNA);
  RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH);
  DWORD end = GetTickCount() + ms;
  while ((LONG)(end - GetTickCount()) > 0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(20);
  }
  ShowWindow(w, SW_HIDE);
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: render_dump out.bmp [pages] [buttons] [locked cell] [--skin path] [--show ms]\n");
    return 2;
  }
  RenderScene scene;
  DWORD show = 0;
  int positional = 0;
  for (int i = 2; i < argc; i++) {
    if (!wcscmp(argv[i], L"--skin") && i + 1 < argc) {
      scene.Skin = argv[++i];
    } else if (!wcscmp(argv[i], L"--show") && i + 1 < argc) {
      show = wcstoul(argv[++i], nullptr, 10);
    } else {
      int v = _wtoi(argv[i]);
      switch (positional++) {
        case 0: scene.Pages = v; break;
        case 1: scene.Buttons = v; break;
        case 2: scene.LockedCell = v; break;
        default: fprintf(stderr, "render_dump: unknown argument %ls\n", argv[i]); return 2;
      }
    }
  }
  if (!BuildRenderScene(scene)) {
    if (scene.Skin)
      fprintf(stderr, "render_dump: the window could not be built (is %ls a skin in a Skins folder?)\n", scene.Skin);
    else
      fprintf(stderr, "render_dump: the window could not be built\n");
    return 1;
  }
  if (!g_App.Render.Back.Dc) {
    fprintf(stderr, "render_dump: no back buffer (layered windows missing)\n");
    return 1;
  }
  if (show) ShowFor(show);
  if (!WriteBackBufferBmp(argv[1])) {
    fprintf(stderr, "render_dump: cannot write %ls\n", argv[1]);
    return 1;
  }
  printf("%d x %d at %d DPI\n", g_App.Render.Back.Width, g_App.Render.Back.Height, LauncherDpi());
  return 0;
}
