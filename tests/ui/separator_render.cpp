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

Pixels RenderClient(HWND window, COLORREF marker) {
  RECT client;
  GetClientRect(window, &client);
  Pixels pixels;
  pixels.width = client.right;
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(info.bmiHeader), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // top-down
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(marker);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  const DWORD* source = static_cast<const DWORD*>(bits);
  for (int i = 0; i < client.right * client.bottom; ++i)
    pixels.data.push_back(RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

int Pixels::Count(COLORREF colour) const {
  int count = 0;
  for (COLORREF p : data) count += p == colour;
  return count;
}

int Pixels::LongestRun(COLORREF colour) const {
  int best = 0, run = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    run = data[i] == colour && i % width ? run + 1 : data[i] == colour;
    if (run > best) best = run;
  }
  return best;
}

std::vector<std::string> RenderRows(HWND window) {
  const Pixels pixels = RenderClient(window, kMarker);
  std::vector<std::string> rows;
  for (size_t i = 0; i < pixels.data.size(); ++i) {
    if (i % pixels.width == 0) rows.emplace_back();
    rows.back() += Classify(pixels.data[i]);
  }
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
