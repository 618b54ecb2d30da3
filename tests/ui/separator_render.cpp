#include "ui/separator_render.h"

#include <stdio.h>

namespace {

const COLORREF kMarker = RGB(255, 0, 255);

char Classify(COLORREF pixel) {
  if (pixel == kMarker) return 'm';
  if (pixel == GetSysColor(COLOR_BTNSHADOW)) return 's';
  if (pixel == GetSysColor(COLOR_BTNHIGHLIGHT)) return 'h';
  return '?';
}

}  // namespace

std::vector<std::string> RenderRows(HWND window) {
  std::vector<std::string> rows;
  RECT client;
  GetClientRect(window, &client);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH marker = CreateSolidBrush(kMarker);
  FillRect(dc, &client, marker);
  DeleteObject(marker);
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  for (int y = 0; y < client.bottom; ++y) {
    std::string row;
    for (int x = 0; x < client.right; ++x) row += Classify(GetPixel(dc, x, y));
    rows.push_back(row);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return rows;
}

std::string PlacementText(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  char text[64];
  snprintf(text, sizeof(text), "%ld %ld %ld %ld", rect.left, rect.top, rect.right - rect.left,
           rect.bottom - rect.top);
  return text;
}

bool TurnOffVisualStyles(HWND window) {
  typedef HRESULT(WINAPI * SetWindowThemeProc)(HWND, LPCWSTR, LPCWSTR);
  HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
  auto setWindowTheme = reinterpret_cast<SetWindowThemeProc>(
      reinterpret_cast<void (*)()>(GetProcAddress(uxtheme, "SetWindowTheme")));
  bool off = setWindowTheme && setWindowTheme(window, L" ", L" ") == S_OK;
  if (uxtheme) FreeLibrary(uxtheme);
  return off;
}
