#include "ui/drawn_text.h"

#include <gtest/gtest.h>

#include <string>

#include "control_window.h"
#include "ui/hyperlink.h"
#include "ui/styled_label.h"

namespace {

// Whether `text` in `font` made `grow` units taller fits the client area of
// `item`: lower, and narrower (`orAsWide`: or as wide).
bool Fits(HWND item, HFONT font, const char* text, int grow, bool orAsWide) {
  LOGFONTA description;
  GetObjectA(font, sizeof(description), &description);
  description.lfHeight += grow;
  HFONT sized = CreateFontIndirectA(&description);
  const SIZE extent = MeasureText(item, sized, text);
  DeleteObject(sized);
  RECT client;
  GetClientRect(item, &client);
  return (orAsWide ? extent.cx <= client.right : extent.cx < client.right) && extent.cy < client.bottom;
}

// Both controls shrink their font one unit at a time from the client's
// height until the text fits, the link as wide as the client at most, the
// label narrower; never below 4.
TEST(FitFontTest, ControlsTakeTheLargestFontThatFits) {
  const struct {
    bool link;
    const char* text;
    int width;
  } kCases[] = {{true, "www.example.com/drivers/receivers", 120},
                {true, "A caption that cannot fit however small the font becomes", 20},
                {false, "Television receiver driver", 150},
                {false, "Far too long a title for so narrow a label", 30}};
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const auto& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic(c.text, c.width);
    Hyperlink link;
    StyledLabel label;
    if (c.link) link.Setup(item, c.text, "", 0, Hyperlink::kStartAtClientHeight);
    if (!c.link) label.Setup(item, StyledLabel::Settings());
    const HFONT font = c.link ? link.UnderlinedFont() : label.Font();
    LOGFONTA chosen, plain = {};
    GetObjectA(font, sizeof(chosen), &chosen);
    EXPECT_EQ(chosen.lfHeight == 4, i % 2 == 1);
    EXPECT_TRUE(chosen.lfHeight == 4 || Fits(item, font, c.text, 0, c.link));
    EXPECT_FALSE(chosen.lfHeight < 24 && Fits(item, font, c.text, 1, c.link)) << "one unit larger fits too";
    if (c.link) {
      GetObjectA(link.PlainFont(), sizeof(plain), &plain);
      EXPECT_EQ(plain.lfHeight, chosen.lfHeight);
    }
    DestroyWindow(item);
  }
}

}  // namespace
