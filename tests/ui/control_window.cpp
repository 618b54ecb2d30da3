#include "control_window.h"

int parentCommands = 0, parentLeaves = 0;

namespace {

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  parentCommands += message == WM_COMMAND;
  parentLeaves += message == WM_MOUSELEAVE;
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND TestParent() {
  static HWND parent = nullptr;
  if (!parent) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &ParentProcedure;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "ControlTestParent";
    RegisterClassA(&windowClass);
    parent = CreateWindowExA(WS_EX_TOPMOST, "ControlTestParent", "", WS_POPUP | WS_VISIBLE, 100, 100, 360, 120,
                             nullptr, nullptr, nullptr, nullptr);
  }
  return parent;
}

HWND MakeStatic(const char* text, int width) {
  return CreateWindowA("STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, 10, 10, width, 24, TestParent(),
                       nullptr, nullptr, nullptr);
}

void PumpFor(DWORD ms, const std::function<bool()>& done) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms && !(done && done());) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

std::vector<COLORREF> ClientPixels(HWND window, COLORREF marker) {
  RECT client;
  GetClientRect(window, &client);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(info.bmiHeader), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // top-down
  DWORD* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(marker);
  FillRect(dc, &client, brush);
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  std::vector<COLORREF> pixels;
  for (int i = 0; i < client.right * client.bottom; ++i)  // 0x00RRGGBB to a COLORREF
    pixels.push_back(RGB(GetBValue(bits[i]), GetGValue(bits[i]), GetRValue(bits[i])));
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}
