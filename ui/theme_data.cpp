#include "ui/theme_data.h"

ThemeData::ThemeData()
    : theme(nullptr),
      window(nullptr),
      drawBackground("DrawThemeBackground"),
      partDefined("IsThemePartDefined"),
      partiallyTransparent("IsThemeBackgroundPartiallyTransparent"),
      drawParentBackground("DrawThemeParentBackground") {}

ThemeData::~ThemeData() { Close(); }

int ThemeData::Open(HWND target, const WCHAR* classes) {
  Close();
  if (classes && *classes)
    classList.AssignWide(classes);
  else
    classList.Reset(TextString::kDefaultCapacity);
  window = target;
  if (!library.Load("uxtheme.dll")) return 0;
  const ProcBinding rows[] = {
      {0, "OpenThemeData", open.Storage()},
      {0, "CloseThemeData", close.Storage()},
      {0, "IsThemeActive", isActive.Storage()},
  };
  if (!BindChain(&library, rows, sizeof(rows) / sizeof(rows[0]))) return 0;
  theme = nullptr;
  if (!classList.Length()) return 1;
  theme = open(window, classList.ToWide(nullptr));
  return theme != nullptr;
}

void ThemeData::Close() {
  if (theme && close) close(theme);
  theme = nullptr;
  open.Clear();
  close.Clear();
  isActive.Clear();
  drawBackground.Clear();
  partDefined.Clear();
  partiallyTransparent.Clear();
  drawParentBackground.Clear();
  library.Unload();
}

int ThemeData::DrawBackground(HDC dc, int part, int state, const RECT* rect) {
  auto draw = drawBackground.Resolve(library);
  if (!draw) return 0;
  HRESULT result = draw(theme, dc, part, state, rect, nullptr);
  if (result == E_HANDLE) {
    if (!isActive || !isActive()) return 0;
    // Open replaces the stored class list, so reopen from a copy of it.
    TextString classes;
    classes.Assign(classList);
    if (!Open(window, classes.ToWide(nullptr)) || !theme) return 0;
    // Reopening reloaded the library: the old address may be gone with it.
    draw = drawBackground.Resolve(library);
    if (!draw) return 0;
    result = draw(theme, dc, part, state, rect, nullptr);
  }
  return result == S_OK;
}

int ThemeData::IsPartDefined(int part, int state) {
  auto query = partDefined.Resolve(library);
  return theme && query && query(theme, part, state) ? 1 : 0;
}

int ThemeData::IsPartiallyTransparent(int part, int state) {
  auto query = partiallyTransparent.Resolve(library);
  return query && query(theme, part, state) ? 1 : 0;
}

void ThemeData::DrawParentBackground(HDC dc, const RECT* rect) {
  auto draw = drawParentBackground.Resolve(library);
  if (draw) draw(window, dc, const_cast<RECT*>(rect));  // declared without const
}
