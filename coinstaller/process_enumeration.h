// Reporting every running process (and the 16-bit Windows tasks inside a
// virtual DOS machine) to a callback.
#ifndef COINSTALLER_PROCESS_ENUMERATION_H_
#define COINSTALLER_PROCESS_ENUMERATION_H_

#include <windows.h>

// The psapi.dll export names, not the kernel32 "K32" aliases newer headers
// map them to.
#ifndef PSAPI_VERSION
#define PSAPI_VERSION 1
#endif
#include <psapi.h>
#include <tlhelp32.h>
#include <vdmdbg.h>

#include "base/library_handle.h"
#include "base/os_kind.h"

// Called once per process or task. `name` is valid only during the call:
// the full path of the main module (process-status method, empty when it
// cannot be read), the snapshot's executable name (tool-help method) or the
// task's file name. `id` is the process id, or the 16-bit task handle.
// Non-zero continues, 0 stops.
typedef int (*ProcessCallback)(const char* name, DWORD id, int method, void* context);

const int kMethodProcessStatus = 1;
const int kMethodToolHelp = 2;
const int kMethodDosTask = 5;
// Option flag: do not walk the 16-bit tasks.
const int kSkipDosTasks = 0x8;

// Reports every process: on the NT family before Vista through psapi.dll
// (with the 16-bit tasks of each "ntvdm.exe" right after it, through
// vdmdbg.dll, unless `flags` has kSkipDosTasks), elsewhere through the
// kernel32 tool-help snapshot. Returns the result of the last callback made
// for a process (a task's result only ends the walk), or 0 when none was
// made: a missing library or function, a failed snapshot or id query.
// Every library, buffer and handle is released before it returns.
int EnumerateProcesses(ProcessCallback callback, int flags, void* context);

// 1 when `kind` is NT family and `vistaOrLater` is 0.
int UsesProcessStatus(OsKindWord kind, int vistaOrLater);
// 1 when `name` ends with "ntvdm.exe", compared without regard to case.
int IsNtvdmPath(const char* name);

// The functions of the process-status method; the walks below take them so
// that tests can put their own in.
struct ProcessStatusApi {
  ProcSlot<decltype(::EnumProcesses)> enumProcesses;
  ProcSlot<decltype(::EnumProcessModules)> enumProcessModules;
  ProcSlot<decltype(::GetModuleFileNameExA)> getModuleFileNameExA;
  // Null turns the task walk off.
  ProcSlot<decltype(::VDMEnumTaskWOWEx)> vdmEnumTaskWOWEx;
};

struct ToolHelpApi {
  ProcSlot<decltype(::CreateToolhelp32Snapshot)> createToolhelp32Snapshot;
  ProcSlot<decltype(::Process32First)> process32First;
  ProcSlot<decltype(::Process32Next)> process32Next;
};

// The two methods over bound functions (every slot but vdmEnumTaskWOWEx
// non-null); results as EnumerateProcesses.
int WalkProcessStatus(const ProcessStatusApi& api, ProcessCallback callback, int flags, void* context);
int WalkToolHelp(const ToolHelpApi& api, ProcessCallback callback, void* context);

#endif  // COINSTALLER_PROCESS_ENUMERATION_H_
