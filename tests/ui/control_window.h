// What the control tests share: one visible parent window, a message loop,
// and a control's client area as drawn.
#ifndef TESTS_UI_CONTROL_WINDOW_H_
#define TESTS_UI_CONTROL_WINDOW_H_

#include <windows.h>

#include <functional>
#include <vector>

// The one test parent of the process (each top-level window costs Wine
// seconds): visible, topmost, 360 x 120 at (100, 100). It counts the
// WM_COMMAND it receives.
extern int parentCommands;
HWND TestParent();
// A visible static child of the test parent, `width` x 24 at (10, 10).
HWND MakeStatic(const char* text, int width);

// Dispatches the thread's messages for `ms`, or until `done` answers true.
void PumpFor(DWORD ms, const std::function<bool()>& done = nullptr);

// The cursor a control shows once the mouse moves to client point (x, y).
HCURSOR CursorOnMove(HWND window, int x, int y);

// The client area drawn through WM_PRINTCLIENT over `marker`, row by row
// from the top.
std::vector<COLORREF> ClientPixels(HWND window, COLORREF marker);

#endif  // TESTS_UI_CONTROL_WINDOW_H_
