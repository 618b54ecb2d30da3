#include "ui/mouse_leave_tracker.h"

#include <gtest/gtest.h>

#include "link_render.h"

namespace {

int leaves = 0;

LRESULT CALLBACK CountLeaves(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSELEAVE) ++leaves;
  return DefWindowProcA(window, message, wParam, lParam);
}

// The timer path, as on systems without TrackMouseEvent: the leave is posted
// within about 100 ms of the cursor leaving, and not while it stays.
TEST(MouseLeaveTrackerTest, TimerFallbackPostsOneLeaveWhenTheCursorIsOutside) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &CountLeaves;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "LeaveCounter";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, "LeaveCounter", "", WS_POPUP | WS_VISIBLE, 400, 300,
                                100, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  PumpFor(100);
  MouseLeaveTracker tracker;
  tracker.UseTimerFallback();

  leaves = 0;
  SetCursorPos(450, 350);
  POINT inside = {450, 350};
  if (WindowFromPoint(inside) != window) GTEST_SKIP() << "the test window is not under the cursor";
  EXPECT_EQ(tracker.Start(window), 1);
  PumpFor(350);
  EXPECT_EQ(leaves, 0);
  EXPECT_TRUE(tracker.TimerRunning());

  SetCursorPos(10, 10);
  const DWORD moved = GetTickCount();
  while (leaves == 0 && GetTickCount() - moved < 1000) PumpFor(10);
  EXPECT_EQ(leaves, 1);
  EXPECT_LT(GetTickCount() - moved, 400u) << "the leave is late";
  EXPECT_FALSE(tracker.TimerRunning());
  PumpFor(300);
  EXPECT_EQ(leaves, 1) << "one leave per Start";
  DestroyWindow(window);
}

}  // namespace
