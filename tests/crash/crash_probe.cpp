// A program that installs the crash reporter and then faults in the way its
// arguments ask: crash_probe <kind> <main|worker>.
#include <windows.h>
#include <stdlib.h>
#include <string.h>

#include "crash/crash_reporter.h"
#include "installer/installer_rules.h"

CrashReporter crashReporter __attribute__((init_priority(101)))(kInstallerCrashRules);

namespace {

volatile int sink;
DWORD chain[4];

// A 150-character thread text: the report keeps its first 99.
const char kThreadText[] =
    "CrashProbeNamedThread-0123456789012345678901234567890123456789012345678901234567890123456789"
    "0123456789012345678901234567890123456789012345678901234567";

__attribute__((noinline)) int Recurse(int depth) {
  volatile char block[4096];
  block[0] = static_cast<char>(depth);
  if (depth > (1 << 30)) return 0;
  return Recurse(depth + 1) + block[0];
}

// Points the frame chain at two records that point at each other, then faults.
__attribute__((noinline)) void CycleFault() {
  void* volatile targets[2] = {&&first, &&second};
  chain[0] = reinterpret_cast<DWORD>(&chain[2]);
  chain[1] = reinterpret_cast<DWORD>(targets[0]);
  chain[2] = reinterpret_cast<DWORD>(&chain[0]);
  chain[3] = reinterpret_cast<DWORD>(targets[1]);
  asm volatile("movl %0, %%ebp\n\tmovl $0, 0" : : "r"(chain) : "memory");
first:
  sink = 1;
second:
  sink = 2;
}

}  // namespace

extern "C" __attribute__((noinline)) void CrashProbeLongSymbolAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghij() { *reinterpret_cast<volatile int*>(0x24) = 1; }

extern "C" __attribute__((noinline)) void FaultHere(const char* kind) {
  if (!strcmp(kind, "write") || !strcmp(kind, "second")) *reinterpret_cast<volatile int*>(0x20) = 1;
  if (!strcmp(kind, "read")) sink = *reinterpret_cast<volatile int*>(0x10);
  if (!strcmp(kind, "divide")) {
    volatile int zero = 0;
    sink = 7 / zero;
  }
  if (!strcmp(kind, "illegal")) asm volatile("ud2");
  if (!strcmp(kind, "cxx")) RaiseException(0xE06D7363, 0, 0, nullptr);
  if (!strcmp(kind, "cycle")) CycleFault();
  if (!strcmp(kind, "longname")) CrashProbeLongSymbolAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghijAbcdefghij();
  if (!strcmp(kind, "overflow")) sink = Recurse(0);
  *reinterpret_cast<volatile int*>(0x28) = 1;
}

namespace {

DWORD WINAPI FaultingThread(void* kind) {
  FaultHere(static_cast<const char*>(kind));
  return 0;
}

HANDLE named;

DWORD WINAPI NamedThread(void* text) {
  reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ArbitraryUserPointer = text;
  SetEvent(named);
  Sleep(INFINITE);
  return 0;
}

// Runs the filter by hand twice; exits with 3 when either call did not
// answer EXCEPTION_CONTINUE_SEARCH.
void FilterTwice() {
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  record.ExceptionAddress = reinterpret_cast<void*>(&FaultHere);
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = 1;
  record.ExceptionInformation[1] = 0x30;
  CONTEXT context;
  RtlCaptureContext(&context);
  EXCEPTION_POINTERS pointers = {&record, &context};
  LONG first = CrashReporter::CrashFilter(&pointers);
  record.ExceptionCode = EXCEPTION_INT_DIVIDE_BY_ZERO;
  record.NumberParameters = 0;
  LONG second = CrashReporter::CrashFilter(&pointers);
  if (first != EXCEPTION_CONTINUE_SEARCH || second != EXCEPTION_CONTINUE_SEARCH) ExitProcess(3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* kind = argv[1];
  if (!strcmp(kind, "threadname") || !strcmp(kind, "badname")) {
    named = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    void* text = !strcmp(kind, "threadname") ? const_cast<char*>(kThreadText) : reinterpret_cast<void*>(0x10);
    CloseHandle(CreateThread(nullptr, 0, NamedThread, text, 0, nullptr));
    WaitForSingleObject(named, INFINITE);
  }
  if (!strcmp(kind, "second")) FilterTwice();
  if (!strcmp(argv[2], "worker")) {
    HANDLE thread = CreateThread(nullptr, 0, FaultingThread, argv[1], 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    return 1;
  }
  FaultHere(kind);
  return 1;
}
