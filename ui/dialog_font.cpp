#include "ui/dialog_font.h"

#include <stddef.h>
#include <string.h>

#include "ui/dialog_template.h"

namespace {

const char kShellDlg2[] = "MS Shell Dlg 2";
const char* const kOldTemplateFaces[] = {"MS Sans Serif", "MS Shell Dlg", "System"};
const char* const kKnownMessageFaces[] = {"MS Sans Serif", "Tahoma", "Segoe UI"};

// NONCLIENTMETRICSA without iPaddedBorderWidth: the size every supported
// system accepts.
const UINT kMetricsSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
static_assert(kMetricsSize == 340, "NONCLIENTMETRICSA layout");

class SystemFontEnvironment : public FontEnvironment {
 public:
  int MessageFont(LOGFONTA* font) override {
    NONCLIENTMETRICSA metrics;
    memset(&metrics, 0, sizeof(metrics));
    metrics.cbSize = kMetricsSize;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0)) return 0;
    *font = metrics.lfMessageFont;
    return 1;
  }

  int PixelsPerInchY() override {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
  }

  int FaceExists(const char* face) override { return FontExists(face, DEFAULT_CHARSET, nullptr); }
};

int IsOneOf(const char* face, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (strcmp(face, names[i]) == 0) return 1;
  return 0;
}

void SetChoice(DialogFontChoice* choice, const char* face, int points) {
  lstrcpynA(choice->face, face, LF_FACESIZE);
  choice->points = static_cast<WORD>(points);
}

int CALLBACK RecordFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<int*>(found) = 1;
  return 0;  // the first family answers the question
}

}  // namespace

int ChooseDialogFont(FontEnvironment& environment, int preferShellDlg2, DialogFontChoice* choice) {
  LOGFONTA message;
  if (!environment.MessageFont(&message)) return 0;
  char face[LF_FACESIZE];
  lstrcpynA(face, message.lfFaceName, LF_FACESIZE);
  if (!IsOneOf(face, kKnownMessageFaces, 3)) return 0;

  if (preferShellDlg2 == 1 && strcmp(face, "Segoe UI") == 0 && environment.FaceExists(kShellDlg2)) {
    SetChoice(choice, kShellDlg2, 8);
  } else if (environment.FaceExists(face)) {
    int points = MulDiv(-message.lfHeight, 72, environment.PixelsPerInchY());
    // A positive cell height or a zero resolution gives no usable size.
    if (points <= 0 || points > 0x7FFF) return 0;
    SetChoice(choice, face, points);
  } else {
    SetChoice(choice, environment.FaceExists(kShellDlg2) ? kShellDlg2 : "MS Shell Dlg", 8);
  }
  return 1;
}

void* AdaptDialogTemplate(const void* bytes, DWORD size, int preferShellDlg2,
                          FontEnvironment& environment) {
  const BYTE* source = static_cast<const BYTE*>(bytes);
  DialogFontLayout layout;
  if (!LocateDialogFont(source, size, &layout)) return nullptr;
  int oldDefault = 0;
  for (const char* face : kOldTemplateFaces) oldDefault |= DialogFaceIs(source, layout, face);
  if (!oldDefault) return nullptr;

  DialogFontChoice choice;
  if (!ChooseDialogFont(environment, preferShellDlg2, &choice)) return nullptr;
  WCHAR face[LF_FACESIZE];
  int units = MultiByteToWideChar(CP_ACP, 0, choice.face, -1, face, LF_FACESIZE);
  if (units <= 0) return nullptr;
  return RewriteDialogFont(source, size, layout, face, static_cast<DWORD>(units - 1), choice.points,
                           nullptr);
}

void* AdaptDialogTemplate(const void* bytes, DWORD size, int preferShellDlg2) {
  SystemFontEnvironment system;
  return AdaptDialogTemplate(bytes, size, preferShellDlg2, system);
}

int FontExists(const char* face, BYTE charset, HDC dc) {
  LOGFONTA wanted;
  memset(&wanted, 0, sizeof(wanted));
  wanted.lfCharSet = charset;
  lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);  // at most 31 bytes and the terminator
  wanted.lfPitchAndFamily = 0;

  HDC screen = dc ? nullptr : GetDC(nullptr);
  int found = 0;
  EnumFontFamiliesExA(dc ? dc : screen, &wanted, RecordFamily, reinterpret_cast<LPARAM>(&found), 0);
  if (screen) ReleaseDC(nullptr, screen);
  return found;
}
