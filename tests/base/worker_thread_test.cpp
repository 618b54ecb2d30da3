#include "base/worker_thread.h"

#include <gtest/gtest.h>

#include <string>

#include "support/handle_count.h"
#include "support/test_support.h"

namespace {

int ReturnArgSum(INT_PTR a, INT_PTR b) { return static_cast<int>(a + b); }

// Bounded, so that a stop that fails to end the routine shows as a wrong
// exit value rather than a hang.
int WaitOnEvent(INT_PTR event, INT_PTR) {
  WaitForSingleObject(reinterpret_cast<HANDLE>(event), 10000);
  return 7;
}

// Counted from the system's handle list: Wine's GetProcessHandleCount
// always answers 0. A finished routine's thread closes its own handle as it
// returns, just after the worker says it ended: a second is given for the
// count to come back to `expected`.
DWORD HandleCount(DWORD expected = 0) {
  DWORD count = OwnHandleCount();
  for (int i = 0; i < 100 && count != expected; ++i, count = OwnHandleCount()) Sleep(10);
  return count;
}

TEST(WorkerThread, StartEndStopAndRestart) {
  ASSERT_TRUE(HandleCountWorks());
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // The first wait on the thread's message queue opens a handle to it for
  // good: opened before counting.
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
  DWORD handles = HandleCount();
  {
    WorkerThread idle;
    idle.Stop();
    idle.Stop();
  }
  EXPECT_EQ(handles, HandleCount(handles)) << "Stop on an idle worker only releases";
  {
    WorkerThread worker;
    EXPECT_EQ(0, worker.WaitDone(0)) << "never started";
    ASSERT_EQ(1, worker.Start(ReturnArgSum, 40, 2));
    for (int i = 0; i < 500 && worker.Running(); ++i) Sleep(10);
    ASSERT_FALSE(worker.Running());
    EXPECT_EQ(42, worker.ExitValue());
    DWORD before = GetTickCount();
    EXPECT_EQ(0, worker.WaitDone(0)) << "the routine already ended";
    EXPECT_LT(GetTickCount() - before, 100u);

    ASSERT_EQ(1, worker.Start(WaitOnEvent, reinterpret_cast<INT_PTR>(release), 0));
    EXPECT_EQ(0, worker.Start(ReturnArgSum, 1, 1)) << "still running";
    EXPECT_EQ(0, worker.WaitDone(50)) << "still running at the time-out";
    worker.Stop();
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(0, worker.ExitValue());
    // A new start after the forced stop works and signals its own event.
    ASSERT_EQ(1, worker.Start(ReturnArgSum, 2, 3));
    EXPECT_EQ(1, worker.WaitDone(5000) || !worker.Running());
    for (int i = 0; i < 500 && worker.Running(); ++i) Sleep(10);
    EXPECT_EQ(5, worker.ExitValue());
  }
  EXPECT_EQ(handles, HandleCount(handles)) << "a handle leaked";
  CloseHandle(release);
}

// Stop and the routine's own end race; the thread handle must be closed once
// and nothing may hang or leak. The rounds run on a thread of their own: a
// start or stop that never returns fails after two minutes instead of
// holding up the whole program.
DWORD WINAPI RaceRounds(void* failures) {
  for (int i = 0; i < 3000; ++i) {
    WorkerThread worker;
    *static_cast<int*>(failures) += worker.Start(ReturnArgSum, i, 0) != 1;
    if (i % 3 == 1) Sleep(0);
    worker.Stop();
    *static_cast<int*>(failures) += worker.Running();
  }
  return 0;
}

TEST(WorkerThread, StopRacingTheEndNeverDoubleClosesOrHangs) {
  HANDLE sentinel = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD before = HandleCount();
  static int failures = 0;  // static: the thread may outlive a failed test
  HANDLE rounds = CreateThread(nullptr, 0, RaceRounds, &failures, 0, nullptr);
  ASSERT_NE(nullptr, rounds);
  DWORD waited = WaitForSingleObject(rounds, 120000);
  CloseHandle(rounds);
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "a start or stop still runs after two minutes";
  EXPECT_EQ(0, failures) << "failed starts, or workers still running after Stop";
  EXPECT_EQ(before, HandleCount(before)) << "a handle leaked";
  // A second close of a recycled handle value would have hit handles like this one.
  EXPECT_TRUE(SetEvent(sentinel));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sentinel, 0));
  CloseHandle(sentinel);
}

