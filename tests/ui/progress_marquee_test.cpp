#include "ui/progress_marquee.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "control_window.h"

// A progress bar stand-in: answers PBM_SETMARQUEE with `ownMarquee`, notes
// the other bar messages as text and the times of PBM_STEPIT.
static LRESULT ownMarquee = 0;
static std::string received;
static std::vector<DWORD> steps;

static LRESULT CALLBACK StandInProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PBM_STEPIT) return steps.push_back(GetTickCount()), 0;
  if (message < PBM_SETRANGE || message > PBM_SETMARQUEE) return DefWindowProcA(window, message, wParam, lParam);
  received += std::to_string(message - WM_USER) + ":" + std::to_string(wParam) + "," + std::to_string(lParam) + " ";
  return message == PBM_SETMARQUEE ? ownMarquee : 0;
}

// A bar with a marquee of its own animates itself; one without is stepped
// by a 20 ms timer whatever the interval asked.
TEST(ProgressMarqueeTest, OwnMarqueeElseTimerSteppedUntilStopped) {
  for (LRESULT own : {1, 0}) {
    SCOPED_TRACE(own);
    ownMarquee = own, received.clear(), steps.clear();
    HWND bar = MakeStatic("", 100);
    SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StandInProcedure));
    ProgressMarquee marquee;
    marquee.Attach(bar);
    ASSERT_EQ(marquee.SetMarquee(60), 1);
    // Marquee on at 60 ms; without one, range 0..40 both ways and step 1.
    EXPECT_EQ(received, own ? "10:1,60 " : "10:1,60 1:0,2621440 6:0,40 4:1,0 ");
    // Load only stretches the gaps: one well under 60 ms shows the period is
    // not the interval asked for.
    PumpFor(own ? 300 : 3000, [] { return steps.size() >= 12; });
    DWORD shortest = 1000;
    for (size_t i = 1; i < steps.size(); ++i) shortest = std::min(shortest, steps[i] - steps[i - 1]);
    EXPECT_EQ(steps.size() >= 12 && shortest < 45, !own);
    // A stop from another thread may not reach the timer (KillTimer acts on
    // the caller's own windows only): once the style is gone it ends itself.
    if (!own) SetWindowLongA(bar, GWL_STYLE, GetWindowLongA(bar, GWL_STYLE) & ~PBS_MARQUEE);
    PumpFor(100);
    EXPECT_FALSE(KillTimer(bar, reinterpret_cast<UINT_PTR>(&marquee))) << "the timer is left";
    received.clear();
    EXPECT_EQ(marquee.SetMarquee(0), 1);
    EXPECT_EQ(received, "10:0,0 ");
    EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
    DestroyWindow(bar);
  }
}

