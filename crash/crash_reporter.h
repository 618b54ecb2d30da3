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

typedef LONG NTAPI NtQueryInformationThreadFunction(HANDLE, ULONG, PVOID, ULONG, PULONG);

struct RecordLists;

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
  void WriteCrashReport(EXCEPTION_POINTERS* pointers);

  // Debug help. BindDebugHelp: 1 when all ten functions were found and the
  // symbol engine started; 0 leaves nothing bound.
  int BindDebugHelp();
  void UnbindDebugHelp();
  int DebugHelpBound() const { return debugHelp.Loaded(); }
  // Name (or module@offset) of `address` into `text` (size bytes, may be
  // null). `base` and `displacement` may be null. 1 when described.
  int SymbolForAddress(DWORD64 address, char* text, size_t size, DWORD64* base, DWORD64* displacement);
  // Short module name of `address` into `name` (may be null). 1 when found.
  int ModuleForAddress(DWORD64 address, char* name, size_t size, DWORD64* base);
  int LineForAddress(DWORD64 address, IMAGEHLP_LINE64* line);
  // One line per frame, walked on a copy of `context`; at most kMaxFrames
  // frames, and the walk stops at a frame address it has seen before.
  void WriteStack(const CONTEXT& context, HANDLE file);
  static const int kMaxFrames = 1024;

  // The minidump writer, run on a worker thread: arg1 is a DumpParameters.
  static int WriteDump(INT_PTR parameters, INT_PTR unused);
  static BOOL CALLBACK DumpCallback(PVOID lists, const PMINIDUMP_CALLBACK_INPUT input,
                                    PMINIDUMP_CALLBACK_OUTPUT output);

 private:
  void WriteModuleList(RecordLists& lists, HANDLE file, char* buffer, size_t size);
  void WriteThreadList(RecordLists& lists, HANDLE file, int nt, char* buffer, size_t size);

  CrashRules rules;
  DWORD mode;
  LibraryHandle debugHelp;
  LibraryHandle ntdll;
  ProcSlot<decltype(::MiniDumpWriteDump)> miniDumpWriteDump;
  ProcSlot<decltype(::SymInitialize)> symInitialize;
  ProcSlot<decltype(::SymSetOptions)> symSetOptions;
  ProcSlot<decltype(::SymGetSymFromAddr64)> symGetSymFromAddr64;
  ProcSlot<decltype(::SymFromAddr)> symFromAddr;
  ProcSlot<decltype(::SymGetModuleInfo64)> symGetModuleInfo64;
  ProcSlot<decltype(::StackWalk64)> stackWalk64;
  ProcSlot<decltype(::SymFunctionTableAccess64)> symFunctionTableAccess64;
  ProcSlot<decltype(::SymGetModuleBase64)> symGetModuleBase64;
  ProcSlot<decltype(::SymGetLineFromAddr64)> symGetLineFromAddr64;
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
