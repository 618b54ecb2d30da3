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
#include "ui/ui_test_resources.h"

using namespace ui_test;

namespace {

// The system as a test describes it.
class FakeFonts : public FontEnvironment {
 public:
  int metricsRead = 1;
  std::string messageFace = "Tahoma";
  LONG height = -11;
  int dpi = 96;
  std::set<std::string> faces = {"Tahoma"};

  int MessageFont(LOGFONTA* font) override {
    if (!metricsRead) return 0;
    memset(font, 0, sizeof(*font));
    font->lfHeight = height;
    lstrcpynA(font->lfFaceName, messageFace.c_str(), LF_FACESIZE);
    return 1;
  }
  int PixelsPerInchY() override { return dpi; }
  int FaceExists(const char* face) override { return faces.count(face) ? 1 : 0; }
};

// The adapted copy of `bytes` (guarded against reads past their end), as a
// byte vector of the allocation's full size; empty when the result is null.
Bytes AdaptGuarded(const Bytes& bytes, int preferShellDlg2, FontEnvironment& fonts) {
  GuardedBytes guard(1 << 16);
  const BYTE* at = guard.Place(bytes);
  BYTE* copy = static_cast<BYTE*>(
      AdaptDialogTemplate(at, static_cast<DWORD>(bytes.size()), preferShellDlg2, fonts));
  if (!copy) return Bytes();
  Bytes result(copy, copy + _msize(copy));
  free(copy);
  return result;
}

// The copy must be the template built with the new font, followed by zeros
// up to the size the rewrite promises.
void ExpectRewritten(const TemplateShape& original, const Bytes& copy, const char* face, WORD points) {
  TemplateShape wanted = original;
  wanted.face = face;
  wanted.points = points;
  Bytes expected = BuildTemplate(wanted);
  size_t promised = BuildTemplate(original).size() + 2 * strlen(face) - 2 * original.face.size() + 4;
  ASSERT_EQ(promised, copy.size());
  ASSERT_LE(expected.size(), copy.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), copy.begin())) << "face " << face;
  for (size_t i = expected.size(); i < copy.size(); ++i) EXPECT_EQ(0, copy[i]) << "byte " << i;
}

