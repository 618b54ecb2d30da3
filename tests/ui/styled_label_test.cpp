#include "ui/styled_label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control_window.h"
#include "ui/drawn_text.h"

// The label takes over the window text and draws it in its colour; a new
// text is measured anew, and refits the font only with kRefitOnSetText.
TEST(StyledLabelTest, TakesOverTheTextAndRefitsOnlyWithItsOption) {
  for (DWORD options : {DWORD(StyledLabel::kRefitOnSetText), DWORD(0)}) {
    SCOPED_TRACE(options);
    HWND item = MakeStatic("Short", 200);
    StyledLabel label;
    StyledLabel::Settings settings;
    settings.textColour = RGB(128, 0, 0), settings.options = options;
    label.Setup(item, settings);
    EXPECT_EQ(DefWindowProcA(item, WM_GETTEXTLENGTH, 0, 0), 0) << "the static keeps no text";
    char text[8] = "#######";
    EXPECT_EQ(GetWindowTextA(item, text, 5), 4);
    EXPECT_EQ(std::string(text, 6), std::string("Shor\0#", 6)) << "cut to the size given";
    const std::vector<COLORREF> pixels = ClientPixels(item, 0);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), RGB(128, 0, 0)), 20);
    auto height = [&label] { LOGFONTA font; return GetObjectA(label.Font(), sizeof(font), &font), font.lfHeight; };
    const LONG before = height(), extentBefore = label.TextExtent().cx;
    SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("A much longer text than the first one was"));
    EXPECT_GT(label.TextExtent().cx, extentBefore);
    EXPECT_EQ(GetWindowTextLengthA(item), 41);
    EXPECT_EQ(height() < before, options != 0);
    DestroyWindow(item);
  }
}

// The font fitting both controls use: heights go down one unit at a time
// from the start to the first the judge accepts, and not below 4; the font
// last made stays selected.
TEST(FitFontTest, ShrinksOneUnitAtATimeDownToFour) {
  const std::vector<int> kCases[] = {{9, 12, 11, 10, 9}, {0, 12, 11, 10, 9, 8, 7, 6, 5, 4}};  // accepted up to, made
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    std::vector<int> made = {kCases[i][0]};  // the judge's limit, then each height made
    HDC dc = CreateCompatibleDC(nullptr);
    auto make = [](int height, void* made) {
      static_cast<std::vector<int>*>(made)->push_back(height);
      return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    };
    auto judge = [](HDC, void* made) { auto& m = *static_cast<std::vector<int>*>(made); return int(m.back() <= m[0]); };
    const HFONT font = FitFont(dc, 12, make, judge, &made);
    EXPECT_EQ(made, kCases[i]);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    DeleteDC(dc);
    DeleteObject(font);
  }
}

// Hovering with a cursor the module lacks shows the hand, not no cursor.
TEST(StyledLabelTest, MissingCursorFallsBackToTheHand) {
  HWND item = MakeStatic("Label", 200);
  StyledLabel label;
  StyledLabel::Settings settings;
  settings.options = StyledLabel::kInteractive | StyledLabel::kWholeClient;
  settings.cursorId = 105;
  label.Setup(item, settings);
  EXPECT_EQ(CursorOnMove(item, 20, 12), LoadCursorA(nullptr, IDC_HAND));
  DestroyWindow(item);
}
