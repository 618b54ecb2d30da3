// Works the installer's windows for the demo, by window caption:
//   demo_window text CAPTION      prints the text of that message box
//   demo_window click CAPTION ID  clicks button ID of that dialog
//   demo_window ok CAPTION        dismisses that message box
//   demo_window ink CAPTION ID    prints item ID's screen rectangle and how
//                                 many of its rows and columns hold a pixel
//                                 unlike the dialog's background
// Exit code 1 when no such window shows.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HWND window = FindWindowA("#32770", argv[2]);
  if (!window || !IsWindowVisible(window)) return 1;
  if (!strcmp(argv[1], "text")) {
    char text[1024] = {};
    GetDlgItemTextA(window, 0xFFFF, text, sizeof(text));
    fputs(text, stdout);
  } else if (!strcmp(argv[1], "click") && argc > 3) {
    PostMessageA(GetDlgItem(window, atoi(argv[3])), BM_CLICK, 0, 0);
  } else if (!strcmp(argv[1], "ok")) {
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  } else if (!strcmp(argv[1], "ink") && argc > 3) {
    HWND item = GetDlgItem(window, atoi(argv[3]));
    RECT r;
    if (!item || !GetWindowRect(item, &r)) return 1;
    HDC screen = GetDC(nullptr);
    POINT corner = {1, 1};  // the dialog's client area, left of every control
    ClientToScreen(window, &corner);
    const COLORREF background = GetPixel(screen, corner.x, corner.y);
    int rows = 0, columns = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      int any = 0;
      for (int x = r.left; x < r.right && !any; ++x) any = GetPixel(screen, x, y) != background;
      rows += any;
    }
    for (int x = r.left; x < r.right; ++x) {
      int any = 0;
      for (int y = r.top; y < r.bottom && !any; ++y) any = GetPixel(screen, x, y) != background;
      columns += any;
    }
    ReleaseDC(nullptr, screen);
    printf("%ld %ld %ld %ld %d %d\n", r.left, r.top, r.right, r.bottom, rows, columns);
  } else {
    return 2;
  }
  return 0;
}
