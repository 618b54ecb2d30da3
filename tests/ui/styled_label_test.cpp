#include "ui/styled_label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control_window.h"
#include "ui/drawn_text.h"

// The label takes over the window text and draws it in its colour. A new
// text is measured anew; with kRefitOnSetText the font is fitted anew, to
// the largest from the client's height (24) down that leaves the text
// narrower and lower than the client.
TEST(StyledLabelTest, TakesOverTheTextAndRefitsOnlyWithItsOption) {
  const char kLonger[] = "A much longer text than the first one was";
  for (DWORD options : {DWORD(StyledLabel::kRefitOnSetText), DWORD(0)}) {
    SCOPED_TRACE(options);
    HWND item = MakeStatic("Short", 200);
    StyledLabel label;
    StyledLabel::Settings settings;
    settings.textColour = RGB(128, 0, 0), settings.options = options;
    label.Setup(item, settings);
    EXPECT_EQ(GetWindowTextLengthA(item), 0);
    const std::vector<COLORREF> pixels = ClientPixels(item, 0);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), RGB(128, 0, 0)), 20);
    LOGFONTA font;
    GetObjectA(label.Font(), sizeof(font), &font);
    const LONG before = font.lfHeight, extentBefore = label.TextExtent().cx;
    SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kLonger));
    EXPECT_GT(label.TextExtent().cx, extentBefore);
    GetObjectA(label.Font(), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight < before, options != 0);
    for (int grow = 0; grow < 2 && options; ++grow) {  // fits as it is, not one unit larger
      font.lfHeight += grow;
      HFONT sized = CreateFontIndirectA(&font);
      const SIZE extent = MeasureText(item, sized, kLonger);
      DeleteObject(sized);
      EXPECT_EQ(extent.cx < 200 && extent.cy < 24, !grow) << "at " << font.lfHeight;
    }
    DestroyWindow(item);
  }
}

