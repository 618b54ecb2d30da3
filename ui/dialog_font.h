// Dialog font adaptation: a copy of a dialog template whose old default font
// ("MS Sans Serif", "MS Shell Dlg", "System") is replaced by the font the
// running system uses for message boxes, so the dialog looks native.
#ifndef UI_DIALOG_FONT_H_
#define UI_DIALOG_FONT_H_

#include <windows.h>

// What font adaptation asks of the system. The platform answers by default;
// tests answer with their own.
class FontEnvironment {
 public:
  // 1 and the message font of the non-client metrics; 0 when they cannot be read.
  virtual int MessageFont(LOGFONTA* font) = 0;
  // Dots per inch of the screen, vertically.
  virtual int PixelsPerInchY() = 0;
  // 1 when a font family of this face exists in DEFAULT_CHARSET.
  virtual int FaceExists(const char* face) = 0;

 protected:
  ~FontEnvironment() {}
};

// The face and size a dialog gets.
struct DialogFontChoice {
  char face[LF_FACESIZE];
  WORD points;
};

// Picks the replacement font: "MS Shell Dlg 2" 8 when `preferShellDlg2` is 1,
// the message font is "Segoe UI" and "MS Shell Dlg 2" exists; else the
// message font at its point size when it exists; else "MS Shell Dlg 2" (or
// "MS Shell Dlg" without it) at 8 points. 0 when the metrics cannot be read,
// the message face is not "MS Sans Serif", "Tahoma" or "Segoe UI", or its
// point size does not come out positive.
int ChooseDialogFont(FontEnvironment& environment, int preferShellDlg2, DialogFontChoice* choice);

// A copy of the `size` template bytes with the font chosen above, or null:
// the template has no font block, is malformed or truncated, names another
// face than the three old defaults, no font was chosen, or memory ran out.
// Null means: use the resource as stored. The copy comes from malloc; the
// caller frees it with free() once the dialog has ended.
void* AdaptDialogTemplate(const void* bytes, DWORD size, int preferShellDlg2);
void* AdaptDialogTemplate(const void* bytes, DWORD size, int preferShellDlg2,
                          FontEnvironment& environment);

// 1 when the platform enumerates a font family of `face` (cut to 31 bytes) in
// `charset` on `dc`, or on the screen's device context when `dc` is null.
int FontExists(const char* face, BYTE charset, HDC dc);

#endif  // UI_DIALOG_FONT_H_
