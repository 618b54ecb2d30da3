// The process-wide handler of unhandled exceptions: on the first one it
// writes a minidump "<base>_Debug.dmp" and a text report "<base>_Debug.txt"
// beside the executable (or in the temp folder), then lets the platform's
// default handling go on. The report is written by a reporter thread of its
// own, started with the reporter, so a thread whose stack overflowed is
// reported from a healthy stack.
#ifndef CRASH_CRASH_REPORTER_H_
#define CRASH_CRASH_REPORTER_H_

#include <windows.h>

#include "crash/crash_records.h"
#include "crash/debug_help.h"
#include "crash/error_report_registration.h"
#include "crash/minidump.h"

// The running system's line as the report prints it (FormatOsLine, line
// breaks included), classified under `rules`; `version` receives what
// GetVersionExA gave.
int FormatSystemOsLine(char* buffer, size_t size, const OsRules& rules, OSVERSIONINFOA* version);

class CrashReporter {
 public:
  // Configure(0x1F0000): installs CrashFilter and starts the reporter
  // thread (without waiting for it, so a library may construct one in its
  // DllMain). The report follows `rules`.
  explicit CrashReporter(const CrashRules& rules);
  // Ends the reporter thread and releases debug help; the filter stays
  // installed.
  ~CrashReporter();
  CrashReporter(const CrashReporter&) = delete;
  CrashReporter& operator=(const CrashReporter&) = delete;

  // mode = 2 when bit 1 of `word` is set, else 1, plus bits 2-4 of `word`.
  // Bit 3 clear installs CrashFilter (remembering the filter it replaced)
  // and starts the reporter thread when none runs; set, it removes any
  // filter.
  void Configure(DWORD word);
  DWORD Mode() const { return mode; }
  // For a library about to be unloaded: puts back the filter that Configure
  // replaced, but only while CrashFilter is still the installed one; a filter
  // installed after ours is left in place. Ends the reporter thread, which
  // runs the library's code.
  void Withdraw();
  // Waits, at most `timeoutMs`, until the reporter thread has prepared the
  // report and idles in its wait; 1 when it has. A library calls it outside
  // its DllMain, so that an unload finds the thread holding no lock.
  int WaitReady(DWORD timeoutMs);

  // The filter: the first call in the process has the reporter thread write
  // the report and waits for it, bounded; a call from another thread while
  // that report is written waits for it too. Every call returns
  // EXCEPTION_CONTINUE_SEARCH.
  static LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers);

 private:
  static DWORD WINAPI ReporterMain(void* self);
  void StartReporter();
  void StopReporter();
  // Loads what the report needs and composes its system lines, ahead of any
  // fault, so the crash path loads nothing.
  void Prepare();
  // The text report's first lines, the dump, then the stack, module and
  // thread lists; `thread` is the faulting thread, `threadId` its id.
  // Signals `progressEvent` after each step.
  void WriteCrashReport(EXCEPTION_POINTERS* pointers, DWORD threadId, HANDLE thread);

  CrashRules rules;
  DWORD mode;
  DebugHelp debugHelp;
  Minidump dump;
  ErrorReportRegistration registration;
  LPTOP_LEVEL_EXCEPTION_FILTER replacedFilter;
  int filterInstalled;
  volatile LONG prepared;
  HANDLE reporterThread;
  DWORD reporterThreadId;
  HANDLE requestEvent;   // auto-reset: a report is asked for
  HANDLE progressEvent;  // auto-reset: a step of the report is done
  HANDLE doneEvent;      // manual reset: the report is done
};

#endif  // CRASH_CRASH_REPORTER_H_
