#include "ui/dialog_font.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>

#include "ui/dialog_template.h"
#include "ui/template_builder.h"
#include "ui/template_cases.h"

using namespace ui_test;

namespace {

// The system as a test describes it.
struct FakeFonts : FontEnvironment {
  int metricsRead = 1;
  std::string messageFace = "Tahoma";
  LONG height = -11;
  int dpi = 96;
  std::set<std::string> faces = {"Tahoma"};

  int MessageFont(LOGFONTA* font) override {
    memset(font, 0, sizeof(*font));
    font->lfHeight = height;
    lstrcpynA(font->lfFaceName, messageFace.c_str(), LF_FACESIZE);
    return metricsRead;
  }
  int PixelsPerInchY() override { return dpi; }
  int FaceExists(const char* face) override { return faces.count(face) ? 1 : 0; }
};

// The adapted copy of `bytes` (placed so that a read past their end faults)
// with the allocation's full size; empty when the result is null.
Bytes AdaptGuarded(const Bytes& bytes, int preferShellDlg2, FontEnvironment& fonts) {
  GuardedBytes guard(1 << 16);
  BYTE* copy = static_cast<BYTE*>(
      AdaptDialogTemplate(guard.Place(bytes), static_cast<DWORD>(bytes.size()), preferShellDlg2, fonts));
  Bytes result(copy, copy + (copy ? _msize(copy) : 0));
  free(copy);
  return result;
}

struct ChoiceCase {
  const char* templateFace;
  int metricsRead;
  const char* messageFace;
  LONG height;
  int dpi;
  std::set<std::string> faces;
  int prefer;
  const char* face;  // null: the template stays as stored
  WORD points;
};

// One row per rule: the message face, the point size from height and dpi,
// MS Shell Dlg 2 when preferred, the fallbacks, and each reason to keep the
// template as stored.
const ChoiceCase kChoiceCases[] = {
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 0, "Segoe UI", 9},
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 1, "MS Shell Dlg 2", 8},
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI"}, 1, "Segoe UI", 9},  // preferred but missing
    {"MS Sans Serif", 1, "Tahoma", -11, 96, {"MS Shell Dlg 2"}, 0, "MS Shell Dlg 2", 8},  // message face missing
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {}, 0, "MS Shell Dlg", 8},
    {"System", 1, "Tahoma", -11, 120, {"Tahoma"}, 0, "Tahoma", 7},
    {"MS Shell Dlg 2", 1, "Segoe UI", -12, 96, {"Segoe UI"}, 0, nullptr, 0},
    {"MS Sans Serif ", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"MS Sans Serif", 1, "Arial", -11, 96, {"Arial"}, 0, nullptr, 0},
    {"MS Sans Serif", 0, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},  // metrics unreadable
    {"MS Sans Serif", 1, "Tahoma", 11, 96, {"Tahoma"}, 0, nullptr, 0},   // cell height, not character height
    {"MS Sans Serif", 1, "Tahoma", -11, 0, {"Tahoma"}, 0, nullptr, 0},   // no resolution
};

// The copy must be the template built with the new font, then zeros up to
// the size the rewrite promises.
TEST(AdaptDialogTemplate, ChoosesFaceAndSizeOnBothLayouts) {
  for (size_t i = 0; i < sizeof(kChoiceCases) / sizeof(kChoiceCases[0]); ++i) {
    const ChoiceCase& c = kChoiceCases[i];
    for (bool extended : {false, true}) {
      SCOPED_TRACE(testing::Message() << "case " << i << ", extended " << extended);
      FakeFonts fonts;
      fonts.metricsRead = c.metricsRead;
      fonts.messageFace = c.messageFace;
      fonts.height = c.height;
      fonts.dpi = c.dpi;
      fonts.faces = c.faces;
      TemplateShape shape = DefaultShape(extended);
      shape.face = c.templateFace;
      const Bytes original = BuildTemplate(shape);
      Bytes copy = AdaptGuarded(original, c.prefer, fonts);
      ASSERT_EQ(!c.face, copy.empty());
      if (!c.face) continue;
      shape.face = c.face;
      shape.points = c.points;
      Bytes expected = BuildTemplate(shape);
      expected.resize(original.size() + 2 * strlen(c.face) - 2 * strlen(c.templateFace) + 4, 0);
      EXPECT_EQ(expected, copy);
    }
  }
}

// Damage the random templates seldom produce; each must stay as stored.
TEST(AdaptDialogTemplate, MalformedTemplatesStayAsStored) {
  FakeFonts fonts;
  for (bool extended : {false, true}) {
    const Bytes whole = BuildTemplate(DefaultShape(extended));
    Bytes version = whole;  // signature 0xFFFF with dlgVer 2
    version[0] = 2, version[1] = 0, version[2] = version[3] = 0xFF;
    Bytes endless(whole.begin(), whole.begin() + (extended ? 26 : 18) + 4);  // a title of 'AA' units to the end
    endless.resize(endless.size() + 64, 0x41);
    const Bytes cases[] = {version, endless};
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
      EXPECT_TRUE(AdaptGuarded(cases[i], 0, fonts).empty()) << "case " << i << ", extended " << extended;
  }
}

TEST(FontExists, AsksThePlatform) {
  if (!FontExists("Tahoma", DEFAULT_CHARSET, nullptr)) GTEST_SKIP() << "tahoma.ttf is not installed in this prefix";
  EXPECT_EQ(0, FontExists("Bramcot No Such Face", DEFAULT_CHARSET, nullptr));
  EXPECT_EQ(0, FontExists(std::string(300, 'T').c_str(), DEFAULT_CHARSET, nullptr));
}

TEST(AdaptDialogTemplate, RandomTemplatesGiveNullOrTheExpectedCopy) {
  TemplateCases cases(kTemplateSeed);
  FakeFonts fonts;
  int adapted = 0;
  for (int i = 0; i < kTemplateCases; ++i) {
    SCOPED_TRACE(testing::Message() << "template " << i << " of seed " << kTemplateSeed);
    TemplateCase c = cases.Next();
    Bytes copy = AdaptGuarded(c.bytes, i % 2, fonts);
    ExpectTahomaCopy(c, copy);
    if (HasFatalFailure()) return;
    adapted += !copy.empty();
  }
  EXPECT_GT(adapted, kTemplateCases / 5) << "too few random templates are adaptable";
}

}  // namespace
