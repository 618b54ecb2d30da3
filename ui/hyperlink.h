// A static control turned into a link: caption in link colours with an
// optional underline following the user's Internet Explorer link settings,
// hover colour and cursor, focus rectangle, and activation by click, Enter
// or Space, which opens the target with the shell's default verb.
#ifndef UI_HYPERLINK_H_
#define UI_HYPERLINK_H_

#include <windows.h>

#include "base/text_string.h"
#include "ui/activation_kind.h"
#include "ui/mouse_leave_tracker.h"
#include "ui/subclass_hook.h"
#include "ui/theme_data.h"

// Used on the dialog's thread only.
class Hyperlink {
 public:
  // Options given to Setup, and the state bits kept beside them.
  enum Flag : DWORD {
    kUseHoverColour = 0x1,  // always set by Setup; the registry may clear it
    kWindowFont = 0x2,
    kHovering = 0x4,
    kDisabled = 0x8,
    kTransparent = 0x10,
    kStartAtClientHeight = 0x20,
    kFocused = 0x40,
    kNoFocusRect = 0x80,
    kMasked = 0x100,
    kInternationalFace = 0x200,
    kThemedParentBackground = 0x400,
    kNotifyParent = 0x800,
    kEndEllipsis = 0x1000,
    kPathEllipsis = 0x2000,
    kIgnoreTransparent = 0x4000,
  };
  // Underline modes.
  enum Underline { kNever = 0, kWhileHovering = 1, kAlways = 2 };
  // Room for the target, terminator included; longer targets are cut.
  static const int kTargetSize = 260;

  Hyperlink();
  // Detaches the hook, deletes both fonts, closes the theme, stops the
  // leave tracker.
  ~Hyperlink();
  Hyperlink(const Hyperlink&) = delete;
  Hyperlink& operator=(const Hyperlink&) = delete;

  // Takes over static control `target` once, from the dialog's
  // initialisation: colours and underline from the registry, fonts chosen
  // and shrunk to fit, the window's own text cleared. `link` may be null
  // (empty target) and is cut to kTargetSize - 1 characters; `cursorId` is
  // a cursor resource of the window's module, shown while hovering.
  void Setup(HWND target, const char* caption, const char* link, int cursorId, DWORD options);

  // Opens the target (or notifies the parent with kNotifyParent); a button
  // down does nothing, as does an empty target.
  void Activate(ActivationKind kind);

  DWORD Flags() const { return flags; }
  COLORREF LinkColour() const { return linkColour; }
  COLORREF HoverColour() const { return hoverColour; }
  int UnderlineMode() const { return underlineMode; }
  HFONT UnderlinedFont() const { return underlinedFont; }
  HFONT PlainFont() const { return plainFont; }
  const char* Target() const { return target; }
  const char* DisplayText() const { return displayText.Buffer(); }
  SIZE TextExtent() const { return textExtent; }
  // 1 when painting in this state uses the underlined font.
  static int DrawsUnderlined(int mode, int hovering) {
    return mode == kAlways || (mode == kWhileHovering && hovering);
  }

 private:
  static int Handle(HWND target, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                    void* owner);
  int HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void Paint(HDC dc);
  void SetText(const char* text);
  void Measure();
  void Invalidate(int refreshBackground);
  void ReadLinkSettings();
  void CreateFonts();
  void ChooseFace(char* face);
  void ShowHoverCursor();
  void DeleteFonts();

  SubclassHook<kHyperlinkFamily> hook;
  MouseLeaveTracker leaveTracker;
  TextString displayText;
  TextString caption;
  ThemeData theme;
  char target[kTargetSize];
  HFONT underlinedFont;
  HFONT plainFont;
  UINT textFormat;
  DWORD flags;
  COLORREF linkColour;
  COLORREF hoverColour;
  COLORREF disabledColour;
  WORD cursorId;
  SIZE textExtent;
  int underlineMode;
  HWND window;
};

// The face a link uses without its own font: the face found under the
// Internet Explorer international settings when `international` is 1, else
// the first of "Segoe UI", "Verdana", "Arial" that exists, else `fallback`
// (the dialog's own face). `face` has LF_FACESIZE bytes.
void ChooseLinkFace(int international, const char* fallback, char* face);

#endif  // UI_HYPERLINK_H_
