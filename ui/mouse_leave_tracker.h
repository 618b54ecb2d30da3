// Tells a window when the mouse leaves it: through TrackMouseEvent where the
// system has it, else by a 100 ms window timer that posts WM_MOUSELEAVE.
#ifndef UI_MOUSE_LEAVE_TRACKER_H_
#define UI_MOUSE_LEAVE_TRACKER_H_

#include <windows.h>

#include "base/library_handle.h"

// Used on the tracked window's thread only; the fallback timer runs through
// that thread's message loop.
class MouseLeaveTracker {
 public:
  // Loads "user32.dll" and looks up "TrackMouseEvent" (null when absent).
  MouseLeaveTracker();
  // Kills a running fallback timer, then releases the library.
  ~MouseLeaveTracker();
  MouseLeaveTracker(const MouseLeaveTracker&) = delete;
  MouseLeaveTracker& operator=(const MouseLeaveTracker&) = delete;

  // Asks for one WM_MOUSELEAVE to `target`. Nonzero when tracking started:
  // what TrackMouseEvent returns, or for the fallback 1 when both the timer
  // and the window rectangle could be had.
  int Start(HWND target);

  // Forgets TrackMouseEvent so that the timer path runs, as on systems
  // without it.
  void UseTimerFallback() { trackMouseEvent.Clear(); }
  bool TimerRunning() const { return window != nullptr; }

 private:
  static void CALLBACK Tick(HWND target, UINT message, UINT_PTR id, DWORD time);
  void Stop();

  LibraryHandle user32;
  ProcSlot<decltype(::TrackMouseEvent)> trackMouseEvent;
  RECT rect;
  HWND window;  // null while no timer runs
};

#endif  // UI_MOUSE_LEAVE_TRACKER_H_
