#include "ui/styled_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_window.h"

namespace {

TEST(ResolveFaceTest, FirstInstalledFaceOfTheListElseVerdana) {
  const struct {
    const char* list;
    std::vector<std::string> installed;
    const char* face;
    std::vector<std::string> asked;
  } kCases[] = {
      {nullptr, {}, "Verdana", {"Segoe UI", "Verdana"}},
      {"Alpha,Beta;Gamma", {"Gamma", "Beta"}, "Beta", {"Alpha", "Beta"}},
      {"Alpha;;Gamma", {}, "Verdana", {"Alpha", "Gamma"}},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    struct Fonts {
      std::vector<std::string> installed, asked;
    } fonts{kCases[i].installed, {}};
    auto exists = [](const char* face, void* context) {
      Fonts* fonts = static_cast<Fonts*>(context);
      fonts->asked.push_back(face);
      return int(std::count(fonts->installed.begin(), fonts->installed.end(), face));
    };
    TextString face;
    EXPECT_EQ(ResolveFace(kCases[i].list, exists, &fonts, &face), 1);
    EXPECT_STREQ(face.Buffer(), kCases[i].face);
    EXPECT_EQ(fonts.asked, kCases[i].asked);
  }
}

StyledLabel::Settings LabelSettings(int height, DWORD options, COLORREF colour = 0) {
  StyledLabel::Settings settings;
  settings.faces = "Tahoma", settings.height = height, settings.options = options, settings.textColour = colour;
  return settings;
}

// The label takes over the window text and draws it in its colour; a new
// text is measured anew, and refits the font only with kRefitOnSetText.
TEST(StyledLabelTest, TakesOverTheTextAndRefitsOnlyWithItsOption) {
  for (DWORD options : {DWORD(StyledLabel::kRefitOnSetText), DWORD(0)}) {
    SCOPED_TRACE(options);
    HWND item = MakeStatic("Short", 200);
    StyledLabel label;
    label.Setup(item, LabelSettings(0, options, RGB(128, 0, 0)));
    TextString shown;
    label.CopyText(&shown);
    EXPECT_STREQ(shown.Buffer(), "Short");
    EXPECT_EQ(GetWindowTextLengthA(item), 0);
    const std::vector<COLORREF> pixels = ClientPixels(item, 0);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), RGB(128, 0, 0)), 20);
    LOGFONTA before, after;
    GetObjectA(label.Font(), sizeof(before), &before);
    const LONG extentBefore = label.TextExtent().cx;
    SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("A much longer text than the first one was"));
    GetObjectA(label.Font(), sizeof(after), &after);
    EXPECT_EQ(after.lfHeight < before.lfHeight, options != 0);
    EXPECT_GT(label.TextExtent().cx, extentBefore);
    DestroyWindow(item);
  }
}

struct Changer {
  StyledLabel* label;
  volatile LONG stop;
  int rounds;
};

const std::string kFirst(40, 'A'), kSecond(220, 'W');

DWORD WINAPI ChangeText(void* context) {
  Changer* changer = static_cast<Changer*>(context);
  for (; !changer->stop; ++changer->rounds) changer->label->SetText((changer->rounds % 2 ? kFirst : kSecond).c_str());
  return 0;
}

// Paints and copies while another thread swaps the text: each shows one of
// the two texts whole.
TEST(StyledLabelTest, TextChangedFromAnotherThreadIsNeverShownTorn) {
  HWND item = MakeStatic("", 300);
  StyledLabel label;
  label.Setup(item, LabelSettings(16, StyledLabel::kWhiteBackground));
  label.SetText(kFirst.c_str());
  const std::vector<COLORREF> firstLook = ClientPixels(item, 0);
  label.SetText(kSecond.c_str());
  const std::vector<COLORREF> secondLook = ClientPixels(item, 0);
  ASSERT_NE(firstLook, secondLook);
  Changer changer = {&label, 0, 0};
  HANDLE thread = CreateThread(nullptr, 0, &ChangeText, &changer, 0, nullptr);
  int torn = 0, rounds = 0;
  for (; rounds < 3000; ++rounds) {
    const std::vector<COLORREF> look = ClientPixels(item, 0);
    torn += look != firstLook && look != secondLook;
    for (int copies = 0; copies < 1000; ++copies) {  // a copy is brief: many give the race its chance
      TextString copy;
      label.CopyText(&copy);
      torn += copy.Buffer() != kFirst && copy.Buffer() != kSecond;
    }
  }
  InterlockedExchange(&changer.stop, 1);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  EXPECT_EQ(torn, 0) << "of " << rounds << " paints";
  EXPECT_GT(changer.rounds, 100) << "the other thread barely ran";
  DestroyWindow(item);
}

}  // namespace
