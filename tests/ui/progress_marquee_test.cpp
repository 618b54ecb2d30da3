#include "ui/progress_marquee.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Runs the thread's messages for `ms` milliseconds, or until `done` says so.
template <typename Done>
void Pump(DWORD ms, Done done) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms && !done();) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

// A progress bar without marquee support: answers PBM_SETMARQUEE with 0 and
// records the rest as text.
std::string received;
std::vector<DWORD> stepTimes;

LRESULT CALLBACK StandInProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PBM_STEPIT) return stepTimes.push_back(GetTickCount()), 0;
  if (message < PBM_SETRANGE || message > PBM_SETMARQUEE)
    return DefWindowProcA(window, message, wParam, lParam);
  received += std::to_string(message - WM_USER) + ":" + std::to_string(wParam) + "," + std::to_string(lParam) + " ";
  return 0;
}

struct StandIn {
  HWND bar;
  ProgressMarquee marquee;
  StandIn() {
    received.clear();
    stepTimes.clear();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StandInProcedure;
    windowClass.lpszClassName = "MarqueeStandIn";
    RegisterClassA(&windowClass);
    bar = CreateWindowA("MarqueeStandIn", "", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
    marquee.Attach(bar);
  }
  ~StandIn() { DestroyWindow(bar); }
  bool Marquee() const { return GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE; }
  // True when no step comes for 200 ms and the timer is gone.
  bool Stopped() {
    Pump(100, [] { return false; });
    const size_t steps = stepTimes.size();
    Pump(200, [] { return false; });
    return stepTimes.size() == steps && !KillTimer(bar, reinterpret_cast<UINT_PTR>(&marquee));
  }
};

// The manifest gives common controls 6, whose bar has a marquee of its own:
// no fallback timer then.
TEST(ProgressMarqueeTest, CommonControlsSixAnimateThemselvesWithoutOurTimer) {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_PROGRESS_CLASS};
  ASSERT_TRUE(InitCommonControlsEx(&init));
  HWND bar = CreateWindowA(PROGRESS_CLASSA, "", WS_POPUP | PBS_MARQUEE, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
  if (!SendMessageA(bar, PBM_SETMARQUEE, TRUE, 0)) GTEST_SKIP() << "this progress bar has no marquee of its own";
  SendMessageA(bar, PBM_SETMARQUEE, FALSE, 0);
  SetWindowLongA(bar, GWL_STYLE, WS_POPUP);
  ProgressMarquee marquee;
  marquee.Attach(bar);
  EXPECT_EQ(marquee.SetMarquee(60), 1);
  EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
  EXPECT_FALSE(KillTimer(bar, reinterpret_cast<UINT_PTR>(&marquee))) << "no fallback timer";
  EXPECT_EQ(marquee.SetMarquee(0), 1);
  EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
  DestroyWindow(bar);
}

DWORD WINAPI StopMarquee(void* marquee) { return static_cast<ProgressMarquee*>(marquee)->SetMarquee(0); }

// Stopped from a worker thread, whose SendMessage needs this thread's loop.
TEST(ProgressMarqueeTest, BarWithoutMarqueeIsSteppedEvery20MsUntilStopped) {
  StandIn standIn;
  ASSERT_EQ(standIn.marquee.SetMarquee(60), 1);
  EXPECT_TRUE(standIn.Marquee());
  // PBM_SETMARQUEE on with 60 ms, range 0..40 both ways, step 1.
  EXPECT_EQ(received, "10:1,60 1:0,2621440 6:0,40 4:1,0 ");
  Pump(3000, [] { return stepTimes.size() >= 12; });
  ASSERT_GE(stepTimes.size(), 12u) << "the timer steps the bar";
  // Load only stretches the gaps: one well under 60 ms shows the period is
  // not the interval asked for.
  DWORD shortest = 1000;
  for (size_t i = 1; i < stepTimes.size(); ++i) shortest = std::min(shortest, stepTimes[i] - stepTimes[i - 1]);
  EXPECT_LT(shortest, 45u);
  received.clear();
  HANDLE thread = CreateThread(nullptr, 0, StopMarquee, &standIn.marquee, 0, nullptr);
  Pump(5000, [thread] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
  DWORD stopped = 0;
  GetExitCodeThread(thread, &stopped);
  CloseHandle(thread);
  EXPECT_EQ(stopped, 1u);
  EXPECT_EQ(received, "10:0,0 ");
  EXPECT_FALSE(standIn.Marquee());
  EXPECT_TRUE(standIn.Stopped());
  EXPECT_EQ(standIn.marquee.SetMarquee(0), 1) << "stopping twice";
}

}  // namespace
