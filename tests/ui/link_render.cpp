#include "link_render.h"

int parentCommands = 0, parentLeaves = 0;

namespace {

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  parentCommands += message == WM_COMMAND;
  parentLeaves += message == WM_MOUSELEAVE;
  return DefWindowProcA(window, message, wParam, lParam);
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
  info.bmiHeader.biHeight = -pixels.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
  FillRect(dc, &client, marker);
  DeleteObject(marker);
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

SavedUserValue::SavedUserValue(const char* keyPath, const char* valueName) : path(keyPath), name(valueName) {
  DWORD size = 0;
  if (RegGetValueA(HKEY_CURRENT_USER, keyPath, valueName, RRF_RT_ANY, &type, nullptr, &size) != ERROR_SUCCESS) return;
  old.resize(size);
  had = RegGetValueA(HKEY_CURRENT_USER, keyPath, valueName, RRF_RT_ANY, &type, old.data(), &size) == ERROR_SUCCESS;
}

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
