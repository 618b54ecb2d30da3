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
  // the completion event. Whichever of Stop and the finishing thread takes
  // the thread handle first uses and closes it; the other leaves it alone.
  void Stop();
  // 0 at once when no routine runs; otherwise waits for its end while
  // dispatching messages (0 ms means no time-out). 1 when it ended.
  int WaitDone(DWORD timeoutMs);

  int Running() const { return (flags & 1) != 0; }
  int ExitValue() const { return exitValue; }

 private:
  static DWORD WINAPI Entry(void* parameter);

  INT_PTR routineArg1;
  INT_PTR routineArg2;
  volatile int exitValue;
  volatile LONG flags;  // bit 0: running
  HANDLE volatile threadHandle;
  DWORD threadId;
  Routine* routine;
  WaitableHandle done;
};

#endif  // BASE_WORKER_THREAD_H_
