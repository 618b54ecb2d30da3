#include "ui/separator_line.h"

#include "ui/screen_scale.h"

int SeparatorLine::Attach(HWND target) {
  if (!hook.Attach(target, &Handle, this)) return 0;
  window = target;
  theme.Open(target, L"Toolbar");
  LONG exStyle = GetWindowLongA(target, GWL_EXSTYLE);
  SetWindowLongA(target, GWL_EXSTYLE, (exStyle | WS_EX_TRANSPARENT) & ~WS_EX_STATICEDGE);
  RECT rect;
  GetWindowRect(target, &rect);
  HWND parent = GetParent(target);
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  ScreenToClient(parent, &corners[0]);
  ScreenToClient(parent, &corners[1]);
  const int dpi = ScreenDpi();
  return SetWindowPos(target, nullptr, corners[0].x - ScalePixels(2, dpi),
                      corners[0].y - ScalePixels(1, dpi),
                      corners[1].x - corners[0].x + ScalePixels(3, dpi), ScalePixels(3, dpi),
                      SWP_NOOWNERZORDER | SWP_NOZORDER);
}

void SeparatorLine::Release() {
  hook.Detach();
  theme.Close();
}

int SeparatorLine::Handle(HWND target, UINT message, WPARAM wParam, LPARAM, LRESULT* result,
                          void* owner) {
  SeparatorLine* self = static_cast<SeparatorLine*>(owner);
  if (!RoutePaintMessage(target, message, wParam, [self](HDC dc) { self->Paint(dc); })) return 0;
  *result = 0;
  return 1;
}

void SeparatorLine::Paint(HDC dc) {
  const int saved = SaveDC(dc);
  RECT rect;
  GetClientRect(window, &rect);
  if (!theme.IsPartDefined(kSeparatorPart, kSeparatorState) ||
      !theme.DrawBackground(dc, kSeparatorPart, kSeparatorState, &rect)) {
    rect.top += 1;
    rect.left += 2;
    rect.right -= 1;
    DrawEdge(dc, &rect, EDGE_ETCHED, BF_TOP);
  }
  RestoreDC(dc, saved);
}
