#include "crash/debug_help.h"

#include <stdlib.h>
#include <string.h>

#include "crash/crash_formats.h"

namespace {

// Copies the text after the last backslash of `path` (all of it without one).
void CopyFileName(const char* path, char* name, size_t size) {
  const char* slash = strrchr(path, '\\');
  BoundedFormat(name, size, "%s", slash ? slash + 1 : path);
}

// Appends the value of `variable` and ";" when it is set and fits 260 characters.
void AppendVariable(const char* variable, char* path, size_t size) {
  char value[260];
  DWORD length = GetEnvironmentVariableA(variable, value, sizeof(value));
  if (length == 0 || length >= sizeof(value)) return;
  size_t used = strlen(path);
  BoundedFormat(path + used, size - used, "%s;", value);
}

// The symbol records with the sizes of the real structures: the name field
// starts at offsetof(..., Name), and MaxNameLen counts what fits after it.
const size_t kSymbolBufferSize = 500;
union SymbolBuffer {
  SYMBOL_INFO info;
  IMAGEHLP_SYMBOL64 symbol;
  char bytes[kSymbolBufferSize];
};

}  // namespace

int DebugHelp::Load() {
  if (library.Loaded()) return 1;
  if (!library.Load("dbghelp.dll")) return 0;
  const ProcBinding rows[] = {
      {0, "MiniDumpWriteDump", miniDumpWriteDump.Storage()},
      {0, "SymInitialize", symInitialize.Storage()},
      {0, "SymSetOptions", symSetOptions.Storage()},
      {0, "SymGetSymFromAddr64", symGetSymFromAddr64.Storage()},
      {0, "SymFromAddr", symFromAddr.Storage()},
      {0, "SymGetModuleInfo64", symGetModuleInfo64.Storage()},
      {0, "StackWalk64", stackWalk64.Storage()},
      {0, "SymFunctionTableAccess64", symFunctionTableAccess64.Storage()},
      {0, "SymGetModuleBase64", symGetModuleBase64.Storage()},
      {0, "SymGetLineFromAddr64", symGetLineFromAddr64.Storage()},
  };
  if (!BindChain(&library, rows, sizeof(rows) / sizeof(rows[0]))) {
    ClearTable(rows, sizeof(rows) / sizeof(rows[0]));
    library.Unload();
    return 0;
  }
  return 1;
}

int DebugHelp::Bind() {
  if (started) return 1;
  if (!Load()) return 0;
  symSetOptions(SYMOPT_LOAD_LINES);

  static char searchPath[MAX_PATH * 5 + 8];
  searchPath[0] = 0;
  char module[MAX_PATH + 1];
  DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  module[length < MAX_PATH ? length : MAX_PATH] = 0;
  char* slash = length ? strrchr(module, '\\') : nullptr;
  if (slash) {
    slash[1] = 0;
    BoundedFormat(searchPath, sizeof(searchPath), "%s;", module);
  }
  AppendVariable("_NT_SYMBOL_PATH", searchPath, sizeof(searchPath));
  AppendVariable("_NT_ALTERNATE_SYMBOL_PATH", searchPath, sizeof(searchPath));
  AppendVariable("SYSTEMROOT", searchPath, sizeof(searchPath));
  size_t used = strlen(searchPath);
  if (used) searchPath[used - 1] = 0;

  if (!symInitialize(GetCurrentProcess(), searchPath, TRUE)) {
    Unbind();
    return 0;
  }
  started = 1;
  return 1;
}

void DebugHelp::Unbind() {
  started = 0;
  library.Unload();
  miniDumpWriteDump.Clear();
  symInitialize.Clear();
  symSetOptions.Clear();
  symGetSymFromAddr64.Clear();
  symFromAddr.Clear();
  symGetModuleInfo64.Clear();
  stackWalk64.Clear();
  symFunctionTableAccess64.Clear();
  symGetModuleBase64.Clear();
  symGetLineFromAddr64.Clear();
}

