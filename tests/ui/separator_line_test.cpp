// SeparatorLine, and the ThemeData under it, against a scripted uxtheme:
// while a test runs, this program's import of GetProcAddress hands the
// product the functions below for uxtheme.dll's theme names.
#include "ui/separator_line.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "control_window.h"

typedef FARPROC(WINAPI* Lookup)(HMODULE, const char*);
extern "C" Lookup getProcAddressImport asm("__imp__GetProcAddress@8");

// How many OpenThemeData calls answer a handle (1, 2, ...) before null, what
// the first DrawThemeBackground answers (later ones S_OK), what
// IsThemeActive answers, whether the functions exist, whether the theme
// defines the part. The calls are logged as T<handle answered>,
// P<answer>, D<handle>, A<answer>, C<handle>.
static struct Plan { int opens; HRESULT firstDraw; int active; bool exported; int defined = 1; int given = 0; } plan;
static std::string calls;

static LONG_PTR Note(const char* word, LONG_PTR value) { return calls += word + std::to_string(value), value; }
static HTHEME WINAPI Open(HWND, LPCWSTR) { return HTHEME(Note(" T", ++plan.given <= plan.opens ? plan.given : 0)); }
static HRESULT WINAPI Draw(HTHEME theme, HDC, int, int, const RECT*, const RECT*) {
  return Note(" D", LONG_PTR(theme)), std::exchange(plan.firstDraw, S_OK);
}
static BOOL WINAPI IsActive() { return Note(" A", plan.active); }
static BOOL WINAPI IsDefined(HTHEME, int part, int state) { return Note(" P", plan.defined && part == 6 && state == 1); }
static HRESULT WINAPI Close(HTHEME theme) { return Note(" C", LONG_PTR(theme)), S_OK; }

template <typename F>
static FARPROC Proc(F* function) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function)); }

static const Lookup realGetProcAddress = getProcAddressImport;

static FARPROC WINAPI ScriptedLookup(HMODULE module, const char* name) {
  const std::map<std::string, FARPROC> kFakes = {{"OpenThemeData", Proc(Open)}, {"DrawThemeBackground", Proc(Draw)},
                                                 {"IsThemeActive", Proc(IsActive)}, {"CloseThemeData", Proc(Close)},
                                                 {"IsThemePartDefined", Proc(IsDefined)}};
  if (module != GetModuleHandleA("uxtheme.dll")) return realGetProcAddress(module, name);
  return plan.exported && kFakes.count(name) ? kFakes.at(name) : nullptr;
}

// A 100 x 1 static at (20, 30) becomes a 103 x 3 band at (18, 29), without
// its static edge, and shows the theme's line or, where the theme cannot
// draw or lacks the part (it may still answer S_OK to drawing it), an etched
// line whose shadow row covers the static's own columns and row. A stale handle, while a theme is active, is reopened once to draw
// again. Release restores the static and closes the theme once.
TEST(SeparatorLineTest, ThemeLineElseEtched) {
  const struct { Plan plan; bool etched; const char* log; } kCases[] = {
      {{9, S_OK, 1, true}, false, " T1 P1 D1 C1"},
      {{9, S_OK, 1, true, 0}, true, " T1 P0 C1"},  // the part undefined: not drawn at all
      {{9, E_FAIL, 1, true}, true, " T1 P1 D1 C1"},
      {{9, E_HANDLE, 1, true}, false, " T1 P1 D1 A1 C1 T2 D2 C2"},
      {{1, E_HANDLE, 1, true}, true, " T1 P1 D1 A1 C1 T0"},  // the reopen opens none
      {{9, E_HANDLE, 0, true}, true, " T1 P1 D1 A0 C1"},     // no theme active
      {{9, S_OK, 1, false}, true, ""},                     // a uxtheme without the theme functions
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    plan = kCases[i].plan, calls.clear();
    getProcAddressImport = &ScriptedLookup;  // mingw's import table stays writable
    HWND item = CreateWindowExA(WS_EX_STATICEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 30, 100, 1,
                                TestParent(), nullptr, nullptr, nullptr);
    const LONG_PTR classProcedure = GetWindowLongPtrA(item, GWLP_WNDPROC);
    SeparatorLine line, second;
    EXPECT_NE(line.Attach(item), 0);
    EXPECT_EQ(second.Attach(item), 0) << "one separator per window";
    POINT origin = {0, 0};
    MapWindowPoints(item, TestParent(), &origin, 1);
    EXPECT_EQ(std::make_pair(origin.x, origin.y), std::make_pair(18L, 29L));
    EXPECT_EQ(GetWindowLongA(item, GWL_EXSTYLE) & (WS_EX_TRANSPARENT | WS_EX_STATICEDGE), WS_EX_TRANSPARENT);
    std::vector<COLORREF> expected(3 * 103, RGB(255, 0, 255));  // the marker: nothing drawn
    for (int x = 2; kCases[i].etched && x < 102; ++x)
      expected[103 + x] = GetSysColor(COLOR_BTNSHADOW), expected[206 + x] = GetSysColor(COLOR_BTNHIGHLIGHT);
    EXPECT_EQ(ClientPixels(item, RGB(255, 0, 255)), expected);
    line.Release(), line.Release();  // the second does nothing
    EXPECT_EQ(GetWindowLongPtrA(item, GWLP_WNDPROC), classProcedure);
    EXPECT_EQ(calls, kCases[i].log);
    getProcAddressImport = realGetProcAddress;
    DestroyWindow(item);
  }
}

