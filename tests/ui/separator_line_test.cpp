#include "ui/separator_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "ui/separator_render.h"

namespace {

using testing_support::FakeFolder;

// A 100 x 1 static at (20, 30) becomes a 103 x 3 band at (18, 29); the etched
// line's shadow row covers exactly the static's original columns and row.
const char kPlacement[] = "18 29 103 3";
const std::vector<std::string> kEtchedRows = {
    std::string(103, 'm'),
    "mm" + std::string(100, 's') + "m",
    "mm" + std::string(100, 'h') + "m",
};

class SeparatorLineTest : public testing::Test {
 protected:
  void SetUp() override {
    parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                           nullptr);
    item = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 30, 100, 1,
                         parent, nullptr, nullptr, nullptr);
    ASSERT_NE(item, nullptr);
  }
  void TearDown() override { DestroyWindow(parent); }

  HWND parent = nullptr;
  HWND item = nullptr;
};

TEST_F(SeparatorLineTest, WithVisualStylesOffDrawsTheEtchedLineOnTheOriginalEdge) {
  ASSERT_TRUE(TurnOffVisualStyles(item));
  ThemeData probe;
  if (probe.Open(item, L"Toolbar")) GTEST_SKIP() << "SetWindowTheme did not turn visual styles off";
  const WNDPROC classProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(item, GWLP_WNDPROC));
  SeparatorLine line;
  EXPECT_NE(line.Attach(item), 0);
  EXPECT_EQ(PlacementText(item), kPlacement);
  LONG exStyle = GetWindowLongA(item, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TRANSPARENT);
  EXPECT_FALSE(exStyle & WS_EX_STATICEDGE);
  EXPECT_EQ(RenderRows(item), kEtchedRows);

  SeparatorLine second;
  EXPECT_EQ(second.Attach(item), 0) << "one separator per window";
  EXPECT_EQ(PlacementText(item), kPlacement) << "a refused attach moves nothing";

  line.Release();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(item, GWLP_WNDPROC)), classProcedure);
  EXPECT_EQ(GetPropA(item, SubclassHook<kSeparatorFamily>::kPropertyName.text), nullptr);
  line.Release();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(item, GWLP_WNDPROC)), classProcedure);
}

// The line drawn in a process whose uxtheme.dll is a fake (see controls_host).
struct HostCase {
  const char* fake;  // file in testbin\fakes copied as uxtheme.dll
  FakeFolder::Environment environment;
  bool etched;
  std::vector<std::string> themeCalls;  // the fake's lines, in order
};

TEST(SeparatorLineHostTest, ThemeOrEtchedLineAndOneRelease) {
  const HostCase cases[] = {
      // No uxtheme at all.
      {"fake_failing.dll", {}, true, {}},
      // A theme that draws: no etched line; the theme is closed once.
      {"uxtheme.dll",
       {},
       false,
       {"uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 0007E001",
        "uxtheme.DrawThemeBackground 0007E001 part 6 state 1 clip null -> 0x00000000",
        "uxtheme.CloseThemeData 0007E001"}},
      // A theme whose drawing fails: the etched line instead.
      {"uxtheme.dll",
       {{"FAKE_UXTHEME_DRAW", "0x80004005"}},
       true,
       {"uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 0007E001",
        "uxtheme.DrawThemeBackground 0007E001 part 6 state 1 clip null -> 0x80004005",
        "uxtheme.CloseThemeData 0007E001"}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    FakeFolder folder;
    ASSERT_TRUE(folder.AddFake(cases[i].fake, "uxtheme.dll")) << "case " << i;
    ASSERT_TRUE(folder.AddProgram("controls_host.exe")) << "case " << i;
    DWORD exitCode = 99;
    ASSERT_TRUE(folder.Run("controls_host.exe", "separator", cases[i].environment, 60000, &exitCode))
        << "case " << i;
    EXPECT_EQ(exitCode, 0u) << "case " << i;
    std::vector<std::string> themeCalls, host;
    for (const std::string& line : folder.LogLines())
      (line.compare(0, 8, "uxtheme.") == 0 ? themeCalls : host).push_back(line);
    EXPECT_EQ(themeCalls, cases[i].themeCalls) << "case " << i;
    std::vector<std::string> expected = {"host.Attach 1", std::string("host.placement ") + kPlacement};
    for (size_t y = 0; y < 3; ++y)
      expected.push_back("host.row " + std::to_string(y) + " " +
                         (cases[i].etched ? kEtchedRows[y] : std::string(103, 'm')));
    expected.push_back("host.Release");
    expected.push_back("host.end");
    EXPECT_EQ(host, expected) << "case " << i;
    // CloseThemeData comes before host.Release: Release closes, destruction does not.
    std::vector<std::string> all = folder.LogLines();
    if (!cases[i].themeCalls.empty() && all.size() >= 3) {
      EXPECT_EQ(all[all.size() - 3], cases[i].themeCalls.back()) << "case " << i;
    }
  }
}

}  // namespace
