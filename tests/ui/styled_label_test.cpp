#include "ui/styled_label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link_render.h"
#include "ui/dialog_font.h"

namespace {

struct FakeFonts {
  std::vector<std::string> installed;
  std::vector<std::string> asked;
};

int FakeExists(const char* face, void* context) {
  FakeFonts* fonts = static_cast<FakeFonts*>(context);
  fonts->asked.push_back(face);
  for (const std::string& name : fonts->installed)
    if (name == face) return 1;
  return 0;
}

TEST(ResolveFaceTest, FirstInstalledFaceOfTheListElseVerdana) {
  struct Case {
    const char* list;
    std::vector<std::string> installed;
    const char* face;
    std::vector<std::string> asked;
  } const kCases[] = {
      {nullptr, {}, "Verdana", {"Segoe UI", "Verdana"}},
      {nullptr, {"Segoe UI", "Verdana"}, "Segoe UI", {"Segoe UI"}},
      {nullptr, {"Verdana"}, "Verdana", {"Segoe UI", "Verdana"}},
      {"Alpha,Beta;Gamma", {"Gamma", "Beta"}, "Beta", {"Alpha", "Beta"}},
      {"Alpha;;Gamma", {}, "Verdana", {"Alpha", "Gamma"}},
      {"", {"Verdana"}, "Verdana", {}},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    FakeFonts fonts{c.installed, {}};
    TextString face;
    EXPECT_EQ(ResolveFace(c.list, &FakeExists, &fonts, &face), 1);
    EXPECT_STREQ(face.Buffer(), c.face);
    EXPECT_EQ(fonts.asked, c.asked);
  }
}

StyledLabel::Settings LabelSettings(const char* faces, int height, DWORD options = 0) {
  StyledLabel::Settings settings;
  settings.faces = faces;
  settings.height = height;
  settings.options = options;
  return settings;
}

class StyledLabelTest : public testing::Test {
 protected:
  void SetUp() override {
    parent = CreateTestParent(100, 250, 360, 120);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override { DestroyWindow(parent); }
  HWND MakeStatic(const char* text, int width, int height) {
    return CreateWindowA("STATIC", text, WS_CHILD | WS_VISIBLE, 10, 10, width, height, parent,
                         reinterpret_cast<HMENU>(1007), nullptr, nullptr);
  }
  HWND parent = nullptr;
};

TEST_F(StyledLabelTest, FacesOfTheListAreLookedUpInTheInstalledFonts) {
  if (!FontExists("Tahoma", DEFAULT_CHARSET, nullptr)) GTEST_SKIP() << "Tahoma is not installed";
  HWND item = MakeStatic("Title", 200, 30);
  StyledLabel label;
  label.Setup(item, LabelSettings("No Such Face;Tahoma", 16));
  EXPECT_STREQ(label.Face(), "Tahoma");
  label.SetFace("No Such Face,Another Missing Face", 0);
  EXPECT_STREQ(label.Face(), "Verdana");
  label.SetFace(nullptr, 0);
  const char* expected = FontExists("Segoe UI", DEFAULT_CHARSET, nullptr) ? "Segoe UI" : "Verdana";
  EXPECT_STREQ(label.Face(), expected);
  DestroyWindow(item);
}

// Text rectangle of `text` drawn single-line in `model`'s face at `height`.
SIZE DrawnSize(HWND item, HFONT model, int height, const char* text) {
  return MeasureAt(item, model, height, [text](HDC dc) {
    RECT rect = {0, 0, 1000, 1000};
    DrawTextA(dc, text, -1, &rect, DT_SINGLELINE | DT_CALCRECT);
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    return size;
  });
}

TEST_F(StyledLabelTest, HeightZeroFitsTheLargestFontThatFits) {
  struct Case {
    const char* text;
    int width;
    int height;
  } const kCases[] = {
      {"Hi", 200, 30},
      {"Television receiver driver", 150, 30},
      {"Far too long a title for so narrow a label", 30, 30},
  };
  for (size_t i = 0; i < sizeof(kCases) / sizeof(kCases[0]); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic(c.text, c.width, c.height);
    StyledLabel label;
    label.Setup(item, LabelSettings("Tahoma", 0));
    const int chosen = HeightOf(label.Font());
    ASSERT_GE(chosen, 4);
    EXPECT_LE(chosen, c.height);
    const SIZE at = DrawnSize(item, label.Font(), chosen, c.text);
    if (chosen > 4) {
      EXPECT_LT(at.cx, c.width);
      EXPECT_LT(at.cy, c.height);
    } else {
      EXPECT_EQ(i, 2u);
    }
    if (chosen < c.height) {
      const SIZE larger = DrawnSize(item, label.Font(), chosen + 1, c.text);
      EXPECT_TRUE(larger.cx >= c.width || larger.cy >= c.height) << "one unit larger fits too";
    }
    DestroyWindow(item);
  }
}

TEST_F(StyledLabelTest, RefitOnSetTextOnlyWithItsOption) {
  const char kLong[] = "A much longer text than the first one was";
  struct Case {
    DWORD options;
    bool refits;
  } const kCases[] = {{StyledLabel::kRefitOnSetText, true}, {0, false}};
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    HWND item = MakeStatic("Short", 200, 30);
    StyledLabel label;
    label.Setup(item, LabelSettings("Tahoma", 0, kCases[i].options));
    const int before = HeightOf(label.Font());
    const LONG extentBefore = label.TextExtent().cx;
    label.SetText(kLong);
    const int after = HeightOf(label.Font());
    EXPECT_EQ(after < before, kCases[i].refits) << before << " -> " << after;
    EXPECT_GT(label.TextExtent().cx, extentBefore) << "the extent is measured anew";
    SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Short"));
    EXPECT_EQ(HeightOf(label.Font()) == before, true) << "refit back to the first height";
    DestroyWindow(item);
  }
}

TEST_F(StyledLabelTest, TakesOverTheWindowTextAndLeavesItEmpty) {
  HWND item = MakeStatic("Install the driver", 200, 30);
  StyledLabel label;
  label.Setup(item, LabelSettings(nullptr, 16, StyledLabel::kBold));
  char buffer[64] = "unchanged";
  GetWindowTextA(item, buffer, sizeof(buffer));
  EXPECT_STREQ(buffer, "");
  TextString shown;
  label.CopyText(&shown);
  EXPECT_STREQ(shown.Buffer(), "Install the driver");
  EXPECT_EQ(HeightOf(label.Font()), 16);
  EXPECT_TRUE(label.Flags() & StyledLabel::kNoTabStop);
  EXPECT_GT(CountColour(RenderClient(item), RGB(0, 0, 0)), 0) << "the text is drawn";
  DestroyWindow(item);
}

struct Changer {
  StyledLabel* label;
  volatile LONG stop;
  int rounds;
};

DWORD WINAPI ChangeText(void* context) {
  Changer* changer = static_cast<Changer*>(context);
  const std::string first(40, 'A');
  const std::string second(220, 'W');
  while (!changer->stop) {
    changer->label->SetText(changer->rounds % 2 ? first.c_str() : second.c_str());
    ++changer->rounds;
  }
  return 0;
}

TEST_F(StyledLabelTest, TextChangedFromAnotherThreadIsNeverShownTorn) {
  HWND item = MakeStatic("", 300, 24);
  StyledLabel label;
  label.Setup(item, LabelSettings("Tahoma", 16, StyledLabel::kWhiteBackground));
  const std::string first(40, 'A');
  const std::string second(220, 'W');
  label.SetText(first.c_str());
  const Pixels firstLook = RenderClient(item);
  label.SetText(second.c_str());
  const Pixels secondLook = RenderClient(item);
  ASSERT_FALSE(firstLook == secondLook);

  Changer changer = {&label, 0, 0};
  HANDLE thread = CreateThread(nullptr, 0, &ChangeText, &changer, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  int torn = 0;
  int rounds = 0;
  for (; rounds < 3000; ++rounds) {
    const Pixels look = RenderClient(item);
    if (!(look == firstLook) && !(look == secondLook)) ++torn;
    TextString copy;
    label.CopyText(&copy);
    const std::string text = copy.Buffer();
    if (text != first && text != second) ++torn;
    if (rounds % 100 == 0) PumpFor(0);
  }
  InterlockedExchange(&changer.stop, 1);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  EXPECT_EQ(torn, 0) << "of " << rounds << " paints";
  EXPECT_GT(changer.rounds, 100) << "the other thread barely ran";
  DestroyWindow(item);
}

}  // namespace