BOOL DebugHelp::WriteDump(HANDLE file, MINIDUMP_EXCEPTION_INFORMATION* exception,
                          MINIDUMP_CALLBACK_INFORMATION* callback) {
  if (!miniDumpWriteDump) return FALSE;
  return miniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, exception, nullptr,
                           callback);
}

int DebugHelp::ModuleForAddress(DWORD64 address, char* name, size_t size, DWORD64* base) {
  if (!Bound()) return 0;
  static IMAGEHLP_MODULE64 info;
  memset(&info, 0, sizeof(info));
  // The size older dbghelp versions know (up to TypeInfo); they refuse
  // the newer headers' larger one, which the retry passes.
  const DWORD kOlderModuleInfoSize = 1664;
  info.SizeOfStruct = kOlderModuleInfoSize;
  int found64 = symGetModuleInfo64(GetCurrentProcess(), address, &info);
  if (!found64) {
    memset(&info, 0, sizeof(info));
    info.SizeOfStruct = sizeof(info);
    found64 = symGetModuleInfo64(GetCurrentProcess(), address, &info);
  }
  char found[MAX_PATH + 1];
  if (found64) {
    if (base) *base = info.BaseOfImage;
    BoundedFormat(found, sizeof(found), "%.32s", info.ModuleName);
  } else {
    DWORD64 moduleBase = symGetModuleBase64(GetCurrentProcess(), address);
    if (!moduleBase) return 0;
    char path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(moduleBase)), path, MAX_PATH);
    if (!length) return 0;
    path[length < MAX_PATH ? length : MAX_PATH] = 0;
    if (base) *base = moduleBase;
    CopyFileName(path, found, sizeof(found));
  }
  if (name) BoundedFormat(name, size, "%s", found);
  return 1;
}

int DebugHelp::LineForAddress(DWORD64 address, IMAGEHLP_LINE64* line) {
  if (!Bound() || !line) return 0;
  DWORD displacement = 0;
  line->SizeOfStruct = sizeof(IMAGEHLP_LINE64);
  return symGetLineFromAddr64(GetCurrentProcess(), address, &displacement, line) != 0;
}

int DebugHelp::SymbolForAddress(DWORD64 address, char* text, size_t size, DWORD64* base, DWORD64* displacement) {
  if (!Bound()) return 0;
  static SymbolBuffer buffer;
  DWORD64 offset = 0;
  const char* description = nullptr;
  memset(&buffer, 0, sizeof(buffer));
  buffer.info.SizeOfStruct = sizeof(SYMBOL_INFO);
  buffer.info.MaxNameLen = kSymbolBufferSize - offsetof(SYMBOL_INFO, Name);
  if (symFromAddr(GetCurrentProcess(), address, &offset, &buffer.info)) {
    if (base) *base = static_cast<DWORD>(buffer.info.Address);
    buffer.bytes[kSymbolBufferSize - 1] = 0;
    description = buffer.info.Name;
  } else {
    memset(&buffer, 0, sizeof(buffer));
    buffer.symbol.SizeOfStruct = sizeof(IMAGEHLP_SYMBOL64);
    buffer.symbol.MaxNameLength = kSymbolBufferSize - offsetof(IMAGEHLP_SYMBOL64, Name);
    offset = 0;
    if (symGetSymFromAddr64(GetCurrentProcess(), address, &offset, &buffer.symbol)) {
      if (base) *base = buffer.symbol.Address;
      buffer.bytes[kSymbolBufferSize - 1] = 0;
      description = buffer.symbol.Name;
    }
  }
  if (description) {
    if (displacement) *displacement = offset;
    if (text) {
      if (displacement && offset)
        BoundedFormat(text, size, "%s - Offset: 0x%I64X", description, offset);
      else
        BoundedFormat(text, size, "%s", description);
    }
    return 1;
  }
  char module[MAX_PATH + 1];
  DWORD64 moduleBase = 0;
  if (!ModuleForAddress(address, module, sizeof(module), &moduleBase)) return 0;
  DWORD64 relative = address >= moduleBase ? address - moduleBase : address;
  if (displacement) *displacement = relative;
  if (base) *base = moduleBase;
  if (text) {
    if (module[0])
      BoundedFormat(text, size, "%s@0x%I64X", module, relative);
    else
      BoundedFormat(text, size, "0x%I64X@0x%I64X", relative, relative);
  }
  return 1;
}

