// An event this wrapper creates, or any waitable handle it is given, with an
// alertable wait and a wait that keeps dispatching the thread's messages.
#ifndef BASE_WAITABLE_HANDLE_H_
#define BASE_WAITABLE_HANDLE_H_

#include <windows.h>

#include "base/os_kind.h"

class WaitableHandle {
 public:
  WaitableHandle();
  ~WaitableHandle() { Release(); }
  WaitableHandle(const WaitableHandle&) = delete;
  WaitableHandle& operator=(const WaitableHandle&) = delete;

  // Creates an event, owned. A named event with `global` 1 is created as
  // "Global\name" with a null DACL on NT 2000 and later, so every session and
  // user reaches it; elsewhere under the plain name with default security.
  // 1 when an event came back.
  int CreateNamedEvent(int manualReset, int initiallySignalled, const char* name, int global);
  // Releases what is held, then holds `waitable`; closed on release only when `owns`.
  void Attach(HANDLE waitable, int owns);
  void Release();
  int Signal();
  // Alertable wait; APCs do not end it. 1 when signalled; `timedOut` tells a
  // time-out apart from a failure.
  int Wait(DWORD timeoutMs, int* timedOut = nullptr);
  // Waits for this handle, or for *second when that is non-null (re-read on
  // every pass), while dispatching the thread's messages. A WM_QUIT ends the
  // wait with 0 and is put back in the queue. 1 when a handle was signalled.
  // The time-out is measured as ticks elapsed since the start, so a wrap of
  // the tick count neither shortens nor prolongs it.
  int PumpWait(DWORD timeoutMs, HANDLE* second = nullptr);

  HANDLE Handle() const { return handle; }

  // Test seam for MsgWaitForMultipleObjects.
  typedef DWORD WINAPI MsgWaitFunction(DWORD, const HANDLE*, BOOL, DWORD, DWORD);
  static MsgWaitFunction* msgWait;
  // Test seam for GetTickCount.
  typedef DWORD WINAPI TickFunction();
  static TickFunction* tickCount;

 private:
  int owns;
  OsKindWord osKind;
  HANDLE handle;
};

#endif  // BASE_WAITABLE_HANDLE_H_
