#include "base/worker_thread.h"

#include "base/owned_handle.h"

namespace {

const LONG kRunning = 1;
const LONG kStarted = 2;
const LONG kEnding = 4;

// Atomically takes the thread handle, leaving null: only one side gets it.
HANDLE TakeHandle(HANDLE volatile* slot) {
  return static_cast<HANDLE>(InterlockedExchangePointer(const_cast<PVOID volatile*>(slot), nullptr));
}

}  // namespace

WorkerThread::WorkerThread()
    : routineArg1(0), routineArg2(0), exitValue(0), flags(0), threadHandle(nullptr), threadId(0),
      routine(nullptr) {}

WorkerThread::~WorkerThread() {
  Stop();
  done.Release();
}

int WorkerThread::Start(Routine* startRoutine, INT_PTR arg1, INT_PTR arg2) {
  if (InterlockedCompareExchange(&flags, kRunning, 0) & kRunning) return 0;
  routine = startRoutine;
  routineArg1 = arg1;
  routineArg2 = arg2;
  done.CreateNamedEvent(1, 0, nullptr, 0);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, Entry, this, CREATE_SUSPENDED, &id);
  if (!thread) {
    InterlockedExchange(&flags, 0);
    return 0;
  }
  // Created suspended so the handle is in place before the entry can take it.
  threadId = id;
  threadHandle = thread;
  ResumeThread(thread);
  // Returns once the thread runs our entry: a thread stopped while the loader
  // still initialises it could leave the loader lock held for good.
  while (!(flags & kStarted) && WaitForSingleObject(done.Handle(), 1) == WAIT_TIMEOUT) {
  }
  return 1;
}

void WorkerThread::Stop() {
  // An ending routine may be inside its cleanup: let it return first.
  if (flags & kEnding) done.Wait(kEndingGrace);
  OwnedHandle thread(TakeHandle(&threadHandle));
  if (thread.Valid()) {
    InterlockedExchange(&flags, 0);
    TerminateThread(thread.Get(), 0);
    // Termination is asynchronous: make sure the thread no longer runs
    // before the completion event goes away.
    WaitForSingleObject(thread.Get(), 5000);
    thread.Reset();
    exitValue = 0;
  } else if (done.Handle()) {
    // No routine runs, or one has just ended and its thread holds the
    // handle: that thread signals the event next and then leaves this object
    // alone, so wait for the signal before releasing it. An event that is
    // already signalled returns at once.
    done.Wait(5000);
  }
  done.Release();
}

void WorkerThread::MarkEnding() {
  // Only while running: a bit set after Stop or the routine's end cleared
  // the flags would refuse every later Start.
  LONG seen = flags;
  while (seen & kRunning) {
    const LONG before = InterlockedCompareExchange(&flags, seen | kEnding, seen);
    if (before == seen) return;
    seen = before;
  }
}

int WorkerThread::WaitDone(DWORD timeoutMs) {
  if (!(flags & kRunning)) return 0;
  return done.PumpWait(timeoutMs == 0 ? INFINITE : timeoutMs);
}

DWORD WINAPI WorkerThread::Entry(void* parameter) {
  WorkerThread* self = static_cast<WorkerThread*>(parameter);
  InterlockedOr(&self->flags, kStarted);
  int result = self->routine(self->routineArg1, self->routineArg2);
  OwnedHandle thread(TakeHandle(&self->threadHandle));
  if (!thread.Valid()) {
    // Stop took the handle and is terminating this thread.
    for (;;) Sleep(INFINITE);
  }
  InterlockedExchange(&self->flags, 0);
  self->exitValue = result;
  self->done.Signal();
  // The owner may destroy the wrapper from here on: touch nothing of it
  // (the thread handle is ours alone and closes on return).
  return static_cast<DWORD>(result);
}