struct ChoiceCase {
  const char* name;
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
    {"XP", "MS Sans Serif", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8},
    {"Vista", "MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 0, "Segoe UI", 9},
    {"Vista, Shell Dlg 2 preferred", "MS Sans Serif", 1, "Segoe UI", -12, 96,
     {"Segoe UI", "MS Shell Dlg 2"}, 1, "MS Shell Dlg 2", 8},
    {"preferred but missing", "MS Sans Serif", 1, "Segoe UI", -12, 96, {"Segoe UI"}, 1, "Segoe UI", 9},
    {"preferred, message font not Segoe", "MS Sans Serif", 1, "Tahoma", -11, 96,
     {"Tahoma", "MS Shell Dlg 2"}, 1, "Tahoma", 8},
    {"message face missing", "MS Sans Serif", 1, "Tahoma", -11, 96, {"MS Shell Dlg 2"}, 0,
     "MS Shell Dlg 2", 8},
    {"nothing exists", "MS Sans Serif", 1, "Segoe UI", -12, 96, {}, 0, "MS Shell Dlg", 8},
    {"120 dpi", "MS Sans Serif", 1, "Tahoma", -11, 120, {"Tahoma"}, 0, "Tahoma", 7},
    {"large message font", "MS Sans Serif", 1, "Segoe UI", -16, 96, {"Segoe UI"}, 0, "Segoe UI", 12},
    {"old system", "MS Sans Serif", 1, "MS Sans Serif", -11, 96, {"MS Sans Serif"}, 0,
     "MS Sans Serif", 8},
    {"template MS Shell Dlg", "MS Shell Dlg", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8},
    {"template System", "System", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8},
    {"template Tahoma", "Tahoma", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"template Shell Dlg 2", "MS Shell Dlg 2", 1, "Segoe UI", -12, 96, {"Segoe UI"}, 0, nullptr, 0},
    {"template face in lower case", "ms sans serif", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"template face with a blank", "MS Sans Serif ", 1, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"unusual message font", "MS Sans Serif", 1, "Arial", -11, 96, {"Arial"}, 0, nullptr, 0},
    {"message face in lower case", "MS Sans Serif", 1, "tahoma", -11, 96, {"tahoma"}, 0, nullptr, 0},
    {"metrics unreadable", "MS Sans Serif", 0, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},
    {"cell height instead of character height", "MS Sans Serif", 1, "Tahoma", 11, 96, {"Tahoma"}, 0,
     nullptr, 0},
    {"no resolution", "MS Sans Serif", 1, "Tahoma", -11, 0, {"Tahoma"}, 0, nullptr, 0},
};

TEST(AdaptDialogTemplate, ChoosesFaceAndSizeOnBothLayouts) {
  for (size_t i = 0; i < sizeof(kChoiceCases) / sizeof(kChoiceCases[0]); ++i) {
    const ChoiceCase& c = kChoiceCases[i];
    for (bool extended : {false, true}) {
      SCOPED_TRACE(testing::Message() << "case " << i << " (" << c.name << "), extended " << extended);
      FakeFonts fonts;
      fonts.metricsRead = c.metricsRead;
      fonts.messageFace = c.messageFace;
      fonts.height = c.height;
      fonts.dpi = c.dpi;
      fonts.faces = c.faces;
      TemplateShape shape = DefaultShape(extended);
      shape.face = c.templateFace;
      Bytes copy = AdaptGuarded(BuildTemplate(shape), c.prefer, fonts);
      if (!c.face) {
        EXPECT_TRUE(copy.empty());
        continue;
      }
      ASSERT_FALSE(copy.empty());
      ExpectRewritten(shape, copy, c.face, c.points);
    }
  }
}

// Faces of every length parity and titles of every length modulo 4 put the
// old and new item starts at every combination of alignments.
TEST(AdaptDialogTemplate, ItemsLandOnDwordBoundariesUnchanged) {
  const char* const oldFaces[] = {"System", "MS Shell Dlg", "MS Sans Serif"};
  const char* const newFaces[] = {"Tahoma", "Segoe UI", "MS Shell Dlg 2", "MS Shell Dlg"};
  for (bool extended : {false, true}) {
    for (const char* oldFace : oldFaces) {
      for (const char* newFace : newFaces) {
        for (int titleLength = 0; titleLength < 4; ++titleLength) {
          SCOPED_TRACE(testing::Message() << oldFace << " -> " << newFace << ", title length "
                                          << titleLength << ", extended " << extended);
          FakeFonts fonts;
          fonts.messageFace = strcmp(newFace, "Tahoma") == 0 ? "Tahoma" : "Segoe UI";
          fonts.faces = {newFace};
          fonts.height = strcmp(newFace, "Tahoma") == 0 ? -11 : -12;
          TemplateShape shape = DefaultShape(extended);
          shape.face = oldFace;
          shape.title = Field::Text(std::string(titleLength, 'T'));
          shape.items[0].creationData = "abc";  // odd creation data inside the items
          shape.items[1].creationData = "wxyz";
          WORD points = strcmp(newFace, "Tahoma") == 0 ? 8 : strcmp(newFace, "Segoe UI") == 0 ? 9 : 8;
          Bytes copy = AdaptGuarded(BuildTemplate(shape), 0, fonts);
          ASSERT_FALSE(copy.empty());
          ExpectRewritten(shape, copy, newFace, points);
        }
      }
    }
  }
}

TEST(AdaptDialogTemplate, LongerFaceShiftsItemsByTheAlignedDifference) {
  FakeFonts fonts;
  fonts.messageFace = "Segoe UI";
  fonts.height = -12;
  fonts.faces = {"Segoe UI", "MS Shell Dlg 2"};
  TemplateShape shape = DefaultShape(false);
  shape.face = "System";
  std::vector<size_t> before, after;
  Bytes original = BuildTemplate(shape, &before);
  Bytes copy = AdaptGuarded(original, 1, fonts);
  ASSERT_FALSE(copy.empty());
  shape.face = "MS Shell Dlg 2";
  BuildTemplate(shape, &after);
  // Eight more units: 16 bytes, already a multiple of four.
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(before[i] + 16, after[i]) << "item " << i;
    EXPECT_EQ(0u, after[i] % 4) << "item " << i;
    size_t length = (i + 1 < before.size() ? before[i + 1] : original.size()) - before[i];
    EXPECT_TRUE(std::equal(original.begin() + before[i], original.begin() + before[i] + length,
                           copy.begin() + after[i]))
        << "item " << i;
  }
}

TEST(AdaptDialogTemplate, ExtendedTemplateKeepsWeightItalicAndCharset) {
  FakeFonts fonts;
  TemplateShape shape = DefaultShape(true);
  shape.weight = FW_BOLD;
  shape.italic = 1;
  shape.charset = EASTEUROPE_CHARSET;
  shape.points = 10;
  Bytes copy = AdaptGuarded(BuildTemplate(shape), 0, fonts);
  ASSERT_FALSE(copy.empty());
  ExpectRewritten(shape, copy, "Tahoma", 8);
  DialogFontLayout layout;
  ASSERT_EQ(1, LocateDialogFont(copy.data(), static_cast<DWORD>(copy.size()), &layout));
  WORD weight;
  memcpy(&weight, copy.data() + layout.pointSizeOffset + 2, 2);
  EXPECT_EQ(FW_BOLD, weight);
  EXPECT_EQ(1, copy[layout.pointSizeOffset + 4]);
  EXPECT_EQ(EASTEUROPE_CHARSET, copy[layout.pointSizeOffset + 5]);
}

