#include "ui/dialog_font.h"

#include <commctrl.h>
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

const ChoiceCase kChoiceCases[] = {
    {"MS Sans Serif", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8},
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 0, "Segoe UI", 9},
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 1, "MS Shell Dlg 2", 8},
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI"}, 1, "Segoe UI", 9},  // preferred but missing
    {"MS Sans Serif", 1, "Tahoma", -11, 96, {"Tahoma", "MS Shell Dlg 2"}, 1, "Tahoma", 8},
    {"MS Sans Serif", 1, "Tahoma", -11, 96, {"MS Shell Dlg 2"}, 0, "MS Shell Dlg 2", 8},  // message face missing
    {"MS Sans Serif", 1, "Segoe UI", -12, 96, {}, 0, "MS Shell Dlg", 8},
    {"MS Sans Serif", 1, "Tahoma", -11, 120, {"Tahoma"}, 0, "Tahoma", 7},
    {"MS Sans Serif", 1, "Segoe UI", -16, 96, {"Segoe UI"}, 0, "Segoe UI", 12},
    {"MS Sans Serif", 1, "MS Sans Serif", -11, 96, {"MS Sans Serif"}, 0, "MS Sans Serif", 8},
    {"MS Shell Dlg", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8},
    {"System", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8},
    {"Tahoma", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"MS Shell Dlg 2", 1, "Segoe UI", -12, 96, {"Segoe UI"}, 0, nullptr, 0},
    {"ms sans serif", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"MS Sans Serif ", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"MS Sans Serif", 1, "Arial", -11, 96, {"Arial"}, 0, nullptr, 0},
    {"MS Sans Serif", 1, "tahoma", -11, 96, {"tahoma"}, 0, nullptr, 0},
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
    Bytes creation = whole;  // the last item counts one byte of creation data, which is missing
    creation[whole.size() - 2] = 1;
    Bytes endless(whole.begin(), whole.begin() + (extended ? 26 : 18) + 4);  // a title of 'AA' units to the end
    endless.resize(endless.size() + 64, 0x41);
    const Bytes cases[] = {version, creation, endless, Bytes(whole.begin(), whole.begin() + 3)};
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
      EXPECT_TRUE(AdaptGuarded(cases[i], 0, fonts).empty()) << "case " << i << ", extended " << extended;
  }
}

TEST(FontExists, AsksThePlatform) {
  if (!FontExists("Tahoma", DEFAULT_CHARSET, nullptr)) GTEST_SKIP() << "tahoma.ttf is not installed in this prefix";
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(1, FontExists("Tahoma", DEFAULT_CHARSET, screen));
  EXPECT_EQ(0, FontExists("Bramcot No Such Face", DEFAULT_CHARSET, screen));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(0, FontExists(std::string(300, 'T').c_str(), DEFAULT_CHARSET, nullptr));
}

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The face of the dialog the platform makes of `bytes` (with zeros behind
// them, DWORD aligned); "" when it refuses the template.
std::string CreatedFace(Bytes bytes) {
  bytes.resize(bytes.size() + 64, 0);
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(bytes.data()),
                                           nullptr, IdleDialogProc, 0);
  if (!dialog) return "";
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
  DestroyWindow(dialog);
  return font.lfFaceName[0] ? font.lfFaceName : "?";
}

// Random shapes with a known copy, and mutations of them; a sample also goes
// through the platform's dialog creation.
TEST(AdaptDialogTemplate, RandomTemplatesGiveNullOrAnAcceptedTemplate) {
  InitCommonControls();  // the progress class of the sample templates
  TemplateCases cases(kTemplateSeed);
  FakeFonts fonts;
  int adapted = 0, platformChecked = 0, platformAccepted = 0;
  const int kPlatformSample = 300;
  for (int i = 0; i < kTemplateCases; ++i) {
    SCOPED_TRACE(testing::Message() << "template " << i << " of seed " << kTemplateSeed);
    TemplateCase c = cases.Next();
    Bytes copy = AdaptGuarded(c.bytes, i % 2, fonts);
    ExpectTahomaCopy(c, copy);
    if (HasFatalFailure()) return;
    if (copy.empty()) continue;
    ++adapted;
    if (platformChecked < kPlatformSample && i % 7 == 0) {
      ++platformChecked;
      // Refused as stored, or made with a font of its own (a weight past 1000 ...): nothing to compare.
      std::string stored = CreatedFace(c.bytes);
      if (stored.empty() || stored == "?") continue;
      ++platformAccepted;
      EXPECT_EQ("Tahoma", CreatedFace(copy)) << "accepted as stored";
    }
  }
  EXPECT_GT(adapted, kTemplateCases / 5) << "too few random templates are adaptable";
  EXPECT_EQ(kPlatformSample, platformChecked);
  EXPECT_GT(platformAccepted, kPlatformSample / 2);
}

}  // namespace
