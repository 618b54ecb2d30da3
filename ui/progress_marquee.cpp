#include "ui/progress_marquee.h"

#include <commctrl.h>

int ProgressMarquee::SetMarquee(int interval) {
  const UINT_PTR timerId = reinterpret_cast<UINT_PTR>(this);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (interval) {
    SetWindowLongA(window, GWL_STYLE, style | PBS_MARQUEE);
    if (SendMessageA(window, PBM_SETMARQUEE, TRUE, interval)) return 1;
    SendMessageA(window, PBM_SETRANGE, 0, MAKELPARAM(0, kFallbackSteps));
    SendMessageA(window, PBM_SETRANGE32, 0, kFallbackSteps);
    SendMessageA(window, PBM_SETSTEP, 1, 0);
    return SetTimer(window, timerId, kFallbackPeriod, &Step) != 0;
  }
  SendMessageA(window, PBM_SETMARQUEE, FALSE, 0);
  const LONG written = SetWindowLongA(window, GWL_STYLE, style & ~PBS_MARQUEE);
  KillTimer(window, timerId);
  return written != 0;
}

void CALLBACK ProgressMarquee::Step(HWND bar, UINT, UINT_PTR id, DWORD) {
  if (!(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE)) {
    KillTimer(bar, id);
    return;
  }
  SendMessageA(bar, PBM_STEPIT, 0, 0);
}
