// dbghelp.dll, bound at run time (never imported): the symbol engine's
// look-ups of addresses, the crash report's stack walk and the minidump
// writer. Every call answers "nothing" while the library is not bound.
#ifndef CRASH_DEBUG_HELP_H_
#define CRASH_DEBUG_HELP_H_

#include <windows.h>
#include <dbghelp.h>
#include <stddef.h>

#include "base/library_handle.h"

class DebugHelp {
 public:
  DebugHelp() = default;
  DebugHelp(const DebugHelp&) = delete;
  DebugHelp& operator=(const DebugHelp&) = delete;

  // Loads the library and finds all ten functions; 0 leaves nothing bound.
  int Load();
  // Load when not yet done, then starts the symbol engine, its search path
  // being the executable's folder and the symbol variables. 1 when started;
  // 0 leaves nothing bound.
  int Bind();
  void Unbind();
  int Bound() const { return started; }

  // Name (or module@offset) of `address` into `text` (size bytes, may be
  // null). `base` and `displacement` may be null. 1 when described.
  int SymbolForAddress(DWORD64 address, char* text, size_t size, DWORD64* base, DWORD64* displacement);
  // Short module name of `address` into `name` (may be null). 1 when found.
  int ModuleForAddress(DWORD64 address, char* name, size_t size, DWORD64* base);
  int LineForAddress(DWORD64 address, IMAGEHLP_LINE64* line);
  // One line per frame of `thread`, walked on a copy of its `context`; at
  // most kMaxFrames frames, and the walk stops at a frame address it has
  // seen before.
  void WriteStack(const CONTEXT& context, HANDLE thread, HANDLE file);

  // A normal minidump of this process into `file`. FALSE when not bound.
  BOOL WriteDump(HANDLE file, MINIDUMP_EXCEPTION_INFORMATION* exception, MINIDUMP_CALLBACK_INFORMATION* callback);

 private:
  static const int kMaxFrames = 1024;

  LibraryHandle library;
  int started = 0;
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
};

#endif  // CRASH_DEBUG_HELP_H_
