// The process-wide handler of unhandled exceptions: on the first one it
// writes a minidump "<base>_Debug.dmp" and a text report "<base>_Debug.txt"
// beside the executable (or in the temp folder), then lets the platform's
// default handling go on.
#ifndef CRASH_CRASH_REPORTER_H_
#define CRASH_CRASH_REPORTER_H_

#include <windows.h>
#include <dbghelp.h>
#include <stddef.h>

#include "base/library_handle.h"
#include "crash/crash_records.h"
#include "crash/debug_help.h"

typedef LONG NTAPI NtQueryInformationThreadFunction(HANDLE, ULONG, PVOID, ULONG, PULONG);

struct RecordLists;

class CrashReporter {
 public:
  // Configure(0x1F0000): installs CrashFilter.
  CrashReporter();
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
  void WriteCrashReport(EXCEPTION_POINTERS* pointers);

  // The minidump writer, run on a worker thread: arg1 is a DumpParameters.
  static int WriteDump(INT_PTR parameters, INT_PTR unused);
  static BOOL CALLBACK DumpCallback(PVOID lists, const PMINIDUMP_CALLBACK_INPUT input,
                                    PMINIDUMP_CALLBACK_OUTPUT output);

 private:
  void WriteModuleList(RecordLists& lists, HANDLE file, char* buffer, size_t size);
  void WriteThreadList(RecordLists& lists, HANDLE file, int nt, char* buffer, size_t size);

  DWORD mode;
  DebugHelp debugHelp;
  LibraryHandle ntdll;
  ProcSlot<NtQueryInformationThreadFunction> ntQueryInformationThread;
  LPTOP_LEVEL_EXCEPTION_FILTER replacedFilter;
  int filterInstalled;
};

// The two record lists a dump fills, threads first. Records come from a heap
// of the report's own, so a fault inside the process heap's lock cannot
// block the dump writer.
struct RecordLists {
  LockedList<ThreadRecord> threads;
  LockedList<ModuleRecord> modules;
  HANDLE heap;
  CrashReporter* reporter;
};

// Handed to WriteDump on its worker thread.
struct DumpParameters {
  CrashReporter* reporter;
  HANDLE file;
  MINIDUMP_EXCEPTION_INFORMATION exception;
  MINIDUMP_CALLBACK_INFORMATION callback;
};

// Copies the text at `address` in this process, at most 99 characters, into
// `name` (100 bytes) without faulting: a pointer that cannot be read gives an
// empty name. 1 when something was read.
int ReadTextSafely(const void* address, char* name);

#endif  // CRASH_CRASH_REPORTER_H_
