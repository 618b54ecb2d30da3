#include "link_render.h"

#include <stdio.h>

namespace {

const COLORREF kMarker = RGB(1, 2, 3);

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
  // The platform's WM_PRINT leaves the children out here: print each one at
  // its place in the client area.
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

}  // namespace

Pixels RenderClient(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  Pixels pixels;
  pixels.width = client.right;
  pixels.height = client.bottom;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH marker = CreateSolidBrush(kMarker);
  FillRect(dc, &client, marker);
  DeleteObject(marker);
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  const DWORD* source = static_cast<const DWORD*>(bits);
  for (int i = 0; i < pixels.width * pixels.height; ++i) {
    const DWORD p = source[i];
    pixels.data.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

int CountColour(const Pixels& pixels, COLORREF colour) {
  int count = 0;
  for (COLORREF p : pixels.data) count += p == colour;
  return count;
}

int LongestRun(const Pixels& pixels, COLORREF colour) {
  int best = 0;
  for (int y = 0; y < pixels.height; ++y) {
    int run = 0;
    for (int x = 0; x < pixels.width; ++x) {
      run = pixels.At(x, y) == colour ? run + 1 : 0;
      if (run > best) best = run;
    }
  }
  return best;
}

bool SaveBitmapFile(const std::string& path, HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  std::vector<BYTE> rows(static_cast<size_t>(width) * height * 4);
  if (!GetDIBits(dc, bitmap, 0, height, rows.data(), reinterpret_cast<BITMAPINFO*>(&header),
                 DIB_RGB_COLORS))
    return false;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) return false;
  bool written = fwrite(&file, sizeof(file), 1, out) == 1 &&
                 fwrite(&header, sizeof(header), 1, out) == 1 &&
                 fwrite(rows.data(), rows.size(), 1, out) == 1;
  return fclose(out) == 0 && written;
}

SavedUserValue::SavedUserValue(const char* keyPath, const char* valueName)
    : path(keyPath), name(valueName) {
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

SavedUserValue::~SavedUserValue() {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return;
  if (had)
    RegSetValueExA(key, name.c_str(), 0, type, old.data(), static_cast<DWORD>(old.size()));
  else
    RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

void SavedUserValue::Set(const char* text) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return;
  if (text)
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   lstrlenA(text) + 1);
  else
    RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

HWND CreateTestParent(int x, int y, int width, int height) {
  static ATOM atom = 0;
  if (!atom) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &ParentProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "LinkTestParent";
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    atom = RegisterClassA(&windowClass);
  }
  return CreateWindowExA(WS_EX_TOPMOST, "LinkTestParent", "Link test", WS_POPUP | WS_VISIBLE, x, y,
                         width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
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
