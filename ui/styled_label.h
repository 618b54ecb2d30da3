// A static control that draws its text itself: a face from a list, a fixed
// height or one that shrinks until the text fits, own colours, optional
// frames and edges, and optionally clickable with hover colour, cursor,
// callback and parent notification.
#ifndef UI_STYLED_LABEL_H_
#define UI_STYLED_LABEL_H_

#include <windows.h>

#include "base/critical_section_lock.h"
#include "base/text_string.h"
#include "ui/activation_kind.h"
#include "ui/mouse_leave_tracker.h"
#include "ui/subclass_hook.h"

class StyledLabel;

// Called with the activation kind, 0, the user data and the label.
typedef void (*LabelCallback)(ActivationKind kind, int reserved, LONG_PTR userData,
                              StyledLabel* label);

// Answers whether a face exists; the platform's answer is FontExists.
typedef int (*FaceProbe)(const char* face, void* context);

// The first face of `list` (split at ',' and ';') that `probe` finds, or
// "Verdana"; a null list is "Segoe UI;Verdana". 1 when `face` was set.
int ResolveFace(const char* list, FaceProbe probe, void* context, TextString* face);

// SetText may be called from any thread; everything else runs on the
// dialog's thread.
class StyledLabel {
 public:
  enum Flag : DWORD {
    kInteractive = 0x1,
    kBold = 0x2,
    kUnderlined = 0x4,
    kItalic = 0x8,
    kHovering = 0x10,
    kWhiteBackground = 0x20,
    kWordWrap = 0x40,
    kRefitOnSetText = 0x80,
    kTransparent = 0x100,
    kFrame = 0x200,
    kEdgeBump = 0x400,
    kEdgeEtched = 0x800,
    kEdgeRaised = 0x1000,
    kEdgeSunken = 0x2000,
    kDoubleFrame = 0x4000,
    kWindowFont = 0x8000,
    kIgnoreTransparent = 0x10000,
    kWholeClient = 0x20000,
    kEndEllipsis = 0x40000,
    kFocused = 0x80000,
    kNoTabStop = 0x100000,
    kDisabled = 0x200000,
    kSystemCursor = 0x400000,
    kVerticalCentre = 0x800000,
    kNotifyParent = 0x1000000,
    kPressed = 0x2000000,
    kAlwaysFit = 0x4000000,
    kKeepTextColour = 0x8000000,
  };
  static const DWORD kFrameBits = 0x7E00;
  // Colour of the single and double frames.
  static const COLORREF kFrameColour = 0x808080;

  // What Setup takes; the defaults draw black text in the default faces at
  // the height that fits, with no options.
  struct Settings {
    const char* faces = nullptr;  // list for ResolveFace; null: its default
    int height = 0;               // 0 fits the font to the control
    COLORREF textColour = 0;
    COLORREF hoverColour = 0;     // with kInteractive, while hovering
    DWORD options = 0;            // Flag bits
    int cursorId = 0;             // shown while hovering (see kSystemCursor); 0: arrow
    LabelCallback callback = nullptr;
    LONG_PTR userData = 0;        // handed to the callback
  };

  StyledLabel();
  ~StyledLabel();
  StyledLabel(const StyledLabel&) = delete;
  StyledLabel& operator=(const StyledLabel&) = delete;

  // Takes over static control `target`: its window text becomes the label's
  // text and the window's own text becomes "".
  void Setup(HWND target, const Settings& settings);
  // Replaces the text under the label's lock; with kRefitOnSetText the font
  // is fitted anew, else only the extent is measured. Any thread.
  void SetText(const char* text);
  // Resolves and stores the face (see ResolveFace); refresh 1 repaints.
  void SetFace(const char* faces, int refresh);

  DWORD Flags() const { return flags; }
  HFONT Font() const { return font; }
  const char* Face() const { return face.Buffer(); }
  // Copies the text under the lock into `out` (growing it).
  void CopyText(TextString* out);
  SIZE TextExtent() const { return textExtent; }

 private:
  static int Handle(HWND target, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                    void* owner);
  int HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void Paint(HDC dc);
  void CreateLabelFont();
  void Measure();
  void Invalidate(int refreshBackground);
  void Notify(ActivationKind kind);
  void SetHoverCursor(int hovering);
  void Release();

  SubclassHook<kStyledLabelFamily> hook;
  MouseLeaveTracker leaveTracker;
  CriticalSectionLock lock;
  HFONT font;
  COLORREF textColour;
  COLORREF hoverColour;
  COLORREF frameColour;
  COLORREF disabledColour;
  TextString text;
  TextString face;
  UINT textFormat;
  DWORD flags;
  LabelCallback callback;
  LONG_PTR userData;
  int cursorId;
  int height;
  SIZE textExtent;
  HWND window;
};

#endif  // UI_STYLED_LABEL_H_
