#include "ui/hyperlink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "control_window.h"
#include "support/test_support.h"

namespace {

// Puts the cursor over the link's text and lets the link see it move.
void Hover(HWND item, const Hyperlink& link) {
  POINT point = {link.TextExtent().cx / 2, 12};
  ClientToScreen(item, &point);
  SetCursorPos(point.x, point.y);
  SendMessageA(item, WM_MOUSEMOVE, 0, 0);
  EXPECT_TRUE(link.Flags() & Hyperlink::kHovering);
}

// Colours and underline as drawn, idle and hovering: an underline is an
// unbroken run of the text colour nearly as wide as the text.
TEST(HyperlinkTest, ColoursAndUnderlineFollowTheLinkSettings) {
  const char* const kValues[][2] = {{"Settings", "Use Anchor Hover Color"}, {"Settings", "Anchor Color"},
                                    {"Settings", "Anchor Color Hover"}, {"Main", "Anchor Underline"}};
  const struct {
    const char* settings[4];  // for kValues
    COLORREF idle, hovering;
    bool idleLine, hoverLine;
  } kCases[] = {
      {{"no", "0,255", "0,128,0", "no"}, 0xCC6600, 0xCC6600, false, false},  // two numbers: ignored
      {{"YES", "300,0,0", "0,128,0", "HoVeR"}, RGB(44, 0, 0), RGB(0, 128, 0), false, true},  // cut to 8 bits
      {{nullptr, "255,0,0", "0,128,0", "sometimes"}, RGB(255, 0, 0), RGB(0, 128, 0), true, true},
  };
  auto setValues = [&](const char* const* settings) {  // null removes them
    for (int v = 0; v < 4; ++v) {
      const std::string path = std::string("Software\\Microsoft\\Internet Explorer\\") + kValues[v][0];
      const char* text = settings ? settings[v] : nullptr;
      if (text) RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), kValues[v][1], REG_SZ, text, lstrlenA(text) + 1);
      if (!text) RegDeleteKeyValueA(HKEY_CURRENT_USER, path.c_str(), kValues[v][1]);
    }
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    setValues(kCases[i].settings);
    HWND item = MakeStatic("", 200);
    Hyperlink link;
    link.Setup(item, "Web site", "", 0, 0);
    for (bool hovering : {false, true}) {
      if (hovering) Hover(item, link);
      const std::vector<COLORREF> shown = ClientPixels(item, RGB(255, 255, 255));
      const COLORREF colour = hovering ? kCases[i].hovering : kCases[i].idle;
      int longestRun = 0;
      for (size_t p = 0, run = 0; p < shown.size(); ++p)
        longestRun = std::max<int>(longestRun, run = shown[p] == colour ? (p % 200 ? run + 1 : 1) : 0);
      EXPECT_GT(std::count(shown.begin(), shown.end(), colour), 0) << hovering;
      EXPECT_EQ(longestRun >= link.TextExtent().cx * 8 / 10, hovering ? kCases[i].hoverLine : kCases[i].idleLine);
    }
    DestroyWindow(item);
  }
  setValues(nullptr);
}

// Which messages activate, seen as the parent's notification; then one real
// launch of a copy of the launch stub through the shell.
TEST(HyperlinkTest, ActivatesOnButtonUpAndKeyReleaseOnly) {
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
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic("", 200);
    Hyperlink link;
    link.Setup(item, "Web site", "", 0, Hyperlink::kNotifyParent);
    if (kCases[i].hover) Hover(item, link);
    parentCommands = 0;
    SendMessageA(item, kCases[i].message, kCases[i].wParam, 0);
    EXPECT_EQ(parentCommands, kCases[i].opens);
    DestroyWindow(item);
  }
  testing_support::ScratchFolder folder;
  const std::string program = folder.File("site.exe"), record = folder.File("launch_record.txt");
  ASSERT_TRUE(CopyFileA(testing_support::BuildPath("testbin\\launch_stub.exe").c_str(), program.c_str(), FALSE));
  HWND item = MakeStatic("", 200);
  Hyperlink link;
  link.Setup(item, "Web site", program.c_str(), 0, 0);
  SendMessageA(item, WM_KEYUP, VK_RETURN, 0);
  PumpFor(10000, [&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; });
  EXPECT_NE(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES) << "the target was not opened";
  PumpFor(300);  // the stub ends before the folder goes
  DestroyWindow(item);
}

TEST(HyperlinkTest, TextsAreCutNotOverrunAndTheStaticKeepsNone) {
  const std::string longText(300, 'x');
  HWND item = MakeStatic("Static text", 200);
  Hyperlink link, masked;
  link.Setup(item, longText.c_str(), longText.c_str(), 0, 0);
  EXPECT_EQ(link.Target(), longText.substr(0, Hyperlink::kTargetSize - 1));
  char buffer[16] = "###############";
  EXPECT_EQ(SendMessageA(item, WM_GETTEXT, 10, reinterpret_cast<LPARAM>(buffer)), 9);
  EXPECT_EQ(std::string(buffer, 11), longText.substr(0, 9) + '\0' + '#') << "cut to the size given";
  WCHAR own[8];
  EXPECT_EQ(InternalGetWindowText(item, own, 8), 0) << "the static itself keeps no text";
  masked.Setup(MakeStatic("", 200), "Web site", "", 0, Hyperlink::kMasked);
  EXPECT_STREQ(masked.DisplayText(), "********");
  DestroyWindow(item);
}

}  // namespace
