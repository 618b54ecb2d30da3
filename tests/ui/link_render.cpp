#include "link_render.h"

#include <stdio.h>

int parentCommands = 0, parentLeaves = 0;

namespace {

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  parentCommands += message == WM_COMMAND;
  parentLeaves += message == WM_MOUSELEAVE;
  const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
  // The platform's WM_PRINT leaves the children out: print each at its place.
  if (message == WM_PRINT && (lParam & PRF_CHILDREN)) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      RECT place;
      GetWindowRect(child, &place);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
      POINT origin;
      SetViewportOrgEx(dc, place.left, place.top, &origin);
      SendMessageA(child, WM_PRINT, wParam, PRF_CLIENT);
      SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    }
  }
  return result;
}

BITMAPINFOHEADER Header(int width, int height) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = -height;  // top-down
  header.biPlanes = 1;
  header.biBitCount = 32;
  return header;
}

}  // namespace

Pixels RenderClient(HWND window, bool children) {
  RECT client;
  GetClientRect(window, &client);
  Pixels pixels;
  pixels.width = client.right;
  pixels.height = client.bottom;
  BITMAPINFO info = {};
  info.bmiHeader = Header(pixels.width, pixels.height);
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
  FillRect(dc, &client, marker);
  DeleteObject(marker);
  if (children)
    SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  else
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  const DWORD* source = static_cast<const DWORD*>(bits);
  for (int i = 0; i < pixels.width * pixels.height; ++i)
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
    if (i % width == 0) run = 0;
    run = data[i] == colour ? run + 1 : 0;
    if (run > best) best = run;
  }
  return best;
}

bool Pixels::Save(const std::string& path) const {
  BITMAPINFOHEADER header = Header(width, height);
  std::vector<DWORD> rows;
  for (COLORREF p : data) rows.push_back(GetRValue(p) << 16 | GetGValue(p) << 8 | GetBValue(p));
  BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof(file) + sizeof(header)};
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size() * 4);
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) return false;
  bool written = fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&header, sizeof(header), 1, out) == 1 &&
                 fwrite(rows.data(), rows.size() * 4, 1, out) == 1;
  return fclose(out) == 0 && written;
}

SavedUserValue::SavedUserValue(const char* keyPath, const char* valueName) : path(keyPath), name(valueName) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD size = 0;
  if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    old.resize(size + 1);
    had = RegQueryValueExA(key, valueName, nullptr, &type, old.data(), &size) == ERROR_SUCCESS;
    old.resize(size);
  }
  RegCloseKey(key);
}

namespace {

// Writes (null `data`: deletes) one HKCU value, creating its key.
void PutUserValue(const std::string& path, const std::string& name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
    return;
  if (data)
    RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  else
    RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

}  // namespace

SavedUserValue::~SavedUserValue() {
  PutUserValue(path, name, type, had ? old.data() : nullptr, static_cast<DWORD>(old.size()));
}

void SavedUserValue::Set(const char* text) { PutUserValue(path, name, REG_SZ, text, text ? lstrlenA(text) + 1 : 0); }

HWND TestParent() {
  static HWND parent = nullptr;
  if (!parent) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &ParentProcedure;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "LinkTestParent";
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    RegisterClassA(&windowClass);
    parent = CreateWindowExA(WS_EX_TOPMOST, "LinkTestParent", "Link test", WS_POPUP | WS_VISIBLE, 100, 100, 360,
                             120, nullptr, nullptr, nullptr, nullptr);
  }
  return parent;
}

void ClearTestParent() {
  while (HWND child = GetWindow(TestParent(), GW_CHILD)) DestroyWindow(child);
}

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

int HeightOf(HFONT font) {
  LOGFONTA description = {};
  GetObjectA(font, sizeof(description), &description);
  return description.lfHeight;
}
