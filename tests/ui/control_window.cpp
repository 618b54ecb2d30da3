#include "control_window.h"

int parentCommands = 0;

static LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  parentCommands += message == WM_COMMAND;
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND TestParent() {
  static const HWND parent = [] {  // a popup of the static class, with a procedure of its own
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 360, 120, nullptr,
                                  nullptr, nullptr, nullptr);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParentProcedure));
    return window;
  }();
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
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, CreateBitmap(client.right, client.bottom, 1, 32, nullptr));
  SetDCBrushColor(dc, marker);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::vector<COLORREF> pixels;
  for (int i = 0; i < client.right * client.bottom; ++i)
    pixels.push_back(GetPixel(dc, i % client.right, i / client.right));
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  return pixels;
}

HCURSOR CursorOnMove(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  SetCursorPos(point.x, point.y);
  SetCursor(nullptr);
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  return GetCursor();
}
