// A program that faults in the way its first argument asks:
//   full      a worker thread, its start routine having a 660-character name
//             and its name a 150-character text, writes to 0x24; the main
//             thread's name cannot be read;
//   second    the filter called by hand twice (exit 3 unless both answer
//             CONTINUE_SEARCH, 4 when a report file or debug help stays
//             open), then a write to 0x20;
//   cycle     a write to 0 from code with no unwind data, the frame chain
//             looping;
//   write     a write to 0x20;
//   overflow  the stack overflows on the main thread, or with any second
//             argument on a worker thread;
//   load DLL  a write to 0x20 while another thread loading DLL holds the
//             loader lock (Wine keeps a fault inside a DllMain from the
//             filter);
//   two       a write to 0x20, and a worker thread's write to 0x60 once the
//             report file is there;
//   host DLL  no reporter of its own: checks that unloading DLL puts back the
//             filter it replaced (exit 5) but keeps one installed after it
//             (exit 6), then loads it once more and writes to 0x40.
#include <windows.h>
#include <string.h>

#include "crash/crash_reporter.h"
#include "installer/installer_rules.h"

extern "C" DWORD WINAPI
CrashProbeLongSymbolAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghij(void*) {
  // The thread list keeps the first 99 characters.
  reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ArbitraryUserPointer = const_cast<char*>(
      "CrashProbeNamedThread-0123456789012345678901234567890123456789012345678901234567890123456789"
      "0123456789012345678901234567890123456789012345678901234567");
  *reinterpret_cast<volatile int*>(0x24) = 1;
  return 0;
}

volatile int endless = 1;

extern "C" DWORD WINAPI CrashProbeOverflow(void* depth) {
  volatile char pad[1024];
  pad[0] = 0;
  return endless ? CrashProbeOverflow(static_cast<char*>(depth) + 1) + pad[0] : 0;
}

namespace {

DWORD WINAPI FaultOnReport(void*) {
  char path[MAX_PATH + 16];
  strcpy(strrchr((GetModuleFileNameA(nullptr, path, MAX_PATH), path), '.'), "_Debug.txt");
  while (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) Sleep(1);
  *reinterpret_cast<volatile int*>(0x60) = 1;
  return 0;
}

// Points the frame chain at two records that point at each other and writes to
// 0, from code with no unwind data: only there does the stack walk follow the
// frame chain rather than the unwind data.
void CycleFault() {
  static DWORD chain[4];
  BYTE* code = static_cast<BYTE*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_EXECUTE_READWRITE));
  const BYTE kCode[] = {0xBD, 0, 0, 0, 0, 0xC7, 0x05, 0, 0, 0, 0, 0, 0, 0, 0};  // mov ebp, chain; mov [0], 0
  memcpy(code, kCode, sizeof(kCode));
  *reinterpret_cast<DWORD**>(code + 1) = chain;
  const DWORD links[] = {reinterpret_cast<DWORD>(&chain[2]), reinterpret_cast<DWORD>(code + 1),
                         reinterpret_cast<DWORD>(&chain[0]), reinterpret_cast<DWORD>(code + 2)};
  memcpy(chain, links, sizeof(links));
  reinterpret_cast<void (*)()>(code)();
}

LONG WINAPI HostFilter(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

int Host(const char* dll) {
  // The device installer's rhythm first: loaded, called, unloaded, again and again.
  typedef DWORD CALLBACK CallbackFunction(UINT, void*, void*, void*);
  for (int i = 0; i < 30; ++i) {
    HMODULE cycled = LoadLibraryA(dll);
    auto* callback = reinterpret_cast<CallbackFunction*>(reinterpret_cast<void (*)()>(GetProcAddress(cycled, "Callback")));
    if (!callback || callback(0xC, nullptr, nullptr, nullptr) != 0) return 7;  // DIF_DESTROYPRIVATEDATA
    FreeLibrary(cycled);
  }
  SetUnhandledExceptionFilter(HostFilter);
  FreeLibrary(LoadLibraryA(dll));
  if (SetUnhandledExceptionFilter(nullptr) != HostFilter) return 5;
  HMODULE library = LoadLibraryA(dll);
  SetUnhandledExceptionFilter(UnhandledExceptionFilter);
  FreeLibrary(library);
  if (SetUnhandledExceptionFilter(nullptr) != UnhandledExceptionFilter || !LoadLibraryA(dll)) return 6;
  *reinterpret_cast<volatile int*>(0x40) = 1;
  return 1;
}

// Runs the filter by hand on an access violation, then on a division by
// zero; afterwards the report file and debug help may not stay open.
int FilterTwice() {
  EXCEPTION_RECORD records[] = {{EXCEPTION_ACCESS_VIOLATION, 0, nullptr, reinterpret_cast<void*>(&Host), 2, {1, 0x30}},
                                {EXCEPTION_INT_DIVIDE_BY_ZERO, 0, nullptr, reinterpret_cast<void*>(&Host), 0, {}}};
  CONTEXT context = {};
  EXCEPTION_POINTERS first = {&records[0], &context}, second = {&records[1], &context};
  if (CrashReporter::CrashFilter(&first) != EXCEPTION_CONTINUE_SEARCH ||
      CrashReporter::CrashFilter(&second) != EXCEPTION_CONTINUE_SEARCH)
    return 3;
  char path[MAX_PATH + 16];
  strcpy(strrchr((GetModuleFileNameA(nullptr, path, MAX_PATH), path), '.'), "_Debug.txt");
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  return file == INVALID_HANDLE_VALUE || !CloseHandle(file) || GetModuleHandleA("dbghelp.dll") ? 4 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  if (!strcmp(mode, "host")) return argc > 2 ? Host(argv[2]) : 2;
  static CrashReporter reporter(kInstallerCrashRules);
  if (!strcmp(mode, "full")) {
    reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ArbitraryUserPointer = reinterpret_cast<void*>(0x10);
    WaitForSingleObject(CreateThread(nullptr, 0, CrashProbeLongSymbolAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghij, nullptr, 0, nullptr), INFINITE);
  }
  if (int failed = strcmp(mode, "second") ? 0 : FilterTwice()) return failed;
  if (!strcmp(mode, "cycle")) CycleFault();
  if (!strcmp(mode, "overflow") && argc > 2) {
    // Ends with the worker, whichever way it ended.
    HANDLE worker = CreateThread(nullptr, 0, CrashProbeOverflow, nullptr, 0, nullptr);
    DWORD code = WaitForSingleObject(worker, INFINITE);
    TerminateProcess(GetCurrentProcess(), GetExitCodeThread(worker, &code) ? code : 1);
  }
  if (!strcmp(mode, "overflow")) CrashProbeOverflow(nullptr);
  if (!strcmp(mode, "load")) {
    // The reporter thread binds debug help last when it starts.
    while (!GetModuleHandleA("dbghelp.dll")) Sleep(1);
    Sleep(200);
    HANDLE locked = CreateEventA(nullptr, TRUE, FALSE, "CrashProbeLoaderLock");
    CreateThread(nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(LoadLibraryA)),
                 argv[2], 0, nullptr);
    WaitForSingleObject(locked, 10000);
  }
  if (!strcmp(mode, "two")) CreateThread(nullptr, 0, FaultOnReport, nullptr, 0, nullptr);
  *reinterpret_cast<volatile int*>(0x20) = 1;
  return 1;
}
