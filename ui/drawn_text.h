// What the hyperlink and the styled label share as controls that draw their
// one text themselves into a static control: where the text lies, whether
// the cursor is over it, repainting, measuring, and fitting the font.
#ifndef UI_DRAWN_TEXT_H_
#define UI_DRAWN_TEXT_H_

#include <windows.h>

// 1 when column `x` lies over a text `textWidth` wide placed in a client area
// `clientWidth` wide by `format`: DT_CENTER strictly inside the centred band,
// DT_RIGHT right of clientWidth - textWidth, otherwise left of textWidth.
int TextBandContains(UINT format, int clientWidth, int textWidth, int x);

// The rectangle a text of `extent` covers in `client` (for the focus
// rectangle): horizontally as above; vertically centred when `format` has
// DT_VCENTER and `centreVertically` is 1, else from the top; `fullHeight` 1
// takes the client's whole height instead.
RECT TextBandRect(UINT format, const RECT& client, SIZE extent, int centreVertically,
                  int fullHeight);

// Whether the cursor is over the text of `window`: yes when the extent's
// height is 0 or the cursor cannot be read; no outside the client area; yes
// anywhere inside with `wholeClient` 1; else TextBandContains.
int CursorOverText(HWND window, UINT format, SIZE extent, int wholeClient);

// Repaints a control: nothing without a window; a transparent control asked
// to refresh its background has its rectangle invalidated in the parent with
// erasing; otherwise the whole control without erasing.
void InvalidateControl(HWND window, int transparent, int refreshBackground);

// WM_SETFOCUS and WM_KILLFOCUS: sets or clears `focusedBit` in `flags` and
// repaints, the background too on losing focus (where the focus rectangle
// was drawn); `transparentBit` marks a transparent control. 1 when `message`
// was one of them.
int TrackFocus(HWND window, UINT message, DWORD* flags, DWORD focusedBit, DWORD transparentBit);

// The extent of `text` drawn in `font` on the window's device context; 0,0
// when it cannot be measured.
SIZE MeasureText(HWND window, HFONT font, const char* text);

// Font fitting: `make` creates the font of one height; `judge` answers for
// the font selected into `dc` 1 (fits: stop), 0 (try one unit smaller) or -1
// (cannot tell: stop). Heights go down from `start` one at a time, and
// stop when the next would be 3 or less. The font last made stays selected
// and is returned, or null when `make` failed (the loop stops there).
// Shows cursor `id` from `module` (null: `id` names a system cursor); when
// it cannot be loaded, the hand, or the arrow where the system has no hand.
void ShowCursorOrHand(HINSTANCE module, int id);

// Answers WM_GETTEXT and WM_GETTEXTLENGTH with the `length` characters of
// `text`, so that screen readers read what the control shows; 0 for any
// other message.
int AnswerTextQuery(UINT message, WPARAM wParam, LPARAM lParam, const char* text, int length,
                    LRESULT* result);

typedef HFONT (*FontMaker)(int height, void* context);
typedef int (*FontJudge)(HDC dc, void* context);
HFONT FitFont(HDC dc, int start, FontMaker make, FontJudge judge, void* context);

#endif  // UI_DRAWN_TEXT_H_