// Answered only while the window's thread dispatches messages.
int SendTextLength(INT_PTR window, INT_PTR) {
  return static_cast<int>(SendMessageA(reinterpret_cast<HWND>(window), WM_GETTEXTLENGTH, 0, 0));
}

// Ends on its own after 10 s, so a WaitDone deaf to WM_QUIT fails instead
// of hanging.
int PostQuitThenWait(INT_PTR thread, INT_PTR) {
  Sleep(50);
  PostThreadMessageA(static_cast<DWORD>(thread), WM_QUIT, 5, 0);
  Sleep(10000);
  return 1;
}

TEST(WaitableHandle, WaitDoneKeepsWindowsResponsiveAndQuitEndsIt) {
  HWND window = CreateWindowA("STATIC", "answer", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  WorkerThread sender;
  ASSERT_EQ(1, sender.Start(SendTextLength, reinterpret_cast<INT_PTR>(window), 0));
  EXPECT_EQ(1, sender.WaitDone(10000)) << "no messages dispatched while waiting";
  EXPECT_EQ(6, sender.ExitValue());

  // A WM_QUIT during the wait ends it with 0 and stays queued.
  WorkerThread quitter;
  ASSERT_EQ(1, quitter.Start(PostQuitThenWait, GetCurrentThreadId(), 0));
  EXPECT_EQ(0, quitter.WaitDone(0));
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(5u, message.wParam);
  quitter.Stop();
  DestroyWindow(window);
}

int failedWaits = 0;
DWORD lastMask = 0;
DWORD WINAPI FailFirstWait(DWORD count, const HANDLE* handles, BOOL all, DWORD timeout, DWORD mask) {
  lastMask = mask;
  if (failedWaits++ > 0) return MsgWaitForMultipleObjects(count, handles, all, timeout, mask);
  SetLastError(ERROR_INVALID_PARAMETER);
  return WAIT_FAILED;
}

TEST(WaitableHandle, PumpWaitAndWait) {
  WaitableHandle event, other;
  ASSERT_EQ(1, event.CreateNamedEvent(1, 0, nullptr, 0));
  HANDLE none = nullptr;
  DWORD before = GetTickCount();
  EXPECT_EQ(0, event.PumpWait(100, &none));
  EXPECT_GE(GetTickCount() - before, 90u);
  ASSERT_EQ(1, other.CreateNamedEvent(1, 1, nullptr, 0));
  HANDLE second = other.Handle();
  EXPECT_EQ(1, event.PumpWait(1000, &second)) << "the second handle counts";
  int timedOut = -1;
  EXPECT_EQ(0, event.Wait(10, &timedOut));
  EXPECT_EQ(1, timedOut);
  ASSERT_EQ(1, event.Signal());
  EXPECT_EQ(1, event.Wait(10, &timedOut));
  WaitableHandle empty;
  EXPECT_EQ(0, empty.Wait(10, &timedOut));
  EXPECT_EQ(0, timedOut) << "a failed wait is not a time-out";

  // A failed wait (raw input unknown before XP) is retried without it.
  WaitableHandle::msgWait = FailFirstWait;
  int result = event.PumpWait(1000);
  WaitableHandle::msgWait = ::MsgWaitForMultipleObjects;
  EXPECT_EQ(1, result);
  EXPECT_EQ(2, failedWaits);
  EXPECT_EQ(static_cast<DWORD>(0x1FF), lastMask);
}

// The event's name and security depend on the Windows version: a probe
// program runs under each emulated version.
TEST(WaitableHandle, GlobalNamedEventPerVersion) {
  using namespace testing_support;
  const char* const cases[][2] = {{"winxp", "global=1 plain=0 nulldacl=1"},
                                  {"nt40", "global=0 plain=1 nulldacl=0"},
                                  {"win98", "global=0 plain=1 nulldacl=0"}};
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    std::string exe = std::string("eventprobe_") + c[0] + ".exe", out = folder.File(std::string(c[0]) + ".txt");
    ASSERT_TRUE(CopyFileA(BuildPath("testbin\\event_probe.exe").c_str(), folder.File(exe).c_str(), FALSE));
    SetEmulatedVersion(exe, c[0]);
    DWORD code = 1;
    ASSERT_TRUE(RunProgram("\"" + folder.File(exe) + "\" BramcotProbe_" + c[0] + " \"" + out + "\"", 30000, &code));
    SetEmulatedVersion(exe, "");
    EXPECT_EQ(0u, code);
    std::string report;
    ASSERT_TRUE(ReadFileBytes(out, &report));
    EXPECT_EQ(c[1], report);
  }
}

}  // namespace
