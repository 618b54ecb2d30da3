// ThemeData and SeparatorLine: in this process against the prefix's own
// uxtheme.dll, and in controls_host beside a fake uxtheme.dll whose calls
// are logged.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "ui/separator_line.h"
#include "ui/separator_render.h"
#include "ui/theme_data.h"

namespace {

using testing_support::FakeFolder;

// A 100 x 1 static at (20, 30) becomes a 103 x 3 band at (18, 29); the etched
// line's shadow row covers exactly the static's original columns and row.
const char kPlacement[] = "18 29 103 3";
const std::vector<std::string> kEtchedRows = {std::string(103, 'm'), "mm" + std::string(100, 's') + "m",
                                              "mm" + std::string(100, 'h') + "m"};

TEST(ThemeDataTest, VisualStylesOffKeepTheLibraryBoundAndTheSeparatorEtched) {
  HWND parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  HWND item = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 30, 100, 1, parent, nullptr,
                            nullptr, nullptr);
  ASSERT_TRUE(TurnOffVisualStyles(item));
  ThemeData theme;
  if (theme.Open(item, L"Toolbar")) GTEST_SKIP() << "SetWindowTheme did not turn visual styles off";
  EXPECT_TRUE(theme.Bound());
  theme.Close();
  EXPECT_FALSE(theme.Bound());

  const WNDPROC classProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(item, GWLP_WNDPROC));
  SeparatorLine line, second;
  EXPECT_NE(line.Attach(item), 0);
  EXPECT_EQ(PlacementText(item), kPlacement);
  EXPECT_EQ(GetWindowLongA(item, GWL_EXSTYLE) & (WS_EX_TRANSPARENT | WS_EX_STATICEDGE), WS_EX_TRANSPARENT);
  EXPECT_EQ(RenderRows(item), kEtchedRows);
  EXPECT_EQ(second.Attach(item), 0) << "one separator per window";
  EXPECT_EQ(PlacementText(item), kPlacement) << "a refused attach moves nothing";
  line.Release();
  line.Release();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(item, GWLP_WNDPROC)), classProcedure);
  EXPECT_EQ(GetPropA(item, SubclassHook<kSeparatorFamily>::kPropertyName.text), nullptr);
  DestroyWindow(parent);
}

// The log lines a list of short tokens stands for: the fake's L<ok> (load),
// T<n> (OpenThemeData giving handle n, 0 none), d<n>/s<n>/f<n> (drawing on
// handle n succeeds / finds it stale / fails), A<ok> (IsThemeActive),
// C<n> (CloseThemeData); the host's O<r>, D<r>, X (Open, DrawBackground,
// Close), and the separator's attach, etched|themed rows and release.
std::vector<std::string> Expand(const std::string& tokens) {
  const std::map<char, std::string> lines = {
      {'L', "uxtheme.load -> "}, {'T', "uxtheme.OpenThemeData Toolbar -> "}, {'d', "0x00000000"},
      {'s', "0x80070006"},       {'f', "0x80004005"},                        {'A', "uxtheme.IsThemeActive -> "},
      {'C', "uxtheme.CloseThemeData "}, {'O', "host.Open "},                 {'D', "host.DrawBackground "}};
  std::vector<std::string> out;
  std::istringstream in(tokens);
  for (std::string token; in >> token;) {
    const std::string handle = token.size() == 2 && token[1] != '0' ? std::string("0007E00") + token[1] : "00000000";
    const char kind = token.size() == 2 ? token[0] : 0;
    if (kind == 'd' || kind == 's' || kind == 'f')
      out.push_back("uxtheme.DrawThemeBackground " + handle + " part 6 state 1 clip null -> " + lines.at(kind));
    else if (kind == 'T' || kind == 'C')
      out.push_back(lines.at(kind) + handle);
    else if (kind && lines.count(kind))
      out.push_back(lines.at(kind) + token[1]);
    else if (token == "attach")
      out.insert(out.end(), {"host.Attach 1", std::string("host.placement ") + kPlacement});
    else if (token == "etched" || token == "themed")
      for (size_t y = 0; y < 3; ++y)
        out.push_back("host.row " + std::to_string(y) + " " + (token == "etched" ? kEtchedRows[y] : std::string(103, 'm')));
    else if (token == "release")
      out.insert(out.end(), {"host.Release", "host.end"});
    else
      out.push_back(token == "X" ? "host.Close" : token);
  }
  return out;
}

struct HostCase {
  const char* fake;
  FakeFolder::Environment environment;
  const char* arguments;
  const char* log;
};

TEST(ThemeDataHostTest, ScriptedUxtheme) {
  const char* kStale = "FAKE_UXTHEME_DRAW";
  const HostCase cases[] = {
      // A stale handle reopens once; closing twice closes once.
      {"uxtheme.dll", {{kStale, "0x80070006"}}, "theme open draw draw close close",
       "L1 T1 O1 s1 A1 C1 L1 T2 d2 D1 d2 D1 C2 X X"},
      // A reopen that opens no theme returns 0.
      {"uxtheme.dll", {{kStale, "0x80070006"}, {"FAKE_UXTHEME_OPEN", "1;0"}}, "theme open draw",
       "L1 T1 O1 s1 A1 C1 L1 T0 D0"},
      // A stale handle with no active theme keeps the theme.
      {"uxtheme.dll", {{kStale, "0x80070006"}, {"FAKE_UXTHEME_ACTIVE", "0"}}, "theme open draw close",
       "L1 T1 O1 s1 A0 D0 C1 X"},
      {"uxtheme.dll", {}, "theme bare close", "L1 O1 X"},  // no class list binds without opening
      {"fake_empty.dll", {}, "theme open draw", "O0 D0"},  // a library without the theme functions
      // The separator: the theme's line, or the etched one without uxtheme or
      // when drawing fails; Release closes the theme, destruction does not.
      {"uxtheme.dll", {}, "separator", "L1 T1 attach d1 themed C1 release"},
      {"uxtheme.dll", {{kStale, "0x80004005"}}, "separator", "L1 T1 attach f1 etched C1 release"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    FakeFolder folder;
    ASSERT_TRUE(folder.AddFake(cases[i].fake, "uxtheme.dll"));
    ASSERT_TRUE(folder.AddProgram("controls_host.exe"));
    DWORD exitCode = 99;
    ASSERT_TRUE(folder.Run("controls_host.exe", cases[i].arguments, cases[i].environment, 60000, &exitCode));
    EXPECT_EQ(exitCode, 0u) << "the host must not crash";
    EXPECT_EQ(folder.LogLines(), Expand(cases[i].log));
  }
}

}  // namespace