void DebugHelp::WriteStack(const CONTEXT& context, HANDLE thread, HANDLE file) {
  if (!Bound()) return;
  UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  // StackWalk64 rewrites the context it walks; the exception's own context
  // goes back to the platform unchanged.
  static CONTEXT walked;
  walked = context;
  static STACKFRAME64 frame;
  memset(&frame, 0, sizeof(frame));
  frame.AddrPC.Offset = walked.Eip;
  frame.AddrPC.Mode = AddrModeFlat;
  frame.AddrFrame.Offset = walked.Ebp;
  frame.AddrFrame.Mode = AddrModeFlat;
  // Frame addresses seen so far: a cyclic frame chain ends at its first repeat.
  static DWORD64 seenFrames[kMaxFrames];
  static char symbol[1024];
  static char module[MAX_PATH + 1];
  static char line[2048];
  DWORD64 previousPc = 0;
  for (int count = 0; count < kMaxFrames; ++count) {
    if (!stackWalk64(IMAGE_FILE_MACHINE_I386, GetCurrentProcess(), thread, &frame, &walked, nullptr,
                     symFunctionTableAccess64.Get(), symGetModuleBase64.Get(), nullptr))
      break;
    DWORD64 pc = frame.AddrPC.Offset;
    if (pc == previousPc) break;
    previousPc = pc;
    int repeated = 0;
    for (int seen = 0; seen < count && !repeated; ++seen) repeated = seenFrames[seen] == frame.AddrFrame.Offset;
    if (repeated) break;
    seenFrames[count] = frame.AddrFrame.Offset;

    if (!SymbolForAddress(pc, symbol, sizeof(symbol), nullptr, nullptr))
      BoundedFormat(symbol, sizeof(symbol), "0x%08I64X", StoredAddress(pc));
    static IMAGEHLP_LINE64 lineInfo;
    memset(&lineInfo, 0, sizeof(lineInfo));
    int hasLine = LineForAddress(pc, &lineInfo);
    module[0] = 0;
    if (!hasLine && !ModuleForAddress(pc, module, sizeof(module), nullptr)) module[0] = 0;

    if ((pc & 0xFFFF0000) != 0x7FFE0000) {
      DWORD64 p0 = static_cast<DWORD>(frame.Params[0]);
      DWORD64 p1 = static_cast<DWORD>(frame.Params[1]);
      DWORD64 p2 = static_cast<DWORD>(frame.Params[2]);
      DWORD64 p3 = static_cast<DWORD>(frame.Params[3]);
      int length;
      if (hasLine)
        length = BoundedFormat(line, sizeof(line), "%s(0x%I64X,0x%I64X,0x%I64X,0x%I64X) - Line %u in %s\r\n",
                               symbol, p0, p1, p2, p3, (unsigned)lineInfo.LineNumber,
                               lineInfo.FileName ? lineInfo.FileName : "");
      else if (module[0])
        length = BoundedFormat(line, sizeof(line), "%s:%s(0x%I64X,0x%I64X,0x%I64X,0x%I64X)\r\n", module, symbol,
                               p0, p1, p2, p3);
      else
        length = BoundedFormat(line, sizeof(line), "%s(0x%I64X,0x%I64X,0x%I64X,0x%I64X)\r\n", symbol, p0, p1,
                               p2, p3);
      DWORD written = 0;
      WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    }
    if (!frame.AddrReturn.Offset) break;
  }
  SetErrorMode(previousMode);
}
