#include "ui/theme_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "ui/separator_render.h"

namespace {

using testing_support::FakeFolder;

TEST(ThemeDataTest, VisualStylesOffKeepTheLibraryBoundAndDrawNothing) {
  HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(TurnOffVisualStyles(window));
  {
    ThemeData theme;
    if (theme.Open(window, L"Toolbar")) {
      DestroyWindow(window);
      GTEST_SKIP() << "SetWindowTheme did not turn visual styles off";
    }
    EXPECT_TRUE(theme.Bound());
    EXPECT_EQ(theme.Theme(), nullptr);
    RECT rect = {0, 0, 10, 3};
    HDC dc = GetDC(window);
    EXPECT_EQ(theme.DrawBackground(dc, 6, 1, &rect), 0);
    ReleaseDC(window, dc);
    EXPECT_EQ(theme.Open(window, nullptr), 1) << "bound without a class list";
    theme.Close();
    EXPECT_FALSE(theme.Bound());
  }
  DestroyWindow(window);
}

TEST(ThemeDataTest, ActiveThemeOpensAndDrawsTheToolbarSeparator) {
  HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
  ASSERT_NE(window, nullptr);
  ThemeData theme;
  if (!theme.Open(window, L"Toolbar")) {
    DestroyWindow(window);
    GTEST_SKIP() << "no visual style is active in this prefix";
  }
  EXPECT_NE(theme.Theme(), nullptr);
  RECT rect = {0, 0, 10, 3};
  HDC dc = GetDC(window);
  EXPECT_EQ(theme.DrawBackground(dc, 6, 1, &rect), 1);
  ReleaseDC(window, dc);
  theme.Close();
  EXPECT_EQ(theme.Theme(), nullptr);
  EXPECT_FALSE(theme.Bound());
  DestroyWindow(window);
}

struct HostCase {
  const char* name;
  const char* fake;
  FakeFolder::Environment environment;
  const char* steps;
  std::vector<std::string> log;
};

TEST(ThemeDataHostTest, ScriptedUxtheme) {
  const std::string draw = "uxtheme.DrawThemeBackground ";
  const std::string drawn = " part 6 state 1 clip null -> 0x00000000";
  const std::string stale = " part 6 state 1 clip null -> 0x80070006";
  const HostCase cases[] = {
      {"stale handle reopens once, close twice closes once",
       "uxtheme.dll",
       {{"FAKE_UXTHEME_DRAW", "0x80070006"}},
       "open draw draw close close",
       {"uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 0007E001", "host.Open 1",
        draw + "0007E001" + stale, "uxtheme.IsThemeActive -> 1", "uxtheme.CloseThemeData 0007E001",
        "uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 0007E002", draw + "0007E002" + drawn,
        "host.DrawBackground 1", draw + "0007E002" + drawn, "host.DrawBackground 1",
        "uxtheme.CloseThemeData 0007E002", "host.Close", "host.Close"}},
      {"reopen that cannot load the library returns 0",
       "uxtheme.dll",
       {{"FAKE_UXTHEME_DRAW", "0x80070006"}, {"FAKE_UXTHEME_LOAD", "1;0"}},
       "open draw draw",
       {"uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 0007E001", "host.Open 1",
        draw + "0007E001" + stale, "uxtheme.IsThemeActive -> 1", "uxtheme.CloseThemeData 0007E001",
        "uxtheme.load -> 0", "host.DrawBackground 0", "host.DrawBackground 0"}},
      {"reopen that opens no theme returns 0 without drawing",
       "uxtheme.dll",
       {{"FAKE_UXTHEME_DRAW", "0x80070006"}, {"FAKE_UXTHEME_OPEN", "1;0"}},
       "open draw",
       {"uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 0007E001", "host.Open 1",
        draw + "0007E001" + stale, "uxtheme.IsThemeActive -> 1", "uxtheme.CloseThemeData 0007E001",
        "uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 00000000", "host.DrawBackground 0"}},
      {"stale handle with no active theme returns 0 and keeps the theme",
       "uxtheme.dll",
       {{"FAKE_UXTHEME_DRAW", "0x80070006"}, {"FAKE_UXTHEME_ACTIVE", "0"}},
       "open draw close",
       {"uxtheme.load -> 1", "uxtheme.OpenThemeData Toolbar -> 0007E001", "host.Open 1",
        draw + "0007E001" + stale, "uxtheme.IsThemeActive -> 0", "host.DrawBackground 0",
        "uxtheme.CloseThemeData 0007E001", "host.Close"}},
      {"no class list binds without opening",
       "uxtheme.dll",
       {},
       "bare close",
       {"uxtheme.load -> 1", "host.Open 1", "host.Close"}},
      {"no uxtheme: nothing opens or draws",
       "fake_failing.dll",
       {},
       "open draw close",
       {"host.Open 0", "host.DrawBackground 0", "host.Close"}},
      {"library without the theme functions",
       "fake_empty.dll",
       {},
       "open draw",
       {"host.Open 0", "host.DrawBackground 0"}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << cases[i].name);
    FakeFolder folder;
    ASSERT_TRUE(folder.AddFake(cases[i].fake, "uxtheme.dll"));
    ASSERT_TRUE(folder.AddProgram("controls_host.exe"));
    DWORD exitCode = 99;
    ASSERT_TRUE(folder.Run("controls_host.exe", std::string("theme ") + cases[i].steps,
                           cases[i].environment, 60000, &exitCode));
    EXPECT_EQ(exitCode, 0u) << "the host must not crash";
    EXPECT_EQ(folder.LogLines(), cases[i].log);
  }
}

}  // namespace
