// A window with a link and a title label, drawn through WM_PRINT and kept
// as a bitmap file among the test outputs for a person to look at.
#include <gtest/gtest.h>

#include "link_render.h"
#include "support/test_support.h"
#include "ui/hyperlink.h"
#include "ui/styled_label.h"

namespace {

TEST(LinkLabelScreenshotTest, PrintsTheUnderlinedLinkAndTheTitle) {
  SavedUserValue anchor("Software\\Microsoft\\Internet Explorer\\Settings", "Anchor Color");
  SavedUserValue underline("Software\\Microsoft\\Internet Explorer\\Main", "Anchor Underline");
  anchor.Set("0,0,255");
  underline.Set("yes");
  const int width = 360, height = 120;
  HWND dialog = CreateTestParent(50, 50, width, height);
  ASSERT_NE(dialog, nullptr);
  HWND title = CreateWindowA("STATIC", "DVB-T Receiver Driver", WS_CHILD | WS_VISIBLE, 10, 10,
                             340, 36, dialog, reinterpret_cast<HMENU>(1007), nullptr, nullptr);
  HWND site = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, 10, 70, 300, 24,
                            dialog, reinterpret_cast<HMENU>(1006), nullptr, nullptr);
  StyledLabel label;
  StyledLabel::Settings settings;
  settings.faces = "Tahoma";
  settings.height = 24;
  settings.textColour = RGB(128, 0, 0);
  settings.options = StyledLabel::kBold;
  label.Setup(title, settings);
  Hyperlink link;
  link.Setup(site, "www.example.com", "", 0, 0);
  PumpFor(200);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SendMessageA(dialog, WM_PRINT, reinterpret_cast<WPARAM>(dc),
               PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CHILDREN);

  // The link's underline: a blue run nearly as wide as its text; the title's
  // dark red letters.
  int longestBlue = 0, titleRed = 0;
  for (int y = 0; y < height; ++y) {
    int run = 0;
    for (int x = 0; x < width; ++x) {
      const COLORREF p = GetPixel(dc, x, y);
      run = p == RGB(0, 0, 255) ? run + 1 : 0;
      if (run > longestBlue) longestBlue = run;
      if (y < 50 && p == RGB(128, 0, 0)) ++titleRed;
    }
  }
  EXPECT_GE(longestBlue, link.TextExtent().cx * 8 / 10);
  EXPECT_GT(titleRed, 20);
  SelectObject(dc, old);
  const std::string path = testing_support::OutputPath("link_label_dialog.bmp");
  EXPECT_TRUE(SaveBitmapFile(path, dc, bitmap, width, height)) << path;
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  DestroyWindow(dialog);
}

}  // namespace
