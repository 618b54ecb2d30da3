// One visual-theme handle for one window and class list, with uxtheme.dll
// bound at run time (older systems lack it).
#ifndef UI_THEME_DATA_H_
#define UI_THEME_DATA_H_

#include <windows.h>
#include <uxtheme.h>

#include "base/library_handle.h"
#include "base/text_string.h"

// States: unbound (no library) after construction and Close; bound without a
// theme after Open with no class list or when no theme could be opened; open
// with a theme otherwise. Every failure is a 0 result; callers have a classic
// drawing path for it. Used on the window's thread only.
class ThemeData {
 public:
  ThemeData();
  ~ThemeData();
  ThemeData(const ThemeData&) = delete;
  ThemeData& operator=(const ThemeData&) = delete;

  // Closes what is open, keeps window and class list (null or empty: none)
  // for reopening, loads "uxtheme.dll" and binds OpenThemeData,
  // CloseThemeData and IsThemeActive. 1 when bound and, given a class list,
  // a theme opened (0 for example with visual styles off: the library then
  // stays bound); 0 when the library or one of the three is missing.
  int Open(HWND target, const WCHAR* classes);
  // Closes the theme once (a second Close calls nothing) and releases the
  // library with every address bound from it.
  void Close();

  // Draws the part's background (no clip rectangle); 1 when drawn. A stale
  // handle (E_HANDLE) while a theme is still active opens the theme once more
  // and draws again; 0 when that reopen leaves nothing to draw with.
  int DrawBackground(HDC dc, int part, int state, const RECT* rect);
  // 1 when the theme defines the part (a theme may answer S_OK to drawing a
  // part it lacks and draw nothing).
  int IsPartDefined(int part, int state);
  // 1 when the theme reports the part's background partially transparent.
  int IsPartiallyTransparent(int part, int state);
  // Draws the parent's background behind the window; nothing without the
  // function.
  void DrawParentBackground(HDC dc, const RECT* rect);

  HTHEME Theme() const { return theme; }
  bool Bound() const { return library.Loaded(); }

 private:
  LibraryHandle library;
  TextString classList;
  HTHEME theme;
  HWND window;
  ProcSlot<decltype(::OpenThemeData)> open;
  ProcSlot<decltype(::CloseThemeData)> close;
  ProcSlot<decltype(::IsThemeActive)> isActive;
  LazyProc<decltype(::DrawThemeBackground)> drawBackground;
  LazyProc<decltype(::IsThemePartDefined)> partDefined;
  LazyProc<decltype(::IsThemeBackgroundPartiallyTransparent)> partiallyTransparent;
  LazyProc<decltype(::DrawThemeParentBackground)> drawParentBackground;
};

#endif  // UI_THEME_DATA_H_
