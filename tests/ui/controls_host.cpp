// Runs ThemeData or SeparatorLine in a folder whose uxtheme.dll is a fake,
// for theme_data_test.cpp. Writes what it did to
// FAKE_LOG, between the fake's own lines:
//
//   controls_host.exe theme STEP...   STEP: open (class list "Toolbar"),
//                                     bare (no class list), draw, close
//     logs "host.Open 0|1", "host.DrawBackground 0|1", "host.Close"
//   controls_host.exe separator       attaches a separator to a 100 x 1
//                                     static at (20, 30), renders it, releases
//     logs "host.Attach R", "host.placement L T W H", "host.row N TEXT"
//     (see separator_render.h), "host.Release", and "host.end" after the
//     separator was destroyed
//   Exit code 0, or 2 for bad arguments.
#include <windows.h>

#include <string.h>

#include "fakes/fake_log.h"
#include "ui/separator_line.h"
#include "ui/separator_render.h"
#include "ui/theme_data.h"

namespace {

int RunTheme(HWND window, int count, char** steps) {
  ThemeData theme;
  RECT rect = {0, 0, 10, 3};
  HDC dc = GetDC(window);
  for (int i = 0; i < count; ++i) {
    if (strcmp(steps[i], "open") == 0) {
      FakeLog("host.Open %d", theme.Open(window, L"Toolbar"));
    } else if (strcmp(steps[i], "bare") == 0) {
      FakeLog("host.Open %d", theme.Open(window, nullptr));
    } else if (strcmp(steps[i], "draw") == 0) {
      FakeLog("host.DrawBackground %d", theme.DrawBackground(dc, 6, 1, &rect));
    } else if (strcmp(steps[i], "close") == 0) {
      theme.Close();
      FakeLog("host.Close");
    } else {
      ReleaseDC(window, dc);
      return 2;
    }
  }
  ReleaseDC(window, dc);
  return 0;
}

int RunSeparator(HWND parent) {
  HWND item = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 30, 100, 1,
                            parent, nullptr, nullptr, nullptr);
  {
    SeparatorLine line;
    FakeLog("host.Attach %d", line.Attach(item));
    FakeLog("host.placement %s", PlacementText(item).c_str());
    std::vector<std::string> rows = RenderRows(item);
    for (size_t y = 0; y < rows.size(); ++y) FakeLog("host.row %u %s", unsigned(y), rows[y].c_str());
    line.Release();
    FakeLog("host.Release");
  }
  FakeLog("host.end");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HWND window = CreateWindowA("STATIC", "host", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
  // From here on the fake uxtheme.dll counts loads (see fake_uxtheme.cpp).
  SetEnvironmentVariableA("FAKE_UXTHEME_HOST", "1");
  int status = 2;
  if (strcmp(argv[1], "theme") == 0) status = RunTheme(window, argc - 2, argv + 2);
  if (strcmp(argv[1], "separator") == 0) status = RunSeparator(window);
  DestroyWindow(window);
  return status;
}
