#include "base/worker_thread.h"

#include <gtest/gtest.h>

#include "base/file_object.h"
#include "base/library_handle.h"
#include "base/locked_list.h"
#include "base/registry_key.h"
#include "base/registry_tree.h"
#include "base/security_builder.h"
#include "support/handle_count.h"
#include "support/test_support.h"

namespace {

int ReturnArgSum(INT_PTR a, INT_PTR b) { return static_cast<int>(a + b); }
// Bounded, so that a stop that fails to end the routine shows as a wrong exit value rather than a hang.
int WaitOnEvent(INT_PTR event, INT_PTR) { return WaitForSingleObject(reinterpret_cast<HANDLE>(event), 10000), 7; }
// Answered only while the window's thread dispatches messages.
int SendTextLength(INT_PTR window, INT_PTR) { return SendMessageA(reinterpret_cast<HWND>(window), WM_GETTEXTLENGTH, 0, 0); }
// Ends on its own after 10 s, so a WaitDone deaf to WM_QUIT fails instead of hanging.
int PostQuitThenWait(INT_PTR thread, INT_PTR) { return Sleep(50), PostThreadMessageA(thread, WM_QUIT, 5, 0), Sleep(10000), 1; }
// Tells its owner it is done, then still cleans up; counts the cleanups completed.
LONG cleanups = 0;
HANDLE closed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
int CloseThenClean(INT_PTR worker, INT_PTR) { return reinterpret_cast<WorkerThread*>(worker)->MarkEnding(), SetEvent(closed), Sleep(2), InterlockedIncrement(&cleanups), 0; }

// A second start while the routine runs fails; a forced stop ends it with
// exit value 0 and a new start works; WaitDone dispatches messages while it
// waits, returns at once when nothing runs, and ends with 0 on a WM_QUIT,
// which stays queued.
TEST(WorkerThread, StartStopAndWaitDone) {
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND window = CreateWindowA("STATIC", "answer", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  WorkerThread worker;
  MSG message;
  ASSERT_EQ(1, worker.Start(WaitOnEvent, reinterpret_cast<INT_PTR>(release), 0));
  EXPECT_EQ(0, worker.Start(ReturnArgSum, 1, 1) + worker.WaitDone(50)) << "still running, also at the time-out";
  worker.Stop();
  EXPECT_EQ(0, worker.Running() + worker.ExitValue() + worker.WaitDone(0));
  ASSERT_EQ(1, worker.Start(SendTextLength, reinterpret_cast<INT_PTR>(window), 0));
  EXPECT_EQ(1, worker.WaitDone(10000)) << "no messages dispatched while waiting";
  EXPECT_EQ(6, worker.ExitValue());
  ASSERT_EQ(1, worker.Start(PostQuitThenWait, GetCurrentThreadId(), 0));
  EXPECT_EQ(0, worker.WaitDone(0));
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 5);
  worker.Stop();
  DestroyWindow(window);
  CloseHandle(release);
}

// Each wait takes 300 fake ticks and ends on a message, until the record of
// the time-outs passes 40 characters.
DWORD fakeTicks = 0;
std::string waitedFor;
DWORD WINAPI FakeTicks() { return fakeTicks; }
DWORD WINAPI MessageAfter300(DWORD count, const HANDLE*, BOOL, DWORD timeout, DWORD) {
  waitedFor += std::to_string(timeout) + " ", fakeTicks += 300;
  return waitedFor.size() > 40 ? WAIT_TIMEOUT : WAIT_OBJECT_0 + count;
}

// A time-out of 1000 ticks started well before, just before and across the
// tick count's wrap: each waits out the rest of the same 1000.
TEST(WaitableHandle, TimeOutAcrossTheTickWrap) {
  const DWORD starts[] = {5000, 0xFFFFFF00, 0xFFFFFC00};
  WaitableHandle event;
  ASSERT_EQ(1, event.CreateNamedEvent(1, 0, nullptr, 0));
  WaitableHandle::msgWait = MessageAfter300, WaitableHandle::tickCount = FakeTicks;
  for (size_t i = 0; i < 3; ++i) {
    fakeTicks = starts[i], waitedFor.clear();
    EXPECT_EQ("0 1000 700 400 100 ", std::to_string(event.PumpWait(1000)) + " " + waitedFor) << "case " << i;
  }
  WaitableHandle::msgWait = ::MsgWaitForMultipleObjects, WaitableHandle::tickCount = ::GetTickCount;
}

int failedWaits = 0;
DWORD WINAPI FailFirstWait(DWORD count, const HANDLE* handles, BOOL all, DWORD timeout, DWORD mask) {
  if (failedWaits++, mask != 0x1FF) return SetLastError(ERROR_INVALID_PARAMETER), WAIT_FAILED;
  return MsgWaitForMultipleObjects(count, handles, all, timeout, mask);
}

// A failed wait (raw input unknown before XP) is retried once without it; a
// global name lives in the Global namespace on NT 2000 and later (Wine's default).
TEST(WaitableHandle, WaitsAndNames) {
  WaitableHandle event, other, empty, global;
  ASSERT_EQ(1, event.CreateNamedEvent(1, 0, nullptr, 0) * other.CreateNamedEvent(1, 1, nullptr, 0));
  HANDLE none = nullptr, second = other.Handle();
  EXPECT_EQ(1, event.PumpWait(50, &none) * 10 + event.PumpWait(1000, &second)) << "the second handle counts";
  int timedOut = -1;
  EXPECT_EQ(0, event.Wait(10, &timedOut));
  EXPECT_EQ(1, timedOut);
  EXPECT_EQ(0, empty.Wait(10, &timedOut));
  EXPECT_EQ(0, timedOut) << "a failed wait is not a time-out";
  WaitableHandle::msgWait = FailFirstWait;
  ASSERT_EQ(1, event.Signal());
  int result = event.PumpWait(1000);
  WaitableHandle::msgWait = ::MsgWaitForMultipleObjects;
  EXPECT_EQ(12, result * 10 + failedWaits);
  ASSERT_EQ(1, global.CreateNamedEvent(1, 0, "BramcotGlobal", 1));
  HANDLE opened[2] = {OpenEventA(SYNCHRONIZE, FALSE, "Global\\BramcotGlobal"), OpenEventA(SYNCHRONIZE, FALSE, "BramcotGlobal")};
  EXPECT_TRUE(opened[0] && !opened[1]);
  CloseHandle(opened[0]);
}

// Every base call that opens a handle, run twenty times after a first
// round (which may open what the platform keeps open for good): the
// process's handle count must not grow. A finished routine's thread closes
// its own handle just after the worker says it ended: a second is given.
TEST(OwnHandles, NoneLeftOpenByRepeatedUse) {
  if (!HandleCountWorks()) GTEST_SKIP() << "the system handle list cannot be read";
  static testing_support::ScratchFolder folder;
  static testing_support::ScratchKey key;
  static HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  static const std::string file = folder.File("a.txt"), sub = key.Path() + "\\s",
                           probe = testing_support::BuildPath("testbin\\probe_lib.dll");
  testing_support::WriteFileBytes(file, "a\nb\n");
  void (*const uses[])() = {
      [] { FileObject f; TextString line; f.Open(file.c_str(), 0, 0), f.ReadLine(line, 0), f.Open(file.c_str(), 5, 0); },
      [] { FileObject::Exists(file.c_str()), FileObject::Exists(folder.Path().c_str()); },
      [] { FileObject::ForEachMatch(folder.File("*").c_str(), [](const WIN32_FIND_DATAA*, void*) { return 1; }, 0); },
      [] { WorkerThread w; w.Start(WaitOnEvent, reinterpret_cast<INT_PTR>(release), 0), w.Stop(); },
      [] { WorkerThread w; w.Start(ReturnArgSum, 1, 2), w.Stop(); },  // Stop racing the routine's end
      [] { WorkerThread w; w.Start(CloseThenClean, reinterpret_cast<INT_PTR>(&w), 0), WaitForSingleObject(closed, 5000), w.Stop(); },  // Stop waits for the cleanup
      [] { WaitableHandle e; e.CreateNamedEvent(1, 0, 0, 0), e.CreateNamedEvent(0, 1, "BramcotLeak", 1), e.Attach(CreateEventA(0, 1, 0, 0), 1); },
      [] { LockedList<ListedItem> list; list.Close(), list.Open(), list.Open(); },
      [] { LibraryHandle l; l.Load(probe.c_str()), l.Load("no-such.dll"), l.Load(probe.c_str()); },
      [] { RegistryKey k; k.Open(key.Root(), key.Path().c_str()), k.Close(), k.Create(key.Root(), sub.c_str(), KEY_READ); },
      [] { RemoveTree(key.Root(), sub.c_str()); SecurityBuilder().GrantOpenAccess(key.Root(), key.Path().c_str()); },
  };
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);  // opens a handle to the queue for good
  for (size_t i = 0; i < sizeof(uses) / sizeof(uses[0]); ++i) {
    uses[i]();
    DWORD before = OwnHandleCount(), after = 0;
    for (int round = 0; round < (i == 4 ? 500 : i == 5 ? 1000 : 20); ++round) uses[i]();
    for (int wait = 0; wait < 100 && (after = OwnHandleCount()) > before; ++wait) Sleep(10);
    EXPECT_LE(after, before) << "case " << i;
    if (i == 5) { EXPECT_EQ(1001, cleanups) << "a stop after the routine's close cut its cleanup short"; }
  }
}

}  // namespace
