#include "ui/drawn_text.h"

#include <string.h>

int TextBandContains(UINT format, int clientWidth, int textWidth, int x) {
  if (format & DT_CENTER) {
    const int margin = (clientWidth - textWidth) / 2;
    return x > margin && x < clientWidth - margin;
  }
  if (format & DT_RIGHT) return x > clientWidth - textWidth;
  return x < textWidth;
}

RECT TextBandRect(UINT format, const RECT& client, SIZE extent, int centreVertically,
                  int fullHeight) {
  RECT band = client;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (format & DT_CENTER) {
    band.left = client.left + (width - extent.cx) / 2;
    band.right = band.left + extent.cx;
  } else if (format & DT_RIGHT) {
    band.left = client.right - extent.cx;
  } else {
    band.right = client.left + extent.cx;
  }
  if (fullHeight) return band;
  if ((format & DT_VCENTER) && centreVertically) {
    band.top = client.top + (height - extent.cy) / 2;
  }
  band.bottom = band.top + extent.cy;
  return band;
}

int CursorOverText(HWND window, UINT format, SIZE extent, int wholeClient) {
  POINT cursor;
  if (extent.cy == 0 || !GetCursorPos(&cursor) || !ScreenToClient(window, &cursor)) return 1;
  RECT client;
  GetClientRect(window, &client);
  if (!PtInRect(&client, cursor)) return 0;
  if (wholeClient) return 1;
  return TextBandContains(format, client.right, extent.cx, cursor.x);
}

void InvalidateControl(HWND window, int transparent, int refreshBackground) {
  if (!window) return;
  HWND parent = GetParent(window);
  if (transparent && refreshBackground && parent) {
    RECT rect;
    GetClientRect(window, &rect);
    MapWindowPoints(window, parent, reinterpret_cast<POINT*>(&rect), 2);
    InvalidateRect(parent, &rect, TRUE);
    return;
  }
  InvalidateRect(window, nullptr, FALSE);
}

SIZE MeasureText(HWND window, HFONT font, const char* text) {
  SIZE extent = {0, 0};
  HDC dc = GetDC(window);
  if (!dc) return extent;
  HGDIOBJ old = SelectObject(dc, font);
  if (!GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent)) extent.cx = extent.cy = 0;
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return extent;
}

HFONT FitFont(HDC dc, int start, FontMaker make, FontJudge judge, void* context) {
  HGDIOBJ previous = nullptr;
  for (int height = start;; --height) {
    HFONT font = make(height, context);
    if (!font) return nullptr;
    HGDIOBJ before = SelectObject(dc, font);
    if (!previous) previous = before;
    if (judge(dc, context) != 0 || height - 1 <= 3) return font;
    SelectObject(dc, previous);
    DeleteObject(font);
  }
}

void ShowCursorOrHand(HINSTANCE module, int id) {
  HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(id));
  if (!cursor) cursor = LoadCursorA(nullptr, IDC_HAND);
  if (!cursor) cursor = LoadCursorA(nullptr, IDC_ARROW);
  SetCursor(cursor);
}

int AnswerTextQuery(UINT message, WPARAM wParam, LPARAM lParam, const char* text, int length,
                    LRESULT* result) {
  if (message == WM_GETTEXTLENGTH) {
    *result = length;
    return 1;
  }
  if (message != WM_GETTEXT) return 0;
  *result = 0;
  if (wParam == 0 || !lParam) return 1;
  int count = length < static_cast<int>(wParam) - 1 ? length : static_cast<int>(wParam) - 1;
  char* out = reinterpret_cast<char*>(lParam);
  memcpy(out, text, count);
  out[count] = '\0';
  *result = count;
  return 1;
}

int TrackFocus(HWND window, UINT message, DWORD* flags, DWORD focusedBit, DWORD transparentBit) {
  if (message != WM_SETFOCUS && message != WM_KILLFOCUS) return 0;
  if (message == WM_SETFOCUS)
    *flags |= focusedBit;
  else
    *flags &= ~focusedBit;
  InvalidateControl(window, (*flags & transparentBit) != 0, message == WM_KILLFOCUS);
  return 1;
}
