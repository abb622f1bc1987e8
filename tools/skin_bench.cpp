// Skin benchmark: the median time of one SelectSkin of the shipped skin (as
// a folder and as a zip, 100 times each) on a window of 100 pages, and one
// full repaint with the skin against the classic look.
//   skin_bench [skin folder name]   (default Basalt, in Skins beside the program)
#include <stdlib.h>

#include "render/paint.h"
#include "render/skinsel.h"
#include "tools/bench.h"
#include "tools/render_scene.h"

static int CompareTimes(const void* a, const void* b) {
  double x = *static_cast<const double*>(a), y = *static_cast<const double*>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

// Median of rounds selections of name, each alternating with the classic
// look so that every round loads the skin afresh; 0 when one failed.
static double MedianSelect(const wchar_t* name, int rounds) {
  static double times[1000];
  if (rounds > 1000) rounds = 1000;
  for (int i = 0; i < rounds; i++) {
    SelectSkin(nullptr);
    double t = Now();
    int ok = SelectSkin(name);
    times[i] = Now() - t;
    if (!ok) return 0;
  }
  qsort(times, rounds, sizeof times[0], CompareTimes);
  return times[rounds / 2];
}

static double TimeRepaint(int rounds, UINT flags = RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH) {
  double start = Now();
  for (int i = 0; i < rounds; i++) RepaintMainWindow(flags);
  return (Now() - start) / rounds;
}

// Where a repaint or a selection spends its time.
static void PrintParts(const char* look) {
  const int rounds = 20;
  double start = Now();
  for (int i = 0; i < rounds; i++) ApplyDesign();
  double apply = (Now() - start) / rounds;
  printf("  %-8s ApplyDesign %7.3f ms, frame %7.3f, tabs %7.3f, buttons %7.3f, push %7.3f\n", look, apply,
         TimeRepaint(rounds, RP_FRAME), TimeRepaint(rounds, RP_TABS), TimeRepaint(rounds, RP_BUTTONS),
         TimeRepaint(rounds, RP_PUSH));
}

int wmain(int argc, wchar_t** argv) {
  const wchar_t* skin = argc > 1 ? argv[1] : L"Basalt";
  RenderScene scene;
  scene.Pages = 100;
  scene.Buttons = 100;
  scene.Columns = 10;
  scene.Rows = 10;
  if (!BuildRenderScene(scene)) {
    fprintf(stderr, "skin_bench: the window could not be built\n");
    return 1;
  }
  // Design files are only read by a selection; point the data folder at an
  // empty temporary one so that no user file takes part.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  swprintf(g_App.DataFolderPath, 260, L"%lsvn-skin-bench-%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(g_App.DataFolderPath, nullptr);

  const int rounds = 20;
  SelectSkin(nullptr);
  double classic = TimeRepaint(rounds);
  PrintParts("classic");

  wchar_t folder[262], zipped[270];
  swprintf(folder, 262, L"\\%ls", skin);
  swprintf(zipped, 270, L"%ls.zip", skin);
  const int selections = 100;
  double fromFolder = MedianSelect(folder, selections);
  double fromZip = MedianSelect(zipped, selections);
  if (!fromFolder || !fromZip) {
    fprintf(stderr, "skin_bench: the skin %ls did not load (folder %s, zip %s)\n", skin,
            fromFolder ? "ok" : "failed", fromZip ? "ok" : "failed");
    RemoveDirectoryW(g_App.DataFolderPath);
    return 1;
  }
  SelectSkin(folder);
  double skinned = TimeRepaint(rounds);
  PrintParts("skinned");
  printf("window %d x %d, %d pages, %d x %d cells\n", g_App.Layout.Width, g_App.Layout.Height,
         g_App.Store.PageCount, g_App.Layout.CellColumns, g_App.Layout.CellRows);
  printf("SelectSkin %-24ls median of %d: %8.3f ms\n", folder, selections, fromFolder);
  printf("SelectSkin %-24ls median of %d: %8.3f ms\n", zipped, selections, fromZip);
  printf("full repaint + push, classic look:           %8.3f ms\n", classic);
  printf("full repaint + push, skinned:                %8.3f ms (%.2fx)\n", skinned, skinned / classic);
  SelectSkin(nullptr);
  RemoveDirectoryW(g_App.DataFolderPath);
  return 0;
}
