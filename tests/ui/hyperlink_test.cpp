#include "ui/hyperlink.h"

#include <gtest/gtest.h>

#include <string>

#include "link_render.h"
#include "support/test_support.h"

namespace {

const char kSettings[] = "Software\\Microsoft\\Internet Explorer\\Settings";
const char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 128, 0), kDefaultLink = 0xCC6600;

// Every Internet Explorer value the link reads, removed after each test.
class HyperlinkTest : public testing::Test {
 protected:
  void SetUp() override {
    for (UserValue& value : values) value.Set(nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override { ClearTestParent(); }

  HWND MakeStatic(int width, DWORD style = 0) {
    return CreateWindowA("STATIC", "Static text", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE | style, 10, 10, width,
                         24, parent, reinterpret_cast<HMENU>(1006), nullptr, nullptr);
  }
  // Puts the cursor over the link's text and lets the link see it move.
  void Hover(HWND item, const Hyperlink& link) {
    POINT point = {link.TextExtent().cx / 2, 12};
    ClientToScreen(item, &point);
    SetCursorPos(point.x, point.y);
    SendMessageA(item, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, 12));
    ASSERT_TRUE(link.Flags() & Hyperlink::kHovering);
  }

  UserValue values[5] = {{kSettings, "Use Anchor Hover Color"}, {kSettings, "Anchor Color"},
                         {kSettings, "Anchor Color Hover"}, {kMain, "Anchor Underline"},
                         {kMain, "Use_DlgBox_Colors"}};
  HWND parent = TestParent();
};

// Colours and underline as drawn, idle and hovering: an underline is an
// unbroken run of the text colour nearly as wide as the text.
TEST_F(HyperlinkTest, ColoursAndUnderlineFollowTheLinkSettings) {
  const struct {
    const char* settings[4];  // the first four of `values`
    COLORREF idle, hovering;
    bool idleLine, hoverLine;
  } kCases[] = {
      {{"no", "0,255", "0,128,0", "hover"}, kDefaultLink, kDefaultLink, false, true},  // two numbers: ignored
      {{"YES", "300,0,0", "0,128,0", "HoVeR"}, RGB(44, 0, 0), kGreen, false, true},   // cut to 8 bits
      {{"no", "255,0,0", nullptr, "no"}, kRed, kRed, false, false},
      {{nullptr, "255,0,0", "0,128,0", "sometimes"}, kRed, kGreen, true, true},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const auto& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    for (int v = 0; v < 4; ++v) values[v].Set(c.settings[v]);
    HWND item = MakeStatic(200);
    Hyperlink link;
    link.Setup(item, "Web site", "", 0, 0);
    const int lineLength = link.TextExtent().cx * 8 / 10;
    ASSERT_GT(lineLength, 10);
    Pixels shown = RenderClient(item);
    EXPECT_GT(shown.Count(c.idle), 0);
    EXPECT_EQ(shown.LongestRun(c.idle) >= lineLength, c.idleLine);
    Hover(item, link);
    shown = RenderClient(item);
    EXPECT_GT(shown.Count(c.hovering), 0);
    if (c.hovering != c.idle) { EXPECT_EQ(shown.Count(c.idle), 0); }
    EXPECT_EQ(shown.LongestRun(c.hovering) >= lineLength, c.hoverLine);
    DestroyWindow(item);
  }
}

TEST_F(HyperlinkTest, FontShrinksOneUnitAtATimeToFitButNotBelowFour) {
  const struct {
    const char* caption;
    int width;
  } kCases[] = {{"www.example.com/drivers/receivers", 120},
                {"A caption that cannot fit however small the font becomes", 20}};
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const auto& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic(c.width);
    Hyperlink link;
    link.Setup(item, c.caption, "", 0, Hyperlink::kStartAtClientHeight);
    EXPECT_EQ(HeightOf(link.PlainFont()), HeightOf(link.UnderlinedFont()));
    ExpectLargestFit(item, link.UnderlinedFont(), c.caption, c.width, 24, false);
    if (i == 1) { EXPECT_EQ(HeightOf(link.UnderlinedFont()), 4); }
    DestroyWindow(item);
  }
}

// Which messages activate, seen as the parent's notification; then one real
// launch of a copy of the launch stub through the shell.
TEST_F(HyperlinkTest, ActivatesOnButtonUpAndKeyReleaseOnly) {
  const struct {
    UINT message;
    WPARAM wParam;
    bool hover;
    int opens;
  } kCases[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON, true, 0}, {WM_LBUTTONUP, 0, true, 1}, {WM_LBUTTONUP, 0, false, 0},
      {WM_KEYUP, VK_SPACE, false, 1},        {WM_KEYDOWN, VK_RETURN, false, 0}, {WM_KEYUP, 'A', false, 0},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    HWND item = MakeStatic(200);
    Hyperlink link;
    link.Setup(item, "Web site", "", 0, Hyperlink::kNotifyParent);
    if (kCases[i].hover) Hover(item, link);
    parentCommands = 0;
    SendMessageA(item, kCases[i].message, kCases[i].wParam, 0);
    EXPECT_EQ(parentCommands, kCases[i].opens) << "case " << i;
    DestroyWindow(item);
  }

  testing_support::ScratchFolder folder;
  const std::string program = folder.File("site.exe"), record = folder.File("launch_record.txt");
  ASSERT_TRUE(CopyFileA(testing_support::BuildPath("testbin\\launch_stub.exe").c_str(), program.c_str(), FALSE));
  HWND item = MakeStatic(200);
  Hyperlink link;
  link.Setup(item, "Web site", program.c_str(), 0, 0);
  SendMessageA(item, WM_KEYUP, VK_RETURN, 0);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000;) {
    if (GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    PumpFor(50);
  }
  EXPECT_NE(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES) << "the target was not opened";
  PumpFor(300);  // the stub ends before the folder goes
  DestroyWindow(item);
}

TEST_F(HyperlinkTest, TextsAreCutNotOverrunAndTheStaticKeepsNone) {
  const std::string longText(300, 'x');
  HWND item = MakeStatic(200);
  {
    Hyperlink link;
    link.Setup(item, longText.c_str(), longText.c_str(), 0, 0);
    EXPECT_EQ(std::string(link.Target()), longText.substr(0, Hyperlink::kTargetSize - 1));
    EXPECT_EQ(std::string(link.DisplayText()), longText);
    char buffer[16];
    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(SendMessageA(item, WM_GETTEXT, 10, reinterpret_cast<LPARAM>(buffer)), 9);
    EXPECT_EQ(std::string(buffer), longText.substr(0, 9));
    EXPECT_EQ(buffer[10], '#') << "written past the given size";
    Hyperlink masked;
    masked.Setup(MakeStatic(200), "Web site", "", 0, Hyperlink::kMasked);
    EXPECT_EQ(std::string(masked.DisplayText()), "********");
  }
  char buffer[32] = "unchanged";
  GetWindowTextA(item, buffer, sizeof(buffer));
  EXPECT_STREQ(buffer, "") << "the static itself keeps no text";
}

}  // namespace
