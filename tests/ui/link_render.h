// Shared scaffolding of the link and label tests: Internet Explorer settings
// removed after a test, and a shared white test parent.
#ifndef TESTS_UI_LINK_RENDER_H_
#define TESTS_UI_LINK_RENDER_H_

#include <windows.h>

#include <string>

#include "separator_render.h"

// One HKCU value of the test prefix, deleted again on destruction.
class UserValue {
 public:
  UserValue(const char* keyPath, const char* valueName) : path(keyPath), name(valueName) {}
  ~UserValue() { Set(nullptr); }
  void Set(const char* text);  // null deletes the value

 private:
  std::string path, name;
};

// The one test parent of the process (each top-level window costs Wine
// seconds): visible, topmost, 360 x 120 at (100, 100), white, with white
// static colour; it counts the WM_COMMAND and WM_MOUSELEAVE it receives.
extern int parentCommands, parentLeaves;
HWND TestParent();
// Destroys every child of the test parent.
void ClearTestParent();

// Dispatches the thread's messages for `ms`.
void PumpFor(DWORD ms);
int HeightOf(HFONT font);

// Expects the height of `font` to be the largest from 4 up to `itemHeight`
// at which `text` in its face stays under `itemHeight` and fits `width`: for
// a label drawn single-line and narrower than `width`, for a link (`label`
// false) as its text extent, `width` itself allowed.
void ExpectLargestFit(HWND item, HFONT font, const char* text, int width, int itemHeight, bool label);

#endif  // TESTS_UI_LINK_RENDER_H_
