#include "ui/drawn_text.h"

#include <gtest/gtest.h>

#include <string>

#include "control_window.h"
#include "ui/hyperlink.h"
#include "ui/styled_label.h"

namespace {

// Both controls shrink their font one unit at a time from the client's
// height (24) until the text fits, never below 4: lower than the client, and
// narrower, for the link as wide at most.
TEST(FitFontTest, ControlsTakeTheLargestFontThatFits) {
  const struct {
    bool link;
    const char* text;
    int width;
  } kCases[] = {{true, "www.example.com/drivers/receivers", 120},
                {true, "A caption that cannot fit however small the font becomes", 20},
                {false, "Television receiver driver", 150},
                {false, "Far too long a title for so narrow a label", 30}};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const auto& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic(c.text, c.width);
    Hyperlink link;
    StyledLabel label;
    if (c.link) link.Setup(item, c.text, "", 0, Hyperlink::kStartAtClientHeight);
    if (!c.link) label.Setup(item, StyledLabel::Settings());
    LOGFONTA font, plain;
    GetObjectA(c.link ? link.UnderlinedFont() : label.Font(), sizeof(font), &font);
    GetObjectA(c.link ? link.PlainFont() : label.Font(), sizeof(plain), &plain);
    EXPECT_EQ(plain.lfHeight, font.lfHeight);
    EXPECT_EQ(font.lfHeight == 4, i % 2 == 1);
    for (int grow : {0, 1}) {  // fits as it is (or is 4 high), not one unit larger (or is 24 high)
      font.lfHeight += grow;
      HFONT sized = CreateFontIndirectA(&font);
      const SIZE extent = MeasureText(item, sized, c.text);
      DeleteObject(sized);
      const bool fits = extent.cx + !c.link <= c.width && extent.cy < 24;
      EXPECT_EQ((fits && font.lfHeight <= 24) || (font.lfHeight == 4 && !grow), !grow) << "at " << font.lfHeight;
    }
    DestroyWindow(item);
  }
}

}  // namespace
