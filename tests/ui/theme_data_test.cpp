// ThemeData and SeparatorLine against a scripted uxtheme: while a test runs,
// this program's import of GetProcAddress hands the product the functions
// below for uxtheme.dll's theme names.
#include "ui/theme_data.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "control_window.h"
#include "ui/separator_line.h"

typedef FARPROC(WINAPI* Lookup)(HMODULE, const char*);
extern "C" Lookup getProcAddressImport asm("__imp__GetProcAddress@8");

namespace {

// The script: how many OpenThemeData calls answer a handle (1, 2, ...)
// before null, what the first DrawThemeBackground answers (later ones S_OK),
// what IsThemeActive answers, whether the functions exist. The calls are
// logged as T<handle answered>, D<handle>, A<answer>, C<handle>.
struct Script {
  int opens;
  HRESULT firstDraw;
  int active;
  bool exported;
} script;
int opened;
std::string calls;

LONG_PTR Note(const char* word, LONG_PTR value) { return calls += word + std::to_string(value), value; }

HTHEME WINAPI Open(HWND, LPCWSTR) { return HTHEME(Note(" T", ++opened <= script.opens ? opened : 0)); }
HRESULT WINAPI Draw(HTHEME theme, HDC, int, int, const RECT*, const RECT*) {
  const bool first = calls.find(" D") == std::string::npos;
  return Note(" D", LONG_PTR(theme)), first ? script.firstDraw : S_OK;
}
BOOL WINAPI IsActive() { return Note(" A", script.active); }
HRESULT WINAPI Close(HTHEME theme) { return Note(" C", LONG_PTR(theme)), S_OK; }

template <typename F>
FARPROC Proc(F* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const Lookup realGetProcAddress = getProcAddressImport;

FARPROC WINAPI ScriptedLookup(HMODULE module, const char* name) {
  const std::map<std::string, FARPROC> kFakes = {{"OpenThemeData", Proc(Open)}, {"DrawThemeBackground", Proc(Draw)},
                                                 {"IsThemeActive", Proc(IsActive)}, {"CloseThemeData", Proc(Close)}};
  if (module != GetModuleHandleA("uxtheme.dll")) return realGetProcAddress(module, name);
  return script.exported && kFakes.count(name) ? kFakes.at(name) : nullptr;
}

// Runs `script` with a fresh log while it lives.
struct Scripted {
  explicit Scripted(const Script& run) { script = run, opened = 0, calls.clear(), Point(&ScriptedLookup); }
  ~Scripted() { Point(realGetProcAddress); }
  static void Point(Lookup lookup) {
    DWORD protection;
    VirtualProtect(&getProcAddressImport, sizeof(lookup), PAGE_READWRITE, &protection);
    getProcAddressImport = lookup;
    VirtualProtect(&getProcAddressImport, sizeof(lookup), protection, &protection);
  }
};

// Steps: o Open with "Toolbar", b Open without a class list, d DrawBackground,
// c Close; the test logs their results as O<r>, R<r> and X.
TEST(ThemeDataTest, ScriptedUxtheme) {
  const struct {
    Script script;
    const char* steps;
    const char* log;
  } kCases[] = {
      // A stale handle reopens once; closing twice closes once.
      {{9, E_HANDLE, 1, true}, "oddcc", " T1 O1 D1 A1 C1 T2 D2 R1 D2 R1 C2 X X"},
      {{1, E_HANDLE, 1, true}, "od", " T1 O1 D1 A1 C1 T0 R0"},  // the reopen opens none
      {{9, E_HANDLE, 0, true}, "odc", " T1 O1 D1 A0 R0 C1 X"},  // no theme active
      {{9, E_FAIL, 1, true}, "od", " T1 O1 D1 R0"},
      {{9, S_OK, 1, true}, "bc", " O1 X"},     // without a class list: bound, nothing opened
      {{9, S_OK, 1, false}, "od", " O0 R0"},  // a library without the theme functions
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    Scripted scripted(kCases[i].script);
    ThemeData theme;
    const RECT rect = {0, 0, 10, 3};
    for (const char* step = kCases[i].steps; *step; ++step) {
      if (*step == 'o' || *step == 'b') Note(" O", theme.Open(nullptr, *step == 'o' ? L"Toolbar" : nullptr));
      if (*step == 'd') Note(" R", theme.DrawBackground(nullptr, 6, 1, &rect));
      if (*step == 'c') theme.Close(), calls += " X";
    }
    EXPECT_EQ(calls, kCases[i].log);
  }
}

// A 100 x 1 static at (20, 30) becomes a 103 x 3 band at (18, 29), without
// its static edge. Where the theme draws nothing else is drawn; where it
// fails, the etched line's shadow row covers the static's own columns and
// row. Release restores the static and closes the theme.
TEST(SeparatorLineTest, ThemeLineElseEtched) {
  const COLORREF kMarker = RGB(255, 0, 255);
  for (bool etched : {false, true}) {
    SCOPED_TRACE(etched ? "etched" : "themed");
    Scripted scripted({9, etched ? E_FAIL : S_OK, 1, true});
    HWND item = CreateWindowExA(WS_EX_STATICEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 30, 100, 1,
                                TestParent(), nullptr, nullptr, nullptr);
    const LONG_PTR classProcedure = GetWindowLongPtrA(item, GWLP_WNDPROC);
    SeparatorLine line, second;
    EXPECT_NE(line.Attach(item), 0);
    EXPECT_EQ(second.Attach(item), 0) << "one separator per window";
    RECT placed;
    GetWindowRect(item, &placed);
    MapWindowPoints(nullptr, TestParent(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(std::vector<LONG>({placed.left, placed.top, placed.right, placed.bottom}),
              std::vector<LONG>({18, 29, 121, 32}));
    EXPECT_EQ(GetWindowLongA(item, GWL_EXSTYLE) & (WS_EX_TRANSPARENT | WS_EX_STATICEDGE), WS_EX_TRANSPARENT);
    std::vector<COLORREF> expected(3 * 103, kMarker);
    for (int x = 2; etched && x < 102; ++x)
      expected[103 + x] = GetSysColor(COLOR_BTNSHADOW), expected[206 + x] = GetSysColor(COLOR_BTNHIGHLIGHT);
    EXPECT_EQ(ClientPixels(item, kMarker), expected);
    line.Release();
    EXPECT_EQ(GetWindowLongPtrA(item, GWLP_WNDPROC), classProcedure);
    EXPECT_EQ(calls, " T1 D1 C1");
    DestroyWindow(item);
  }
}

}  // namespace
