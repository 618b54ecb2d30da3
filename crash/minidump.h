// The crash report's minidump "<base>_Debug.dmp", written by the calling
// thread, and the module and thread lists that its callback records for the report.
#ifndef CRASH_MINIDUMP_H_
#define CRASH_MINIDUMP_H_

#include <windows.h>
#include <dbghelp.h>
#include <stddef.h>

#include "base/library_handle.h"
#include "base/locked_list.h"
#include "crash/crash_records.h"
#include "crash/debug_help.h"

class Minidump {
 public:
  // Opens the record lists and the records' heap; `debugHelp` writes the
  // dump and names the threads' start addresses. Loads nothing.
  explicit Minidump(DebugHelp& debugHelp);
  // Destroys the records' heap with any record still in it.
  ~Minidump();
  Minidump(const Minidump&) = delete;
  Minidump& operator=(const Minidump&) = delete;

  // Binds what the thread list reads through ntdll, ahead of any fault.
  void Load();
  // Writes the dump into `file`; the exception (when `pointers` is not
  // null) is thread `threadId`'s.
  void Write(HANDLE file, EXCEPTION_POINTERS* pointers, DWORD threadId);
  // The report's module and thread lists, each record freed once written;
  // nothing when the dump recorded none. `buffer` holds one row.
  void WriteModuleList(HANDLE file, const CrashRules& rules, char* buffer, size_t size);
  void WriteThreadList(HANDLE file, int nt, char* buffer, size_t size);

 private:
  typedef LONG NTAPI QueryThreadFunction(HANDLE, ULONG, PVOID, ULONG, PULONG);

  // Records each module and thread the dump writer reports.
  static BOOL CALLBACK RecordCallback(PVOID self, const PMINIDUMP_CALLBACK_INPUT input,
                                      PMINIDUMP_CALLBACK_OUTPUT output);

  DebugHelp& debugHelp;
  LockedList<ThreadRecord> threads;
  LockedList<ModuleRecord> modules;
  // Records come from a heap of the report's own, so a fault inside the
  // process heap's lock cannot block the dump writer.
  HANDLE heap;
  LibraryHandle ntdll;
  ProcSlot<QueryThreadFunction> ntQueryInformationThread;
};

#endif  // CRASH_MINIDUMP_H_
