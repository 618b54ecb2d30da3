#include "link_render.h"

#include <gtest/gtest.h>

int parentCommands = 0, parentLeaves = 0;

namespace {

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  parentCommands += message == WM_COMMAND;
  parentLeaves += message == WM_MOUSELEAVE;
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void UserValue::Set(const char* text) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) return;
  if (text)
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text), lstrlenA(text) + 1);
  else
    RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

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

void ExpectLargestFit(HWND item, HFONT font, const char* text, int width, int itemHeight, bool label) {
  const int height = HeightOf(font);
  ASSERT_TRUE(height >= 4 && height <= itemHeight) << height;
  auto fits = [&](int at) {
    LOGFONTA description = {};
    GetObjectA(font, sizeof(description), &description);
    description.lfHeight = at;
    HFONT sized = CreateFontIndirectA(&description);
    HDC dc = GetDC(item);
    HGDIOBJ old = SelectObject(dc, sized);
    RECT rect = {0, 0, 1000, 1000};
    SIZE extent = {};
    if (label)
      DrawTextA(dc, text, -1, &rect, DT_SINGLELINE | DT_CALCRECT), extent = {rect.right, rect.bottom};
    else
      GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, old);
    ReleaseDC(item, dc);
    DeleteObject(sized);
    return (label ? extent.cx < width : extent.cx <= width) && extent.cy < itemHeight;
  };
  EXPECT_TRUE(height == 4 || fits(height)) << "height " << height << " does not fit";
  EXPECT_FALSE(height < itemHeight && fits(height + 1)) << "one unit larger than " << height << " fits too";
}
