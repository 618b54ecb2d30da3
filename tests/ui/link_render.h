// Pixel access for the link and label tests: a window's client area drawn
// through WM_PRINTCLIENT into a 32-bit bitmap, registry values of the
// Internet Explorer settings put back after a test, and a test window class.
#ifndef TESTS_UI_LINK_RENDER_H_
#define TESTS_UI_LINK_RENDER_H_

#include <windows.h>

#include <string>
#include <vector>

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> data;  // row by row from the top
  COLORREF At(int x, int y) const { return data[y * width + x]; }
  bool operator==(const Pixels& other) const {
    return width == other.width && height == other.height && data == other.data;
  }
};

// The client area as painted on WM_PRINTCLIENT over a marker background.
Pixels RenderClient(HWND window);
// Number of pixels of exactly `colour`.
int CountColour(const Pixels& pixels, COLORREF colour);
// Longest horizontal run of `colour` in any row.
int LongestRun(const Pixels& pixels, COLORREF colour);
// Writes a 32-bit bottom-up BMP file; true when written.
bool SaveBitmapFile(const std::string& path, HDC dc, HBITMAP bitmap, int width, int height);

// One HKCU value whose old contents (or absence) come back on destruction.
class SavedUserValue {
 public:
  SavedUserValue(const char* path, const char* name);
  ~SavedUserValue();
  SavedUserValue(const SavedUserValue&) = delete;
  SavedUserValue& operator=(const SavedUserValue&) = delete;
  // A null text deletes the value.
  void Set(const char* text);

 private:
  std::string path;
  std::string name;
  bool had = false;
  DWORD type = 0;
  std::vector<BYTE> old;
};

// A visible top-level window with a white background that answers
// WM_CTLCOLORSTATIC with the white brush.
HWND CreateTestParent(int x, int y, int width, int height);

// Sends every message waiting for the calling thread's windows, for `ms`.
void PumpFor(DWORD ms);

// Height (lfHeight) of `font`.
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
