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

// Runs `measure` on a DC of `item` with `model`'s face at `height` selected.
template <typename Measure>
SIZE MeasureAt(HWND item, HFONT model, int height, Measure measure) {
  LOGFONTA description = {};
  GetObjectA(model, sizeof(description), &description);
  description.lfHeight = height;
  HFONT font = CreateFontIndirectA(&description);
  HDC dc = GetDC(item);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = measure(dc);
  SelectObject(dc, old);
  ReleaseDC(item, dc);
  DeleteObject(font);
  return size;
}

#endif  // TESTS_UI_LINK_RENDER_H_
