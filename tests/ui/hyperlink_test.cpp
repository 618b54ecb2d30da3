#include "ui/hyperlink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "control_window.h"
#include "ui/dialog_font.h"
#include "support/test_support.h"

// A link on a new static; with `hover` the cursor is put over its text and
// the link told so.
static HWND MakeLink(Hyperlink* link, const char* caption, const char* target, DWORD options, bool hover) {
  HWND item = MakeStatic("", 200);
  link->Setup(item, caption, target, 0, options);
  POINT point = {link->TextExtent().cx / 2, 12};
  ClientToScreen(item, &point);
  if (hover) SetCursorPos(point.x, point.y), SendMessageA(item, WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ((link->Flags() & Hyperlink::kHovering) != 0, hover);
  return item;
}

// Colours and underline as drawn, idle and hovering: an underline is an
// unbroken run of the text colour nearly as wide as the text.
TEST(HyperlinkTest, ColoursAndUnderlineFollowTheLinkSettings) {
  const char* const kNames[] = {"Settings\0Use Anchor Hover Color", "Settings\0Anchor Color",
                                "Settings\0Anchor Color Hover", "Main\0Anchor Underline"};  // key, value
  const struct { const char* settings[4]; COLORREF colour[2]; bool underline[2]; } kCases[] = {  // idle, hovering
      {{"no", "0,255", "0,128,0", "no"}, {0xCC6600, 0xCC6600}, {false, false}},  // two numbers: ignored
      {{"YES", "300,0,0", "0,128,0", "HoVeR"}, {RGB(44, 0, 0), RGB(0, 128, 0)}, {false, true}},  // cut to 8 bits
      {{nullptr, "255,0,0", "0,128,0", "sometimes"}, {RGB(255, 0, 0), RGB(0, 128, 0)}, {true, true}},
      {{}, {}, {}},  // removes the values again
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    for (int v = 0; v < 4; ++v) {
      const std::string key = std::string("Software\\Microsoft\\Internet Explorer\\") + kNames[v];
      const char *name = kNames[v] + strlen(kNames[v]) + 1, *text = kCases[i].settings[v];
      text ? RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, text, strlen(text) + 1)
           : RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), name);
    }
    for (int hover = 0; hover < 2 && i + 1 < std::size(kCases); ++hover) {
      Hyperlink link;
      HWND item = MakeLink(&link, "Web site", "", 0, hover);
      const std::vector<COLORREF> shown = ClientPixels(item, 0);
      const COLORREF colour = kCases[i].colour[hover];
      const int line = link.TextExtent().cx * 8 / 10;  // the text is left-aligned: no run wraps a row
      EXPECT_GT(std::count(shown.begin(), shown.end(), colour), 0) << hover;
      EXPECT_EQ(std::search_n(shown.begin(), shown.end(), line, colour) != shown.end(), kCases[i].underline[hover])
          << hover;
      DestroyWindow(item);
    }
  }
}

// Which messages activate, seen as the parent's notification; then one real
// launch of a copy of the launch stub through the shell.
TEST(HyperlinkTest, ActivatesOnButtonUpAndKeyReleaseOnly) {
  const struct { UINT message; WPARAM wParam; bool hover; int opens; } kCases[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON, true, 0}, {WM_LBUTTONUP, 0, true, 1},  {WM_LBUTTONUP, 0, false, 0},
      {WM_KEYUP, VK_SPACE, false, 1},        {WM_KEYDOWN, VK_RETURN, false, 0}, {WM_KEYUP, 'A', false, 0}};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    Hyperlink link;
    HWND item = MakeLink(&link, "Web site", "", Hyperlink::kNotifyParent, kCases[i].hover);
    parentCommands = 0;
    SendMessageA(item, kCases[i].message, kCases[i].wParam, 0);
    EXPECT_EQ(parentCommands, kCases[i].opens);
    DestroyWindow(item);
  }
  testing_support::ScratchFolder folder;
  const std::string program = folder.File("site.exe"), record = folder.File("launch_record.txt");
  ASSERT_TRUE(CopyFileA(testing_support::BuildPath("testbin\\launch_stub.exe").c_str(), program.c_str(), FALSE));
  Hyperlink link;
  SendMessageA(MakeLink(&link, "Web site", program.c_str(), 0, false), WM_KEYUP, VK_RETURN, 0);
  PumpFor(10000, [&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; });
  EXPECT_NE(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES) << "the target was not opened";
  PumpFor(300);  // the stub ends before the folder goes
}

TEST(HyperlinkTest, TextsAreCutNotOverrunAndTheStaticKeepsNone) {
  const std::string longText(300, 'x');
  Hyperlink link, masked;
  HWND item = MakeLink(&link, longText.c_str(), longText.c_str(), 0, false);
  EXPECT_EQ(link.Target(), longText.substr(0, Hyperlink::kTargetSize - 1));
  char buffer[16] = "###############";
  EXPECT_EQ(SendMessageA(item, WM_GETTEXT, 10, reinterpret_cast<LPARAM>(buffer)), 9);
  EXPECT_EQ(std::string(buffer, 11), longText.substr(0, 9) + '\0' + '#') << "cut to the size given";
  EXPECT_EQ(GetWindowTextLengthA(item), 300) << "screen readers get the whole text";
  EXPECT_EQ(DefWindowProcA(item, WM_GETTEXTLENGTH, 0, 0), 0) << "the static itself keeps no text";
  MakeLink(&masked, "Web site", "", Hyperlink::kMasked, false);
  EXPECT_STREQ(masked.DisplayText(), "********");
}

// Hovering with a cursor the module lacks shows the hand, not no cursor.
TEST(HyperlinkTest, MissingCursorFallsBackToTheHand) {
  Hyperlink link;
  HWND item = MakeStatic("", 200);
  link.Setup(item, "Web site", "", 105, 0);
  EXPECT_EQ(CursorOnMove(item, link.TextExtent().cx / 2, 12), LoadCursorA(nullptr, IDC_HAND));
  DestroyWindow(item);
}

// With none of its faces installed the link takes the dialog's face, which
// exists; either way its glyphs are proportional.
TEST(HyperlinkTest, LinkFaceExistsAndIsProportional) {
  char face[LF_FACESIZE];
  ChooseLinkFace(0, "Tahoma", face);
  ASSERT_TRUE(FontExists(face, DEFAULT_CHARSET, nullptr)) << face;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face));
  SIZE narrow, wide;
  GetTextExtentPoint32A(dc, "iiiiiiii", 8, &narrow);
  GetTextExtentPoint32A(dc, "wwwwwwww", 8, &wide);
  EXPECT_LT(narrow.cx * 2, wide.cx) << face;
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
}

