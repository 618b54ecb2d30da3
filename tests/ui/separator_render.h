// A window's client area drawn through WM_PRINTCLIENT over a marker colour,
// as pixels and, for the separator tests and controls_host, as rows of text:
// 'm' marker (nothing drawn), 's' COLOR_BTNSHADOW, 'h' COLOR_BTNHIGHLIGHT,
// '?' anything else.
#ifndef TESTS_UI_SEPARATOR_RENDER_H_
#define TESTS_UI_SEPARATOR_RENDER_H_

#include <windows.h>

#include <string>
#include <vector>

struct Pixels {
  int width = 0;
  std::vector<COLORREF> data;  // row by row from the top
  bool operator==(const Pixels& other) const { return width == other.width && data == other.data; }
  int Count(COLORREF colour) const;
  int LongestRun(COLORREF colour) const;  // longest horizontal run in any row
};

Pixels RenderClient(HWND window, COLORREF marker = RGB(1, 2, 3));
std::vector<std::string> RenderRows(HWND window);

// Turns visual styles off for one window (SetWindowTheme with blank names,
// bound from uxtheme.dll); false when the function is missing or fails.
bool TurnOffVisualStyles(HWND window);

// "left top width height" of the window in its parent's client coordinates.
std::string PlacementText(HWND window);

#endif  // TESTS_UI_SEPARATOR_RENDER_H_