// --- The platform's own answers -------------------------------------------

Bytes StoredDialog(int id) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(self, RT_DIALOG, MAKEINTRESOURCEA(id), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
  if (!found) return Bytes();
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(self, found)));
  return Bytes(data, data + SizeofResource(self, found));
}

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The face of the font a dialog created from `bytes` uses; "" when the
// platform refuses the template.
std::string CreatedDialogFace(const BYTE* bytes) {
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                           reinterpret_cast<const DLGTEMPLATE*>(bytes), nullptr,
                                           IdleDialogProc, 0);
  if (!dialog) return "";
  LOGFONTA font = {};
  HFONT used = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  GetObjectA(used, sizeof(font), &font);
  DestroyWindow(dialog);
  return font.lfFaceName[0] ? font.lfFaceName : "?";
}

TEST(FontExists, AsksThePlatform) {
  if (!FontExists("Tahoma", DEFAULT_CHARSET, nullptr))
    GTEST_SKIP() << "tahoma.ttf is not installed in this prefix";
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(1, FontExists("Tahoma", DEFAULT_CHARSET, screen));
  EXPECT_EQ(0, FontExists("Bramcot No Such Face", DEFAULT_CHARSET, screen));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(0, FontExists("Bramcot No Such Face", DEFAULT_CHARSET, nullptr));
  EXPECT_EQ(0, FontExists(std::string(300, 'T').c_str(), DEFAULT_CHARSET, nullptr));
}

TEST(AdaptDialogTemplate, FollowsTheRealMessageFont) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = 340;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0));
  std::string face = metrics.lfMessageFont.lfFaceName;
  Bytes stored = StoredDialog(IDD_OLD_FONT);
  ASSERT_FALSE(stored.empty());
  void* copy = AdaptDialogTemplate(stored.data(), static_cast<DWORD>(stored.size()), 0);
  if (face != "Tahoma" && face != "Segoe UI" && face != "MS Sans Serif") {
    EXPECT_EQ(nullptr, copy);
    free(copy);
    GTEST_SKIP() << "the message font here is \"" << face << "\", which adaptation leaves alone";
  }
  if (!FontExists(face.c_str(), DEFAULT_CHARSET, nullptr))
    GTEST_SKIP() << "the message font \"" << face << "\" is not installed in this prefix";
  ASSERT_NE(nullptr, copy);
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  const BYTE* bytes = static_cast<const BYTE*>(copy);
  DialogFontLayout layout;
  ASSERT_EQ(1, LocateDialogFont(bytes, static_cast<DWORD>(_msize(copy)), &layout));
  EXPECT_EQ(1, DialogFaceIs(bytes, layout, face.c_str()));
  WORD points;
  memcpy(&points, bytes + layout.pointSizeOffset, 2);
  EXPECT_EQ(MulDiv(-metrics.lfMessageFont.lfHeight, 72, dpi), points);
  EXPECT_EQ(face, CreatedDialogFace(bytes));
  EXPECT_EQ("MS Sans Serif", CreatedDialogFace(stored.data()));
  free(copy);
}

// --- Random templates -------------------------------------------------------

// Bytes as the platform wants a template: DWORD aligned, with zeros behind.
std::string CreatedFace(const Bytes& bytes) {
  Bytes aligned(bytes);
  aligned.resize(bytes.size() + 64, 0);
  return CreatedDialogFace(aligned.data());
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
      // Refused as stored, or made with a font of its own (a weight past
      // 1000 ...): nothing to compare.
      std::string stored = CreatedFace(c.bytes);
      if (stored.empty() || stored == "?") continue;
      ++platformAccepted;
      EXPECT_EQ("Tahoma", CreatedFace(copy)) << "accepted as stored";
    }
  }
  EXPECT_GT(adapted, kTemplateCases / 5) << "too few random templates are adaptable";
  EXPECT_EQ(kPlatformSample, platformChecked);
  EXPECT_GT(platformAccepted, kPlatformSample / 2);
  printf("%d of %d random templates adapted; %d checked on the platform, %d of them accepted as stored\n",
         adapted, kTemplateCases, platformChecked, platformAccepted);
}

}  // namespace
