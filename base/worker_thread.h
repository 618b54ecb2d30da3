// One worker thread running a plain routine, with a completion event.
#ifndef BASE_WORKER_THREAD_H_
#define BASE_WORKER_THREAD_H_

#include <windows.h>

#include "base/waitable_handle.h"

class WorkerThread {
 public:
  typedef int Routine(INT_PTR arg1, INT_PTR arg2);

  WorkerThread();
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs routine(arg1, arg2) on a new thread. 0 while a routine still runs
  // or when the thread cannot be created.
  int Start(Routine* routine, INT_PTR arg1, INT_PTR arg2);
  // Forced stop: terminates a running routine (exitValue 0), then releases
  // the completion event. A routine that has called MarkEnding is first
  // given up to kEndingGrace ms to end on its own. Whichever of Stop and the
  // finishing thread takes the thread handle first uses and closes it; the
  // other leaves it alone.
  void Stop();
  // Called by the routine once it has done what its owner waits for and
  // only has to return: a thread terminated in its cleanup could leave a
  // heap or loader lock owned by a dead thread. No effect when no routine runs.
  void MarkEnding();
  // 0 at once when no routine runs; otherwise waits for its end while
  // dispatching messages (0 ms means no time-out). 1 when it ended.
  int WaitDone(DWORD timeoutMs);

  static const DWORD kEndingGrace = 3000;

  int Running() const { return (flags & 1) != 0; }
  // 1 from MarkEnding until the routine has ended.
  int Ending() const { return (flags & 4) != 0; }
  int ExitValue() const { return exitValue; }

 private:
  static DWORD WINAPI Entry(void* parameter);

  INT_PTR routineArg1;
  INT_PTR routineArg2;
  volatile int exitValue;
  volatile LONG flags;  // bit 0: running, bit 1: entry reached, bit 2: ending
  HANDLE volatile threadHandle;
  DWORD threadId;
  Routine* routine;
  WaitableHandle done;
};

#endif  // BASE_WORKER_THREAD_H_
