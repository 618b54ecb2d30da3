#include "ui/styled_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link_render.h"
#include "ui/dialog_font.h"

namespace {

struct FakeFonts {
  std::vector<std::string> installed, asked;
};

int FakeExists(const char* face, void* context) {
  FakeFonts* fonts = static_cast<FakeFonts*>(context);
  fonts->asked.push_back(face);
  for (const std::string& name : fonts->installed)
    if (name == face) return 1;
  return 0;
}

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
    FakeFonts fonts{kCases[i].installed, {}};
    TextString face;
    EXPECT_EQ(ResolveFace(kCases[i].list, &FakeExists, &fonts, &face), 1) << "case " << i;
    EXPECT_STREQ(face.Buffer(), kCases[i].face) << "case " << i;
    EXPECT_EQ(fonts.asked, kCases[i].asked) << "case " << i;
  }
}

StyledLabel::Settings LabelSettings(const char* faces, int height, DWORD options = 0, COLORREF colour = 0) {
  StyledLabel::Settings settings;
  settings.faces = faces, settings.height = height, settings.options = options, settings.textColour = colour;
  return settings;
}

class StyledLabelTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(parent, nullptr); }
  void TearDown() override { ClearTestParent(); }
  HWND MakeStatic(const char* text, int width, int height) {
    return CreateWindowA("STATIC", text, WS_CHILD | WS_VISIBLE, 10, 10, width, height, parent,
                         reinterpret_cast<HMENU>(1007), nullptr, nullptr);
  }
  HWND parent = TestParent();
};

TEST_F(StyledLabelTest, HeightZeroFitsTheLargestFontThatFits) {
  const struct {
    const char* text;
    int width;
  } kCases[] = {{"Television receiver driver", 150}, {"Far too long a title for so narrow a label", 30}};
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const auto& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic(c.text, c.width, 30);
    StyledLabel label;
    label.Setup(item, LabelSettings("Tahoma", 0));
    ExpectLargestFit(item, label.Font(), c.text, c.width, 30, true);
    EXPECT_EQ(HeightOf(label.Font()) == 4, i == 1);
    DestroyWindow(item);
  }
}

TEST_F(StyledLabelTest, RefitOnSetTextOnlyWithItsOption) {
  for (DWORD options : {DWORD(StyledLabel::kRefitOnSetText), DWORD(0)}) {
    SCOPED_TRACE(options);
    HWND item = MakeStatic("Short", 200, 30);
    StyledLabel label;
    label.Setup(item, LabelSettings("Tahoma", 0, options));
    const int before = HeightOf(label.Font());
    const LONG extentBefore = label.TextExtent().cx;
    label.SetText("A much longer text than the first one was");
    EXPECT_EQ(HeightOf(label.Font()) < before, options != 0);
    EXPECT_GT(label.TextExtent().cx, extentBefore) << "the extent is measured anew";
    SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Short"));
    EXPECT_EQ(HeightOf(label.Font()), before);
    DestroyWindow(item);
  }
}

TEST_F(StyledLabelTest, TakesOverTheWindowTextAndDrawsInItsColour) {
  HWND item = MakeStatic("DVB-T Receiver Driver", 340, 36);
  StyledLabel label;
  label.Setup(item, LabelSettings(nullptr, 24, StyledLabel::kBold, RGB(128, 0, 0)));
  char buffer[64] = "unchanged";
  GetWindowTextA(item, buffer, sizeof(buffer));
  EXPECT_STREQ(buffer, "");
  TextString shown;
  label.CopyText(&shown);
  EXPECT_STREQ(shown.Buffer(), "DVB-T Receiver Driver");
  EXPECT_EQ(HeightOf(label.Font()), 24);
  EXPECT_GT(RenderClient(item).Count(RGB(128, 0, 0)), 20);
  label.SetFace("No Such Face;Tahoma", 0);
  if (FontExists("Tahoma", DEFAULT_CHARSET, nullptr)) { EXPECT_STREQ(label.Face(), "Tahoma"); }
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
TEST_F(StyledLabelTest, TextChangedFromAnotherThreadIsNeverShownTorn) {
  HWND item = MakeStatic("", 300, 24);
  StyledLabel label;
  label.Setup(item, LabelSettings("Tahoma", 16, StyledLabel::kWhiteBackground));
  label.SetText(kFirst.c_str());
  const Pixels firstLook = RenderClient(item);
  label.SetText(kSecond.c_str());
  const Pixels secondLook = RenderClient(item);
  ASSERT_FALSE(firstLook == secondLook);

  Changer changer = {&label, 0, 0};
  HANDLE thread = CreateThread(nullptr, 0, &ChangeText, &changer, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  int torn = 0, rounds = 0;
  for (; rounds < 3000; ++rounds) {
    const Pixels look = RenderClient(item);
    torn += !(look == firstLook) && !(look == secondLook);
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
}

}  // namespace
