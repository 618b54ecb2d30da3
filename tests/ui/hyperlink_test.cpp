#include "ui/hyperlink.h"

#include <gtest/gtest.h>

#include <string>

#include "link_render.h"
#include "support/test_support.h"

namespace {

using testing_support::BuildPath;
using testing_support::ScratchFolder;

const char kSettings[] = "Software\\Microsoft\\Internet Explorer\\Settings";
const char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
const COLORREF kDefaultLink = 0xCC6600;

// Every Internet Explorer value the link reads, put back after each test.
class HyperlinkTest : public testing::Test {
 protected:
  void SetUp() override {
    for (SavedUserValue* value : {&useHover, &anchor, &anchorHover, &underline, &dialogColours})
      value->Set(nullptr);
    parent = CreateTestParent(100, 100, 320, 80);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override { DestroyWindow(parent); }

  HWND MakeStatic(const char* text, int width, int height, DWORD style = 0) {
    return CreateWindowA("STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE | style, 10, 10,
                         width, height, parent, reinterpret_cast<HMENU>(1006), nullptr, nullptr);
  }
  // Puts the cursor over the link's text and lets the link see it move.
  void Hover(HWND item, const Hyperlink& link) {
    POINT point = {link.TextExtent().cx / 2, 12};
    ClientToScreen(item, &point);
    SetCursorPos(point.x, point.y);
    SendMessageA(item, WM_MOUSEMOVE, 0, MAKELPARAM(point.x, 12));
  }

  SavedUserValue useHover{kSettings, "Use Anchor Hover Color"};
  SavedUserValue anchor{kSettings, "Anchor Color"};
  SavedUserValue anchorHover{kSettings, "Anchor Color Hover"};
  SavedUserValue underline{kMain, "Anchor Underline"};
  SavedUserValue dialogColours{kMain, "Use_DlgBox_Colors"};
  HWND parent = nullptr;
};

TEST_F(HyperlinkTest, ColoursFollowTheLinkSettings) {
  struct Case {
    const char* useHoverValue;
    const char* anchorValue;
    const char* anchorHoverValue;
    COLORREF idle;
    COLORREF hovering;
  } const kCases[] = {
      {nullptr, "255,0,0", "0,128,0", RGB(255, 0, 0), RGB(0, 128, 0)},
      {nullptr, "0,255", nullptr, kDefaultLink, 0},  // two numbers: ignored
      {nullptr, "300,0,0", nullptr, RGB(44, 0, 0), 0},  // cut to 8 bits
      {"no", "255,0,0", "0,128,0", RGB(255, 0, 0), RGB(255, 0, 0)},
      {"YES", "255,0,0", "0,128,0", RGB(255, 0, 0), RGB(0, 128, 0)},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    useHover.Set(c.useHoverValue);
    anchor.Set(c.anchorValue);
    anchorHover.Set(c.anchorHoverValue);
    HWND item = MakeStatic("Web site", 200, 24);
    Hyperlink link;
    link.Setup(item, "Web site", "", 0, 0);
    EXPECT_EQ(link.LinkColour(), c.idle);
    EXPECT_GT(CountColour(RenderClient(item), c.idle), 0);
    if (c.hovering) {
      Hover(item, link);
      ASSERT_TRUE(link.Flags() & Hyperlink::kHovering);
      const Pixels shown = RenderClient(item);
      EXPECT_GT(CountColour(shown, c.hovering), 0);
      if (c.hovering != c.idle) {
        EXPECT_EQ(CountColour(shown, c.idle), 0);
      }
    }
    DestroyWindow(item);
  }
}

TEST_F(HyperlinkTest, UnderlineFollowsAnchorUnderline) {
  struct Case {
    const char* value;
    int mode;
    bool idleLine;
    bool hoverLine;
  } const kCases[] = {
      {nullptr, Hyperlink::kAlways, true, true},
      {"hover", Hyperlink::kWhileHovering, false, true},
      {"HoVeR", Hyperlink::kWhileHovering, false, true},
      {"no", Hyperlink::kNever, false, false},
      {"yes", Hyperlink::kAlways, true, true},
      {"sometimes", Hyperlink::kAlways, true, true},
  };
  useHover.Set("no");  // keep one colour to look for
  anchor.Set("255,0,0");
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    underline.Set(c.value);
    HWND item = MakeStatic("Web site", 200, 24);
    Hyperlink link;
    link.Setup(item, "Web site", "", 0, 0);
    EXPECT_EQ(link.UnderlineMode(), c.mode);
    // An underline is an unbroken run of the link colour nearly as wide as
    // the text; letters alone never make one.
    const int lineLength = link.TextExtent().cx * 8 / 10;
    ASSERT_GT(lineLength, 10);
    EXPECT_EQ(LongestRun(RenderClient(item), RGB(255, 0, 0)) >= lineLength, c.idleLine);
    Hover(item, link);
    ASSERT_TRUE(link.Flags() & Hyperlink::kHovering);
    EXPECT_EQ(LongestRun(RenderClient(item), RGB(255, 0, 0)) >= lineLength, c.hoverLine);
    DestroyWindow(item);
  }
}

// Extent of `text` in the face and underline of `model` at `height`.
SIZE ExtentAt(HWND item, HFONT model, int height, const char* text) {
  return MeasureAt(item, model, height, [text](HDC dc) {
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    return extent;
  });
}

TEST_F(HyperlinkTest, FontShrinksOneUnitAtATimeToFitButNotBelowFour) {
  struct Case {
    const char* caption;
    int width;
  } const kCases[] = {
      {"Short", 200},
      {"www.example.com/drivers/receivers", 120},
      {"A caption that cannot fit however small the font becomes", 20},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic("", c.width, 24);
    Hyperlink link;
    link.Setup(item, c.caption, "", 0, Hyperlink::kStartAtClientHeight);
    const int height = HeightOf(link.UnderlinedFont());
    EXPECT_EQ(HeightOf(link.PlainFont()), height);
    EXPECT_GE(height, 4);
    EXPECT_LE(height, 24);
    const SIZE chosen = ExtentAt(item, link.UnderlinedFont(), height, c.caption);
    if (height > 4) {
      EXPECT_LE(chosen.cx, c.width);
      EXPECT_LT(chosen.cy, 24);
    }
    if (height < 24) {
      const SIZE larger = ExtentAt(item, link.UnderlinedFont(), height + 1, c.caption);
      EXPECT_TRUE(larger.cx > c.width || larger.cy >= 24) << "one unit larger fits too";
    }
    if (i == 2) {
      EXPECT_EQ(height, 4);
    }
    DestroyWindow(item);
  }
}

// A copy of the launch stub in a scratch folder; its record shows a launch.
class LaunchTarget {
 public:
  LaunchTarget() : program(folder.File("site.exe")), record(folder.File("launch_record.txt")) {
    CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), program.c_str(), FALSE);
  }
  bool Launched(DWORD waitMs) {
    const DWORD start = GetTickCount();
    do {
      if (GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
      PumpFor(50);
    } while (GetTickCount() - start < waitMs);
    return false;
  }
  void Forget() {
    Launched(500);  // a late launch must not count for the next case
    DeleteFileA(record.c_str());
  }
  ScratchFolder folder;
  std::string program;
  std::string record;
};

