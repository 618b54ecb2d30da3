// ThemeData and SeparatorLine against fake_uxtheme.dll (see there for its
// script and log), which the product loads as "uxtheme.dll": while a test
// runs, this program's import of LoadLibraryA points at a loader that swaps
// the name.
#include "ui/theme_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_window.h"
#include "support/test_support.h"
#include "ui/separator_line.h"

typedef HMODULE(WINAPI* Loader)(const char*);
extern "C" Loader loadLibraryImport asm("__imp__LoadLibraryA@4");

namespace {

const Loader realLoadLibrary = loadLibraryImport;
std::string fakePath;

HMODULE WINAPI LoadSwapped(const char* name) {
  return realLoadLibrary(lstrcmpiA(name, "uxtheme.dll") ? name : fakePath.c_str());
}

// Makes testbin\fakes\<fake> this program's uxtheme.dll, with `script` and
// an empty log, for its lifetime.
class FakeUxtheme {
 public:
  FakeUxtheme(const char* fake, const char* script) {
    fakePath = testing_support::BuildPath(std::string("testbin\\fakes\\") + fake);
    SetEnvironmentVariableA("FAKE_UXTHEME", script);
    SetEnvironmentVariableA("FAKE_UXTHEME_LOG", "");
    Point(&LoadSwapped);
  }
  ~FakeUxtheme() { Point(realLoadLibrary); }
  static std::string Log() {
    char text[4096] = "";
    GetEnvironmentVariableA("FAKE_UXTHEME_LOG", text, sizeof(text));
    return text;
  }
  // Adds the test's own word to the log.
  static void Note(const std::string& word) { SetEnvironmentVariableA("FAKE_UXTHEME_LOG", (Log() + word).c_str()); }

 private:
  static void Point(Loader loader) {
    DWORD protection;
    VirtualProtect(&loadLibraryImport, sizeof(loadLibraryImport), PAGE_READWRITE, &protection);
    loadLibraryImport = loader;
    VirtualProtect(&loadLibraryImport, sizeof(loadLibraryImport), protection, &protection);
  }
};

// Steps: o Open with "Toolbar", b Open without a class list, d DrawBackground,
// c Close; the test notes their results as O<r>, R<r> and X.
TEST(ThemeDataTest, ScriptedUxtheme) {
  const struct {
    const char* fake;
    const char* script;
    const char* steps;
    const char* log;
  } kCases[] = {
      // A stale handle reopens once; closing twice closes once.
      {"fake_uxtheme.dll", "9 80070006 1", "oddcc",
       " L T1 O1 D1:6:1=80070006 A1 C1 L T2 D2:6:1=0 R1 D2:6:1=0 R1 C2 X X"},
      {"fake_uxtheme.dll", "1 80070006 1", "od", " L T1 O1 D1:6:1=80070006 A1 C1 L T0 R0"},  // reopens nothing
      {"fake_uxtheme.dll", "9 80070006 0", "odc", " L T1 O1 D1:6:1=80070006 A0 R0 C1 X"},  // no theme active
      {"fake_uxtheme.dll", "9 0 1", "bc", " L O1 X"},  // no class list: bound, nothing opened
      {"fake_empty.dll", "9 0 1", "od", " O0 R0"},     // a library without the theme functions
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    FakeUxtheme fake(kCases[i].fake, kCases[i].script);
    ThemeData theme;
    RECT rect = {0, 0, 10, 3};
    for (const char* step = kCases[i].steps; *step; ++step) {
      if (*step == 'o' || *step == 'b') fake.Note(" O" + std::to_string(theme.Open(nullptr, *step == 'o' ? L"Toolbar" : nullptr)));
      if (*step == 'd') fake.Note(" R" + std::to_string(theme.DrawBackground(nullptr, 6, 1, &rect)));
      if (*step == 'c') theme.Close(), fake.Note(" X");
    }
    EXPECT_EQ(fake.Log(), kCases[i].log);
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
    FakeUxtheme fake("fake_uxtheme.dll", etched ? "9 80004005 1" : "9 0 1");
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
    EXPECT_EQ(fake.Log(), etched ? " L T1 D1:6:1=80004005 C1" : " L T1 D1:6:1=0 C1");
    DestroyWindow(item);
  }
}

}  // namespace
