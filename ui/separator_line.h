// A thin frame static turned into a separator: the theme's toolbar separator
// where visual styles are active, else an etched line.
#ifndef UI_SEPARATOR_LINE_H_
#define UI_SEPARATOR_LINE_H_

#include <windows.h>

#include "ui/subclass_hook.h"
#include "ui/theme_data.h"

// Used on the dialog's thread only.
class SeparatorLine {
 public:
  SeparatorLine() : window(nullptr) {}
  ~SeparatorLine() { Release(); }
  SeparatorLine(const SeparatorLine&) = delete;
  SeparatorLine& operator=(const SeparatorLine&) = delete;

  // Opens the "Toolbar" theme on the static, subclasses it, makes it
  // transparent without a static edge and resizes it to a 3-pixel band that
  // starts 2 pixels further left, ends 1 further right and lies 1 higher, so
  // that the etched line falls on the static's original top edge and width.
  // Returns what SetWindowPos returns; 0 without any change when the window
  // already carries a separator.
  int Attach(HWND target);
  // Detaches the hook and closes the theme; a second call does nothing.
  void Release();

  // The theme's part and state for a horizontal toolbar separator.
  static const int kSeparatorPart = 6;
  static const int kSeparatorState = 1;

 private:
  static int Handle(HWND target, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                    void* owner);
  // Draws the line into `dc` (the client area's device context).
  void Paint(HDC dc);

  SubclassHook<kSeparatorFamily> hook;
  HWND window;
  ThemeData theme;
};

#endif  // UI_SEPARATOR_LINE_H_
