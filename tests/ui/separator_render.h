// Renders a window's client area through WM_PRINTCLIENT into a memory bitmap
// prefilled with a marker colour and describes each pixel row as text:
// 'm' marker (nothing drawn), 's' COLOR_BTNSHADOW, 'h' COLOR_BTNHIGHLIGHT,
// '?' anything else. Shared by the separator tests and controls_host.
#ifndef TESTS_UI_SEPARATOR_RENDER_H_
#define TESTS_UI_SEPARATOR_RENDER_H_

#include <windows.h>

#include <string>
#include <vector>

std::vector<std::string> RenderRows(HWND window);

// Turns visual styles off for one window (SetWindowTheme with blank names,
// bound from uxtheme.dll); false when the function is missing or fails.
bool TurnOffVisualStyles(HWND window);

// "left top width height" of the window in its parent's client coordinates.
std::string PlacementText(HWND window);

#endif  // TESTS_UI_SEPARATOR_RENDER_H_
