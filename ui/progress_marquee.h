// Endless busy animation in a standard progress bar: the control's own
// marquee mode where it has one, otherwise a timer that steps the bar.
#ifndef UI_PROGRESS_MARQUEE_H_
#define UI_PROGRESS_MARQUEE_H_

#include <windows.h>

// Acts only through messages and window calls addressed to the bar, so any
// thread may call SetMarquee while the bar's thread runs its message loop;
// the fallback timer runs on the bar's thread, with this object's address as
// its identifier.
class ProgressMarquee {
 public:
  ProgressMarquee() : window(nullptr) {}
  ProgressMarquee(const ProgressMarquee&) = delete;
  ProgressMarquee& operator=(const ProgressMarquee&) = delete;

  void Attach(HWND bar) { window = bar; }
  HWND Window() const { return window; }

  // interval != 0: adds PBS_MARQUEE and asks the bar for its own marquee
  // with `interval` ms per step; a bar that answers 0 gets the range 0..40,
  // step 1 and a 20 ms timer (whatever the interval) that steps it. 1 when
  // the bar animates (its marquee answered, or the timer started).
  // interval 0: stops the marquee, removes PBS_MARQUEE and kills the timer;
  // 1 when the style was written. Stopping twice is harmless. Stopping from
  // a thread other than the bar's also ends the timer: it kills itself on
  // its next tick once PBS_MARQUEE is gone.
  int SetMarquee(int interval);

  static const UINT kFallbackPeriod = 20;
  static const int kFallbackSteps = 40;

 private:
  static void CALLBACK Step(HWND bar, UINT message, UINT_PTR id, DWORD time);

  HWND window;
};

#endif  // UI_PROGRESS_MARQUEE_H_
