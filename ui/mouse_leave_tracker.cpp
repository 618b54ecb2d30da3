#include "ui/mouse_leave_tracker.h"

MouseLeaveTracker::MouseLeaveTracker() : rect(), window(nullptr) {
  if (user32.Load("user32.dll")) trackMouseEvent.Bind(user32, "TrackMouseEvent");
}

MouseLeaveTracker::~MouseLeaveTracker() {
  Stop();
  trackMouseEvent.Clear();
  user32.Unload();
}

int MouseLeaveTracker::Start(HWND target) {
  if (trackMouseEvent) {
    TRACKMOUSEEVENT request = {sizeof(request), TME_LEAVE, target, HOVER_DEFAULT};
    return trackMouseEvent(&request) ? 1 : 0;
  }
  Stop();
  window = target;
  const UINT_PTR timer =
      SetTimer(target, reinterpret_cast<UINT_PTR>(this), 100, &MouseLeaveTracker::Tick);
  const BOOL placed = GetWindowRect(target, &rect);
  return timer && placed ? 1 : 0;
}

void MouseLeaveTracker::Stop() {
  if (!window) return;
  KillTimer(window, reinterpret_cast<UINT_PTR>(this));
  window = nullptr;
}

void CALLBACK MouseLeaveTracker::Tick(HWND target, UINT, UINT_PTR id, DWORD) {
  MouseLeaveTracker* self = reinterpret_cast<MouseLeaveTracker*>(id);
  if (self->window != target) return;
  POINT cursor;
  if (GetCursorPos(&cursor) && PtInRect(&self->rect, cursor) && WindowFromPoint(cursor) == target)
    return;
  self->Stop();
  PostMessageA(target, WM_MOUSELEAVE, 0, 0);
}
