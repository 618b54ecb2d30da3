#include "ui/dialog_font.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <stdlib.h>

#include <set>
#include <string>

#include "support/guarded_bytes.h"
#include "ui/dialog_template.h"
#include "ui/pure_campaigns.h"
#include "ui/ui_test_resources.h"

namespace {

using ui_test::Bytes;

// The system as a test describes it, and the font adaptation must choose
// (face null: the template stays as stored).
struct FontCase {
  int metricsRead; const char* messageFace; LONG height; int dpi; std::set<std::string> faces;
  int prefer; const char* face; WORD points;
};

struct FakeFonts : FontEnvironment {
  explicit FakeFonts(const FontCase& c) : c(c) {}
  int MessageFont(LOGFONTA* font) override {
    *font = LOGFONTA();
    font->lfHeight = c.height;
    lstrcpynA(font->lfFaceName, c.messageFace, LF_FACESIZE);
    return c.metricsRead;
  }
  int PixelsPerInchY() override { return c.dpi; }
  int FaceExists(const char* face) override { return static_cast<int>(c.faces.count(face)); }
  const FontCase& c;
};

// The copy, from bytes that end at an inaccessible page, in the whole
// allocation; empty for null.
Bytes AdaptGuarded(const Bytes& bytes, int prefer, FontEnvironment& fonts) {
  testing_support::GuardedBytes guard(1 << 16);
  BYTE* copy = static_cast<BYTE*>(AdaptDialogTemplate(guard.Place(bytes), DWORD(bytes.size()), prefer, fonts));
  Bytes result(copy, copy + (copy ? _msize(copy) : 0));
  free(copy);
  return result;
}

// On the program's classic and extended dialogs (ui_test.rc).
TEST(AdaptDialogTemplate, ChoosesFaceAndSize) {
  const FontCase cases[] = {
      {1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 0, "Segoe UI", 9},
      {1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 1, "MS Shell Dlg 2", 8},
      {1, "Segoe UI", -12, 96, {"Segoe UI"}, 1, "Segoe UI", 9},              // preferred but missing
      {1, "Tahoma", -11, 96, {"Tahoma", "MS Shell Dlg 2"}, 1, "Tahoma", 8},  // preferred only with Segoe UI
      {1, "MS Sans Serif", -11, 120, {"MS Sans Serif"}, 0, "MS Sans Serif", 7},
      {1, "Tahoma", -11, 96, {"MS Shell Dlg 2"}, 0, "MS Shell Dlg 2", 8},  // the message face missing
      {1, "Segoe UI", -12, 96, {}, 0, "MS Shell Dlg", 8},
      {1, "Tahoma", -32767, 72, {"Tahoma"}, 0, "Tahoma", 32767},  // the largest point size
      {1, "Tahoma", -32768, 72, {"Tahoma"}, 0, nullptr, 0},
      {1, "Tahoma", 11, 96, {"Tahoma"}, 0, nullptr, 0},  // a cell height, not a character height
      {1, "Tahoma", -11, 0, {"Tahoma"}, 0, nullptr, 0},  // no resolution
      {1, "Arial", -11, 96, {"Arial"}, 0, nullptr, 0},
      {0, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},  // metrics unreadable
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    for (int id : {IDD_OLD_FONT, IDD_EXTENDED}) {
      SCOPED_TRACE(testing::Message() << "case " << i << ", dialog " << id);
      HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_DIALOG);
      const BYTE* stored = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
      FakeFonts fonts(cases[i]);
      Bytes copy = AdaptGuarded(Bytes(stored, stored + SizeofResource(nullptr, found)), cases[i].prefer, fonts);
      DialogFontLayout at;
      ASSERT_EQ(cases[i].face != nullptr, LocateDialogFont(copy.data(), DWORD(copy.size()), &at) == 1);
      if (!cases[i].face) continue;
      EXPECT_EQ(1, DialogFaceIs(copy.data(), at, cases[i].face));
      EXPECT_EQ(cases[i].points, copy[at.pointSizeOffset] | copy[at.pointSizeOffset + 1] << 8);
    }
  }
}

TEST(AdaptDialogTemplate, RandomTemplatesGiveNullOrTheExpectedCopy) {
  const FontCase tahoma8 = {1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8};
  FakeFonts fonts(tahoma8);
  int adapted = 0, index = 0;
  testing_support::RunCampaign(ui_test::kTemplateSeed, ui_test::kTemplateCases, ui_test::RandomTemplate,
                               [&](const ui_test::TemplateCase& c) {
                                 const Bytes copy = AdaptGuarded(c.bytes, index++ % 2, fonts);
                                 ui_test::ExpectTahomaCopy(c, copy);
                                 adapted += !copy.empty();
                               });
  EXPECT_GT(adapted, ui_test::kTemplateCases / 10) << "too few random templates are adaptable";
}

TEST(FontExists, AsksThePlatform) {
  if (!FontExists("Tahoma", DEFAULT_CHARSET, nullptr)) GTEST_SKIP() << "tahoma.ttf is not installed in this prefix";
  EXPECT_EQ(0, FontExists("Bramcot No Such Face", DEFAULT_CHARSET, nullptr));
  EXPECT_EQ(0, FontExists(std::string(300, 'T').c_str(), DEFAULT_CHARSET, nullptr));
}

}  // namespace
