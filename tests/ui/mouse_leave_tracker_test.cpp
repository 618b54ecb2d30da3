#include "ui/mouse_leave_tracker.h"

#include <gtest/gtest.h>

#include "control_window.h"

namespace {

// The timer path, as on systems without TrackMouseEvent: one leave within
// about 100 ms of the cursor leaving, none while it stays.
TEST(MouseLeaveTrackerTest, TimerFallbackPostsOneLeaveWhenTheCursorIsOutside) {
  MouseLeaveTracker tracker;
  tracker.UseTimerFallback();
  SetCursorPos(280, 160);
  PumpFor(100);
  if (WindowFromPoint(POINT{280, 160}) != TestParent()) GTEST_SKIP() << "the test window is not under the cursor";
  parentLeaves = 0;
  EXPECT_EQ(tracker.Start(TestParent()), 1);
  PumpFor(350);
  EXPECT_EQ(parentLeaves, 0);
  SetCursorPos(10, 10);
  const DWORD moved = GetTickCount();
  PumpFor(1000, [] { return parentLeaves > 0; });
  EXPECT_LT(GetTickCount() - moved, 400u) << "the leave is late";
  PumpFor(300);
  EXPECT_EQ(parentLeaves, 1) << "one leave per Start";
  EXPECT_FALSE(tracker.TimerRunning());
}

}  // namespace
