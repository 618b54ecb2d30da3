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

CrashReporter::CrashReporter(const CrashRules& reportRules)
    : rules(reportRules), mode(0), replacedFilter(nullptr), filterInstalled(0) {
  Configure(0x1F0000);
}

CrashReporter::~CrashReporter() {
  debugHelp.Unbind();
  if (activeReporter == this) activeReporter = nullptr;
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
}

void CrashReporter::Withdraw() {
  if (!filterInstalled) return;
  filterInstalled = 0;
  // SetUnhandledExceptionFilter answers the filter it replaced: when that was
  // not ours, someone installed theirs after us and it goes back.
  LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(replacedFilter);
  if (current != CrashFilter) SetUnhandledExceptionFilter(current);
}

/*
 * The crash path runs on a thread that just faulted, possibly while it held
 * the process heap's lock, the loader lock or any lock of ours. So it does
 * no more than it must: one thread is admitted by an interlocked exchange on
 * `entered` (never reset), the report's text is formatted into static
 * buffers that only the admitted thread touches (the debug help's symbol
 * records are static too), the dump's records come from a heap of the
 * report's own, and every line is written at once with WriteFile. The
 * processor and version readers still use the registry and the text
 * string's heap buffers, which cannot be avoided without copying them.
 */

namespace {

volatile LONG entered = 0;

// Only the admitted thread formats into these.
char lineBuffer[4096];
char primaryBase[MAX_PATH + 1];
char fallbackBase[MAX_PATH + 1];
char reportPath[MAX_PATH + 32];

void WriteText(HANDLE file, const char* text, int length) {
  DWORD written = 0;
  if (length > 0) WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
}

// CreateFileA as every report file is opened; INVALID_HANDLE_VALUE on failure.
HANDLE CreateReportFile(const char* path) {
  return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Opens "<base><suffix>" with the primary base, then the fallback one;
// reportPath keeps the name that opened.
HANDLE OpenReportFile(const char* suffix) {
  const char* bases[] = {primaryBase, fallbackBase};
  for (const char* base : bases) {
    BoundedFormat(reportPath, sizeof(reportPath), "%s%s", base, suffix);
    HANDLE file = CreateReportFile(reportPath);
    if (file != INVALID_HANDLE_VALUE) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

LONG WINAPI CrashReporter::CrashFilter(EXCEPTION_POINTERS* pointers) {
  if (InterlockedExchange(&entered, 1) == 0 && activeReporter) activeReporter->WriteCrashReport(pointers);
  return EXCEPTION_CONTINUE_SEARCH;
}

void CrashReporter::WriteCrashReport(EXCEPTION_POINTERS* pointers) {
  Minidump dump(debugHelp);
  ProcessorInfo processors(rules.os);
  ErrorReportRegistration registration;

  char temp[521];
  DWORD tempLength = GetTempPathA(520, temp);
  if (tempLength == 0 || tempLength >= 520) temp[0] = 0;
  temp[520] = 0;
  char module[MAX_PATH + 1];
  DWORD moduleLength = GetModuleFileNameA(nullptr, module, MAX_PATH);
  // Terminated within the buffer even when the name was cut.
  module[moduleLength < MAX_PATH ? moduleLength : MAX_PATH] = 0;
  MakeReportBases(moduleLength ? module : nullptr, temp, primaryBase, fallbackBase, sizeof(primaryBase));

  if (debugHelp.Bind()) {
    OwnedHandle dumpFile(OpenReportFile("_Debug.dmp"));
    if (dumpFile.Valid()) {
      registration.RegisterFile(reportPath);
      dump.Write(dumpFile.Get(), pointers);
    }
  }

  OwnedHandle report(OpenReportFile("_Debug.txt"));
  if (report.Valid()) {
    HANDLE file = report.Get();
    registration.RegisterFile(reportPath);
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    int nt = (version.dwPlatformId & 2) != 0;

    if (pointers && pointers->ExceptionRecord) {
      const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
      WriteText(file, lineBuffer, FormatExceptionLine(lineBuffer, sizeof(lineBuffer), record, GetCurrentThreadId(), nt));
      WriteText(file, lineBuffer, FormatAccessLine(lineBuffer, sizeof(lineBuffer), record));
    }
    if (pointers && pointers->ContextRecord)
      WriteText(file, lineBuffer, FormatRegisters(lineBuffer, sizeof(lineBuffer), *pointers->ContextRecord));

    char osName[kOsNameSize];
    const char* name = ComposeOsName(osName, ClassifyOsExtended(rules.os), rules.os);

    // The three texts and the clock carry over from one processor to the next.
    TextString processorName;
    TextString vendor;
    TextString identifier;
    DWORD mhz = 0;
    for (unsigned index = 0; processors.QueryProcessor(index, processorName, vendor, &identifier, &mhz); ++index) {
      WriteText(file, lineBuffer,
                BoundedFormat(lineBuffer, sizeof(lineBuffer), "\r\n%s %s %s %u Mhz", processorName.Buffer(),
                              vendor.Buffer(), identifier.Buffer(), (unsigned)mhz));
    }
    WriteText(file, lineBuffer, FormatOsLine(lineBuffer, sizeof(lineBuffer), name, version));
    WriteText(file, lineBuffer,
              BoundedFormat(lineBuffer, sizeof(lineBuffer), "%s Ansi\r\n", IsWow64() == 1 ? "x86 WOW64" : "x86"));

    if (pointers && pointers->ContextRecord && debugHelp.Bound()) {
      WriteText(file, "\r\nStack:\r\n", 10);
      debugHelp.WriteStack(*pointers->ContextRecord, file);
    }
    dump.WriteModuleList(file, rules, lineBuffer, sizeof(lineBuffer));
    dump.WriteThreadList(file, nt, lineBuffer, sizeof(lineBuffer));
  }

  debugHelp.Unbind();
}
