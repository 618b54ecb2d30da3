#include "ui/window_object.h"

#include <stdarg.h>
#include <stdio.h>

namespace {

const int kMessageSize = 1024;

}  // namespace

WindowObject::~WindowObject() {
  if (smallIcon) DestroyIcon(smallIcon);
}

LRESULT WindowObject::SetIcons(int iconId) {
  if (smallIcon) DestroyIcon(smallIcon);
  smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON),
                                            GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  // The large icon is shared by the system and never destroyed.
  HICON large = LoadIconA(instance, MAKEINTRESOURCEA(iconId));
  return SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
}

BOOL WindowObject::SetTitle(const char* text) { return SetWindowTextA(window, text); }

int WindowObject::SetItemText(int id, const char* text) {
  return SetDlgItemTextA(window, id, text) ? 1 : 0;
}

HWND WindowObject::Item(int id) const { return GetDlgItem(window, id); }

BOOL WindowObject::EnableItem(int id, BOOL enable) { return EnableWindow(Item(id), enable); }

BOOL WindowObject::ShowItem(int id, int show) {
  return ShowWindow(Item(id), show == 1 ? SW_SHOW : SW_HIDE);
}

int WindowObject::ShowMessage(UINT style, const char* caption, const char* format, ...) {
  char text[kMessageSize];
  va_list arguments;
  va_start(arguments, format);
  if (vsnprintf(text, sizeof(text), format, arguments) < 0) text[0] = '\0';
  va_end(arguments);
  text[kMessageSize - 1] = '\0';  // a longer text is cut
  return MessageBoxA(window, text, caption, style ? style : MB_OK | MB_ICONEXCLAMATION);
}
