#include "crash/crash_reporter.h"

#include <string.h>

#include "base/owned_handle.h"
#include "base/text_string.h"
#include "crash/crash_formats.h"
#include "crash/crash_records.h"
#include "crash/error_report_registration.h"
#include "crash/minidump.h"
#include "sysinfo/os_identity.h"
#include "sysinfo/processor_info.h"

namespace {

// The reporter CrashFilter writes with: the last one configured.
CrashReporter* activeReporter = nullptr;

}  // namespace

int FormatSystemOsLine(char* buffer, size_t size, const OsRules& rules, OSVERSIONINFOA* version) {
  memset(version, 0, sizeof(*version));
  version->dwOSVersionInfoSize = sizeof(*version);
  GetVersionExA(version);
  char name[kOsNameSize];
  return FormatOsLine(buffer, size, ComposeOsName(name, ClassifyOsExtended(rules), rules), *version);
}

CrashReporter::CrashReporter(const CrashRules& reportRules)
    : rules(reportRules), mode(0), dump(debugHelp), replacedFilter(nullptr), filterInstalled(0), prepared(0),
      reporterThread(nullptr), reporterThreadId(0), requestEvent(nullptr), progressEvent(nullptr),
      doneEvent(nullptr) {
  Configure(0x1F0000);
}

CrashReporter::~CrashReporter() {
  if (activeReporter == this) activeReporter = nullptr;
  StopReporter();
  debugHelp.Unbind();
  HANDLE events[] = {requestEvent, progressEvent, doneEvent};
  for (HANDLE event : events)
    if (event) CloseHandle(event);
}

void CrashReporter::Configure(DWORD word) {
  mode = ((word & 2) ? 2 : 1) | (word & 0x1C);
  activeReporter = this;
  if (word & 8) {
    SetUnhandledExceptionFilter(nullptr);
    filterInstalled = 0;
    return;
  }
  LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(CrashFilter);
  if (!filterInstalled || previous != CrashFilter) replacedFilter = previous == CrashFilter ? nullptr : previous;
  filterInstalled = 1;
  StartReporter();
}

void CrashReporter::Withdraw() {
  StopReporter();
  if (!filterInstalled) return;
  filterInstalled = 0;
  // SetUnhandledExceptionFilter answers the filter it replaced: when that was
  // not ours, someone installed theirs after us and it goes back.
  LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(replacedFilter);
  if (current != CrashFilter) SetUnhandledExceptionFilter(current);
}

/*
 * The faulting thread may have overflowed its stack, or hold the process
 * heap's lock, the loader lock or any lock of ours. So it does no more than
 * hand its exception to the reporter thread and wait, bounded, without
 * dispatching messages: one thread is admitted by an interlocked exchange on
 * `entered` (never reset). The reporter thread loaded what the report needs
 * and composed its system lines and file names when it started; on a
 * request it writes the report's first lines before anything that could
 * need the loader lock (starting the symbol engine, the dump). The text is
 * formatted into static buffers that only the reporter touches (the debug
 * help's symbol records are static too), the dump's records come from a
 * heap of the report's own, and every line is written at once with
 * WriteFile.
 */

