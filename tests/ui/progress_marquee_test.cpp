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

static DWORD WINAPI StopMarquee(void* marquee) { return static_cast<ProgressMarquee*>(marquee)->SetMarquee(0); }

// A bar with a marquee of its own animates itself; one without is stepped
// by a 20 ms timer whatever the interval asked. Either is stopped from a
// worker thread, whose SendMessage needs this thread's loop.
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
    received.clear();
    HANDLE thread = CreateThread(nullptr, 0, StopMarquee, &marquee, 0, nullptr);
    PumpFor(5000, [thread] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
    CloseHandle(thread);
    EXPECT_EQ(received, "10:0,0 ");
    EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
    const size_t stepsAtStop = steps.size();
    PumpFor(200);
    EXPECT_EQ(steps.size(), stepsAtStop) << "stepped after the stop";
    DestroyWindow(bar);
  }
}

