// Builds the launcher window unshown and writes its back buffer as a 32-bit
// BMP, for people to look at what the render tests probe.
//   render_dump out.bmp [pages] [buttons] [locked cell] [painted]
#include <stdlib.h>

#include "tools/render_scene.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: render_dump out.bmp [pages] [buttons] [locked cell]\n");
    return 2;
  }
  RenderScene scene;
  if (argc > 2) scene.Pages = _wtoi(argv[2]);
  if (argc > 3) scene.Buttons = _wtoi(argv[3]);
  if (argc > 4) scene.LockedCell = _wtoi(argv[4]);
  if (!BuildRenderScene(scene)) {
    fprintf(stderr, "render_dump: the window could not be built\n");
    return 1;
  }
  if (!g_App.Render.Back.Dc) {
    fprintf(stderr, "render_dump: no back buffer (layered windows missing)\n");
    return 1;
  }
  if (!WriteBackBufferBmp(argv[1])) {
    fprintf(stderr, "render_dump: cannot write %ls\n", argv[1]);
    return 1;
  }
  printf("%d x %d at %d DPI\n", g_App.Render.Back.Width, g_App.Render.Back.Height, LauncherDpi());
  return 0;
}