TEST_F(HyperlinkTest, OpensOnButtonUpAndKeyReleaseOnly) {
  LaunchTarget target;
  ASSERT_NE(GetFileAttributesA(target.program.c_str()), INVALID_FILE_ATTRIBUTES);
  struct Case {
    UINT message;
    WPARAM wParam;
    bool hover;
    bool emptyTarget;
    bool opens;
  } const kCases[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON, true, false, false},
      {WM_LBUTTONDBLCLK, MK_LBUTTON, true, false, false},
      {WM_LBUTTONUP, 0, true, false, true},
      {WM_KEYUP, VK_RETURN, false, false, true},
      {WM_KEYUP, VK_SPACE, false, false, true},
      {WM_KEYDOWN, VK_RETURN, false, false, false},
      {WM_KEYUP, 'A', false, false, false},
      {WM_KEYUP, VK_RETURN, false, true, false},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic("", 200, 24);
    Hyperlink link;
    link.Setup(item, "Web site", c.emptyTarget ? "" : target.program.c_str(), 0, 0);
    if (c.hover) {
      Hover(item, link);
      ASSERT_TRUE(link.Flags() & Hyperlink::kHovering);
    }
    SendMessageA(item, c.message, c.wParam, 0);
    EXPECT_EQ(target.Launched(c.opens ? 10000 : 1500), c.opens);
    target.Forget();
    DestroyWindow(item);
  }
}

TEST_F(HyperlinkTest, LongTargetAndCaptionAreCutNotOverrun) {
  const std::string longText(300, 'x');
  HWND item = MakeStatic("", 200, 24);
  Hyperlink link;
  link.Setup(item, longText.c_str(), longText.c_str(), 0, 0);
  EXPECT_EQ(std::string(link.Target()), longText.substr(0, Hyperlink::kTargetSize - 1));
  EXPECT_EQ(std::string(link.DisplayText()), longText);

  char buffer[16];
  memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(SendMessageA(item, WM_GETTEXT, 10, reinterpret_cast<LPARAM>(buffer)), 9);
  EXPECT_EQ(std::string(buffer), longText.substr(0, 9));
  EXPECT_EQ(buffer[10], '#') << "written past the given size";
  EXPECT_EQ(SendMessageA(item, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_EQ(buffer[0], 'x') << "a size of 0 copies nothing";
  DestroyWindow(item);
}

TEST_F(HyperlinkTest, MaskedCaptionAndTheStaticsOwnTextCleared) {
  HWND item = MakeStatic("Static text", 200, 24);
  {
    Hyperlink link;
    link.Setup(item, "Web site", "", 0, Hyperlink::kMasked);
    EXPECT_EQ(std::string(link.DisplayText()), "********");
    EXPECT_TRUE(GetWindowLongA(item, GWL_STYLE) & SS_NOTIFY);
    EXPECT_TRUE(link.Flags() & Hyperlink::kNoFocusRect) << "no WS_TABSTOP";
    char buffer[32] = {};
    GetWindowTextA(item, buffer, sizeof(buffer));
    EXPECT_STREQ(buffer, "Web site") << "the link answers with its caption";
  }
  char buffer[32] = "unchanged";
  GetWindowTextA(item, buffer, sizeof(buffer));
  EXPECT_STREQ(buffer, "") << "the static itself keeps no text";
  DestroyWindow(item);
}

}  // namespace
