// The process-wide handler of unhandled exceptions: on the first one it
// writes a minidump "<base>_Debug.dmp" and a text report "<base>_Debug.txt"
// beside the executable (or in the temp folder), then lets the platform's
// default handling go on.
#ifndef CRASH_CRASH_REPORTER_H_
#define CRASH_CRASH_REPORTER_H_

#include <windows.h>

#include "crash/crash_records.h"
#include "crash/debug_help.h"

class CrashReporter {
 public:
  // Configure(0x1F0000): installs CrashFilter. The report follows `rules`.
  explicit CrashReporter(const CrashRules& rules);
  // Releases debug help; the filter stays installed.
  ~CrashReporter();
  CrashReporter(const CrashReporter&) = delete;
  CrashReporter& operator=(const CrashReporter&) = delete;

  // mode = 2 when bit 1 of `word` is set, else 1, plus bits 2-4 of `word`.
  // Bit 3 clear installs CrashFilter (remembering the filter it replaced);
  // set, it removes any filter.
  void Configure(DWORD word);
  DWORD Mode() const { return mode; }
  // For a library about to be unloaded: puts back the filter that Configure
  // replaced, but only while CrashFilter is still the installed one; a filter
  // installed after ours is left in place.
  void Withdraw();

  // The filter: the first call in the process writes the report; every call
  // returns EXCEPTION_CONTINUE_SEARCH.
  static LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers);

 private:
  // The dump, then the text report with the stack, module and thread lists.
  void WriteCrashReport(EXCEPTION_POINTERS* pointers);

  CrashRules rules;
  DWORD mode;
  DebugHelp debugHelp;
  LPTOP_LEVEL_EXCEPTION_FILTER replacedFilter;
  int filterInstalled;
};

#endif  // CRASH_CRASH_REPORTER_H_
