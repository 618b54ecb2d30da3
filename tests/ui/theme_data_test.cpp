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
std::string swappedPath;

HMODULE WINAPI LoadSwapped(const char* name) {
  return realLoadLibrary(lstrcmpiA(name, "uxtheme.dll") ? name : swappedPath.c_str());
}

void PointImport(Loader loader) {
  DWORD protection;
  VirtualProtect(&loadLibraryImport, sizeof(loadLibraryImport), PAGE_READWRITE, &protection);
  loadLibraryImport = loader;
  VirtualProtect(&loadLibraryImport, sizeof(loadLibraryImport), protection, &protection);
}

// While it lives, testbin\fakes\<file> is this program's uxtheme.dll, and
// fake_uxtheme.dll is held loaded with `script` and an empty log.
struct FakeUxtheme {
  FakeUxtheme(const char* file, std::vector<long> script) {
    swappedPath = testing_support::BuildPath(std::string("testbin\\fakes\\") + file);
    std::copy(script.begin(), script.end(), reinterpret_cast<long*>(GetProcAddress(module, "uxthemeScript")));
    log[0] = '\0';
    PointImport(&LoadSwapped);
  }
  ~FakeUxtheme() {
    PointImport(realLoadLibrary);
    FreeLibrary(module);
  }
  HMODULE module = LoadLibraryA(testing_support::BuildPath("testbin\\fakes\\fake_uxtheme.dll").c_str());
  char* log = reinterpret_cast<char*>(GetProcAddress(module, "uxthemeLog"));
};

// Steps: o Open with "Toolbar", b Open without a class list, d DrawBackground,
// c Close; the test logs their results as O<r>, R<r> and X.
TEST(ThemeDataTest, ScriptedUxtheme) {
  const struct {
    const char* file;
    std::vector<long> script;
    const char* steps;
    const char* log;
  } kCases[] = {
      // A stale handle reopens once; closing twice closes once.
      {"fake_uxtheme.dll", {9, E_HANDLE, 1}, "oddcc", " T1 O1 D1:6:1=80070006 A1 C1 T2 D2:6:1=0 R1 D2:6:1=0 R1 C2 X X"},
      {"fake_uxtheme.dll", {1, E_HANDLE, 1}, "od", " T1 O1 D1:6:1=80070006 A1 C1 T0 R0"},  // the reopen opens none
      {"fake_uxtheme.dll", {9, E_HANDLE, 0}, "odc", " T1 O1 D1:6:1=80070006 A0 R0 C1 X"},  // no theme active
      {"fake_uxtheme.dll", {9, S_OK, 1}, "bc", " O1 X"},  // without a class list: bound, nothing opened
      {"fake_empty.dll", {9, S_OK, 1}, "od", " O0 R0"},   // a library without the theme functions
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    FakeUxtheme fake(kCases[i].file, kCases[i].script);
    ThemeData theme;
    const RECT rect = {0, 0, 10, 3};
    for (const char* step = kCases[i].steps; *step; ++step) {
      if (*step == 'o' || *step == 'b') sprintf(strchr(fake.log, 0), " O%d", theme.Open(nullptr, *step == 'o' ? L"Toolbar" : nullptr));
      if (*step == 'd') sprintf(strchr(fake.log, 0), " R%d", theme.DrawBackground(nullptr, 6, 1, &rect));
      if (*step == 'c') theme.Close(), strcat(fake.log, " X");
    }
    EXPECT_STREQ(fake.log, kCases[i].log);
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
    FakeUxtheme fake("fake_uxtheme.dll", {9, etched ? E_FAIL : S_OK, 1});
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
    EXPECT_STREQ(fake.log, etched ? " T1 D1:6:1=80004005 C1" : " T1 D1:6:1=0 C1");
    DestroyWindow(item);
  }
}

}  // namespace