namespace {

volatile LONG entered = 0;

// The admitted fault, handed to the reporter thread.
struct Request {
  EXCEPTION_POINTERS* pointers;
  DWORD threadId;
  HANDLE thread;
} request;

// The faulting thread waits at most kStepMs for each step of the report
// and kWholeReportMs for all of it; a thread refused admission waits for the
// report as long.
const DWORD kStepMs = 5000;
const DWORD kWholeReportMs = 30000;

// Only the reporter formats into these.
char lineBuffer[4096];
char systemLines[8192];
int systemLength = 0;
int ntFamily = 0;  // how thread ids are printed
char primaryBase[MAX_PATH + 1];
char fallbackBase[MAX_PATH + 1];
char reportPath[MAX_PATH + 32];
char textPath[MAX_PATH + 32];

void WriteText(HANDLE file, const char* text, int length) {
  DWORD written = 0;
  if (length > 0) WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
}

// CreateFileA as every report file is opened; INVALID_HANDLE_VALUE on failure.
HANDLE CreateReportFile(const char* path) {
  return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Opens "<base><suffix>" with the primary base, then the fallback one (an
// empty base is skipped); reportPath keeps the name that opened.
HANDLE OpenReportFile(const char* suffix) {
  const char* bases[] = {primaryBase, fallbackBase};
  for (const char* base : bases) {
    if (!base[0]) continue;
    BoundedFormat(reportPath, sizeof(reportPath), "%s%s", base, suffix);
    HANDLE file = CreateReportFile(reportPath);
    if (file != INVALID_HANDLE_VALUE) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

LONG WINAPI CrashReporter::CrashFilter(EXCEPTION_POINTERS* pointers) {
  CrashReporter* reporter = activeReporter;
  // A fault of the reporter thread itself must not wait for itself.
  if (!reporter || GetCurrentThreadId() == reporter->reporterThreadId) return EXCEPTION_CONTINUE_SEARCH;
  if (InterlockedExchange(&entered, 1) != 0) {
    // Another fault's report is being written: let it end before this fault
    // ends the process.
    WaitForSingleObject(reporter->doneEvent, kWholeReportMs);
    return EXCEPTION_CONTINUE_SEARCH;
  }
  request.pointers = pointers;
  request.threadId = GetCurrentThreadId();
  request.thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &request.thread, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  if (!reporter->reporterThread) {
    // No reporter thread could be started: written on this thread.
    reporter->Prepare();
    reporter->WriteCrashReport(pointers, request.threadId, request.thread);
    SetEvent(reporter->doneEvent);
    return EXCEPTION_CONTINUE_SEARCH;
  }
  SetEvent(reporter->requestEvent);
  // Each step must end in time: a reporter stuck on a lock this thread holds
  // gives up the rest of the report.
  const DWORD start = GetTickCount();
  HANDLE events[2] = {reporter->doneEvent, reporter->progressEvent};
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kWholeReportMs) break;
    DWORD left = kWholeReportMs - elapsed;
    if (WaitForMultipleObjects(2, events, FALSE, left < kStepMs ? left : kStepMs) != WAIT_OBJECT_0 + 1) break;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

void CrashReporter::StartReporter() {
  if (reporterThread) return;
  if (!requestEvent) requestEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!progressEvent) progressEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!doneEvent) doneEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!requestEvent || !progressEvent || !doneEvent) return;
  // Not waited for: inside a DllMain the thread starts once the loader lock
  // is free.
  reporterThread = CreateThread(nullptr, 0, ReporterMain, this, 0, &reporterThreadId);
  if (!reporterThread) reporterThreadId = 0;
}

int CrashReporter::WaitReady(DWORD timeoutMs) {
  // Polled: the flag is set once, at the end of Prepare; a thread that has
  // ended (at process exit) never sets it.
  for (DWORD waited = 0; !prepared && reporterThread && waited < timeoutMs; waited += 10)
    if (WaitForSingleObject(reporterThread, 10) == WAIT_OBJECT_0) break;
  return prepared != 0;
}

void CrashReporter::StopReporter() {
  if (!reporterThread) return;
  // Idle in its wait it holds no lock; it runs this module's code, so it
  // ends before the module may go away. A thread still preparing may hold
  // the heap's lock: it gets a bounded time to reach its wait first (inside
  // DllMain it may itself be waiting for the loader lock).
  WaitReady(2000);
  TerminateThread(reporterThread, 0);
  WaitForSingleObject(reporterThread, 1000);
  CloseHandle(reporterThread);
  reporterThread = nullptr;
  reporterThreadId = 0;
}

DWORD WINAPI CrashReporter::ReporterMain(void* self) {
  CrashReporter* reporter = static_cast<CrashReporter*>(self);
  reporter->Prepare();
  if (WaitForSingleObject(reporter->requestEvent, INFINITE) != WAIT_OBJECT_0) return 0;
  reporter->WriteCrashReport(request.pointers, request.threadId, request.thread);
  SetEvent(reporter->doneEvent);
  return 0;
}

void CrashReporter::Prepare() {
  if (prepared) return;
  // The module's name is read under the loader lock: here, not on the crash
  // path.
  char temp[521];
  DWORD tempLength = GetTempPathA(520, temp);
  if (tempLength == 0 || tempLength >= 520) temp[0] = 0;
  temp[520] = 0;
  char module[MAX_PATH + 1];
  DWORD moduleLength = GetModuleFileNameA(nullptr, module, MAX_PATH);
  // Terminated within the buffer even when the name was cut.
  module[moduleLength < MAX_PATH ? moduleLength : MAX_PATH] = 0;
  if (!MakeReportBases(moduleLength ? module : nullptr, temp, primaryBase, fallbackBase, sizeof(primaryBase))) {
    // A base that was cut names another file: made once more where both
    // fit, a base that differs is left out.
    static char whole[2][MAX_PATH + 520];
    MakeReportBases(moduleLength ? module : nullptr, temp, whole[0], whole[1], sizeof(whole[0]));
    if (strcmp(whole[0], primaryBase)) primaryBase[0] = 0;
    if (strcmp(whole[1], fallbackBase)) fallbackBase[0] = 0;
  }

  ProcessorInfo processors(rules.os);

  // The three texts and the clock carry over from one processor to the next.
  TextString processorName;
  TextString vendor;
  TextString identifier;
  DWORD mhz = 0;
  const int size = sizeof(systemLines);
  for (unsigned index = 0; processors.QueryProcessor(index, processorName, vendor, &identifier, &mhz); ++index) {
    systemLength += BoundedFormat(systemLines + systemLength, size - systemLength, "\r\n%s %s %s %u Mhz",
                                  processorName.Buffer(), vendor.Buffer(), identifier.Buffer(), (unsigned)mhz);
  }
  OSVERSIONINFOA version;
  systemLength += FormatSystemOsLine(systemLines + systemLength, size - systemLength, rules.os, &version);
  ntFamily = (version.dwPlatformId & 2) != 0;
  systemLength += BoundedFormat(systemLines + systemLength, size - systemLength, "%s Ansi\r\n",
                                IsWow64() == 1 ? "x86 WOW64" : "x86");

  registration.Load();
  dump.Load();
  debugHelp.Load();
  prepared = 1;
}

void CrashReporter::WriteCrashReport(EXCEPTION_POINTERS* pointers, DWORD threadId, HANDLE thread) {
  OwnedHandle report(OpenReportFile("_Debug.txt"));
  HANDLE file = report.Get();
  BoundedFormat(textPath, sizeof(textPath), "%s", reportPath);
  if (report.Valid()) {
    if (pointers && pointers->ExceptionRecord) {
      const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
      WriteText(file, lineBuffer, FormatExceptionLine(lineBuffer, sizeof(lineBuffer), record, threadId, ntFamily));
      WriteText(file, lineBuffer, FormatAccessLine(lineBuffer, sizeof(lineBuffer), record));
    }
    if (pointers && pointers->ContextRecord)
      WriteText(file, lineBuffer, FormatRegisters(lineBuffer, sizeof(lineBuffer), *pointers->ContextRecord));
    WriteText(file, systemLines, systemLength);
  }
  SetEvent(progressEvent);

  if (debugHelp.Bind()) {
    SetEvent(progressEvent);
    OwnedHandle dumpFile(OpenReportFile("_Debug.dmp"));
    if (dumpFile.Valid()) {
      registration.RegisterFile(reportPath);
      dump.Write(dumpFile.Get(), pointers, threadId);
    }
  }
  SetEvent(progressEvent);

  if (report.Valid()) {
    registration.RegisterFile(textPath);
    if (pointers && pointers->ContextRecord && debugHelp.Bound()) {
      WriteText(file, "\r\nStack:\r\n", 10);
      debugHelp.WriteStack(*pointers->ContextRecord, thread, file);
    }
    dump.WriteModuleList(file, rules, lineBuffer, sizeof(lineBuffer));
    dump.WriteThreadList(file, ntFamily, lineBuffer, sizeof(lineBuffer));
  }

  debugHelp.Unbind();
  if (thread) CloseHandle(thread);
}
