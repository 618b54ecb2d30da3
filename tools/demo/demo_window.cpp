// Works the installer's windows for the demo, by window caption:
//   demo_window text CAPTION      prints the text of that message box
//   demo_window click CAPTION ID  clicks button ID of that dialog
//   demo_window ok CAPTION        dismisses that message box
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
  } else {
    return 2;
  }
  return 0;
}
