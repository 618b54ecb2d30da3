#include "ui/styled_label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control_window.h"

namespace {

TEST(ResolveFaceTest, FirstInstalledFaceOfTheListElseVerdana) {
  const struct {
    const char* list;
    const char* face;
    std::vector<std::string> asked;  // the installed faces are those with a "G"
  } kCases[] = {{nullptr, "Verdana", {"Segoe UI", "Verdana"}},
                {"Alpha,BetaG;Gamma", "BetaG", {"Alpha", "BetaG"}},
                {"Alpha;;Beta", "Verdana", {"Alpha", "Beta"}}};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    std::vector<std::string> asked;
    auto exists = [](const char* face, void* context) {
      static_cast<std::vector<std::string>*>(context)->push_back(face);
      return int(strchr(face, 'G') != nullptr);
    };
    TextString face;
    EXPECT_EQ(ResolveFace(kCases[i].list, exists, &asked, &face), 1);
    EXPECT_STREQ(face.Buffer(), kCases[i].face);
    EXPECT_EQ(asked, kCases[i].asked);
  }
}

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
    TextString shown;
    label.CopyText(&shown);
    EXPECT_STREQ(shown.Buffer(), "Short");
    EXPECT_EQ(GetWindowTextLengthA(item), 0);
    const std::vector<COLORREF> pixels = ClientPixels(item, 0);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), RGB(128, 0, 0)), 20);
    LOGFONTA before, after;
    GetObjectA(label.Font(), sizeof(before), &before);
    const SIZE extent = label.TextExtent();
    SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("A much longer text than the first one was"));
    GetObjectA(label.Font(), sizeof(after), &after);
    EXPECT_EQ(after.lfHeight < before.lfHeight, options != 0);
    EXPECT_GT(label.TextExtent().cx, extent.cx);
    DestroyWindow(item);
  }
}

const std::string kTexts[] = {std::string(40, 'A'), std::string(220, 'W')};
volatile LONG stopSwapping = 0;

DWORD WINAPI SwapTexts(void* label) {
  for (int round = 0; !stopSwapping; ++round) static_cast<StyledLabel*>(label)->SetText(kTexts[round % 2].c_str());
  return 0;
}

// Copies taken while another thread swaps the text are each one of the two
// texts whole.
TEST(StyledLabelTest, TextSetFromAnotherThreadIsNeverCopiedTorn) {
  HWND item = MakeStatic("", 300);
  StyledLabel label;
  label.Setup(item, StyledLabel::Settings());
  label.SetText(kTexts[0].c_str());
  HANDLE thread = CreateThread(nullptr, 0, &SwapTexts, &label, 0, nullptr);
  int torn = 0;
  for (int copies = 0; copies < 3000000; ++copies) {
    TextString copy;
    label.CopyText(&copy);
    torn += copy.Buffer() != kTexts[0] && copy.Buffer() != kTexts[1];
  }
  InterlockedExchange(&stopSwapping, 1);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  EXPECT_EQ(torn, 0);
  DestroyWindow(item);
}

}  // namespace
