#include "ui/progress_marquee.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <ctype.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Runs the thread's messages for `ms` milliseconds, or until `done` says so.
template <typename Done>
void Pump(DWORD ms, Done done) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms && !done()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

// A progress bar without marquee support: answers PBM_SETMARQUEE with 0 and
// records the rest.
struct StandIn {
  std::vector<std::pair<WPARAM, LPARAM>> marquee;
  LPARAM range = -1;
  std::pair<WPARAM, LPARAM> range32{99, 99};
  WPARAM step = 0;
  std::vector<DWORD> stepTimes;
} standIn;

LRESULT CALLBACK StandInProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case PBM_SETMARQUEE: standIn.marquee.emplace_back(wParam, lParam); return 0;
    case PBM_SETRANGE: standIn.range = lParam; return 0;
    case PBM_SETRANGE32: standIn.range32 = {wParam, lParam}; return 0;
    case PBM_SETSTEP: standIn.step = wParam; return 0;
    case PBM_STEPIT: standIn.stepTimes.push_back(GetTickCount()); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateStandIn() {
  standIn = StandIn();
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = StandInProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "MarqueeStandIn";
  RegisterClassA(&windowClass);
  return CreateWindowA("MarqueeStandIn", "", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr, nullptr,
                       nullptr);
}

// True when the process's comctl32.dll comes from the Common-Controls 6
// assembly: its side-by-side folder names the assembly and its version. (Wine
// builds both assemblies from one source, whose DllGetVersion and file
// version say 5 either way.)
bool CommonControlsSix(std::string* path) {
  char name[MAX_PATH] = "";
  if (!GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), name, MAX_PATH)) return false;
  *path = name;
  for (char& c : *path) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return path->find("microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::string::npos;
}

TEST(ProgressMarqueeTest, CommonControlsSixAnimateThemselvesWithoutOurTimer) {
  INITCOMMONCONTROLSEX init = {sizeof(init), ICC_PROGRESS_CLASS};
  ASSERT_TRUE(InitCommonControlsEx(&init));
  std::string path;
  if (!CommonControlsSix(&path)) GTEST_SKIP() << "the manifest did not give common controls 6: " << path;
  HWND bar = CreateWindowA(PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr,
                           nullptr, nullptr);
  ASSERT_NE(bar, nullptr);
  ProgressMarquee marquee;
  marquee.Attach(bar);
  EXPECT_EQ(marquee.SetMarquee(60), 1);
  EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
  EXPECT_FALSE(KillTimer(bar, reinterpret_cast<UINT_PTR>(&marquee))) << "no fallback timer";
  EXPECT_EQ(marquee.SetMarquee(0), 1);
  EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
  DestroyWindow(bar);
}

TEST(ProgressMarqueeTest, BarWithoutMarqueeIsSteppedEvery20MsUntilStopped) {
  HWND bar = CreateStandIn();
  ASSERT_NE(bar, nullptr);
  ProgressMarquee marquee;
  marquee.Attach(bar);
  ASSERT_EQ(marquee.SetMarquee(60), 1);
  EXPECT_TRUE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
  ASSERT_EQ(standIn.marquee.size(), 1u);
  EXPECT_EQ(standIn.marquee[0], std::make_pair(WPARAM(TRUE), LPARAM(60)));
  EXPECT_EQ(standIn.range, MAKELPARAM(0, 40));
  EXPECT_EQ(standIn.range32, std::make_pair(WPARAM(0), LPARAM(40)));
  EXPECT_EQ(standIn.step, 1u);

  Pump(3000, [] { return standIn.stepTimes.size() >= 12; });
  ASSERT_GE(standIn.stepTimes.size(), 12u) << "the timer steps the bar";
  // Load only stretches the gaps; one gap well under 60 ms shows the period
  // is not the interval asked for.
  DWORD shortest = 1000;
  for (size_t i = 1; i < standIn.stepTimes.size(); ++i)
    shortest = std::min(shortest, standIn.stepTimes[i] - standIn.stepTimes[i - 1]);
  EXPECT_LT(shortest, 45u);

  EXPECT_EQ(marquee.SetMarquee(0), 1);
  EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
  EXPECT_EQ(standIn.marquee.back(), std::make_pair(WPARAM(FALSE), LPARAM(0)));
  const size_t steps = standIn.stepTimes.size();
  Pump(200, [] { return false; });
  EXPECT_EQ(standIn.stepTimes.size(), steps) << "no step after stopping";
  EXPECT_FALSE(KillTimer(bar, reinterpret_cast<UINT_PTR>(&marquee)));
  EXPECT_EQ(marquee.SetMarquee(0), 1) << "stopping twice";
  DestroyWindow(bar);
}

TEST(ProgressMarqueeTest, StopFromAnotherThreadEndsTheFallbackTimer) {
  HWND bar = CreateStandIn();
  ASSERT_NE(bar, nullptr);
  ProgressMarquee marquee;
  marquee.Attach(bar);
  ASSERT_EQ(marquee.SetMarquee(60), 1);
  Pump(2000, [] { return standIn.stepTimes.size() >= 2; });
  ASSERT_GE(standIn.stepTimes.size(), 2u);
  struct Stop {
    static DWORD WINAPI Run(void* context) {
      return static_cast<ProgressMarquee*>(context)->SetMarquee(0);
    }
  };
  HANDLE thread = CreateThread(nullptr, 0, Stop::Run, &marquee, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  // The worker's SendMessage needs this thread's message loop.
  Pump(5000, [thread] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
  DWORD stopped = 0;
  GetExitCodeThread(thread, &stopped);
  CloseHandle(thread);
  EXPECT_EQ(stopped, 1u);
  Pump(100, [] { return false; });
  const size_t steps = standIn.stepTimes.size();
  Pump(200, [] { return false; });
  EXPECT_EQ(standIn.stepTimes.size(), steps) << "no step after stopping";
  EXPECT_FALSE(KillTimer(bar, reinterpret_cast<UINT_PTR>(&marquee))) << "the timer ended itself";
  DestroyWindow(bar);
}

}  // namespace
