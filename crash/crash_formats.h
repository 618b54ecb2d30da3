// The crash report's lines as pure functions of recorded values. Each writes
// into the caller's buffer (always terminated, cut when it does not fit) and
// returns the length written; nothing is allocated, so the crash path may use
// them freely.
#ifndef CRASH_CRASH_FORMATS_H_
#define CRASH_CRASH_FORMATS_H_

#include <windows.h>
#include <stddef.h>

#include "crash/crash_records.h"

// The runtime's formatter, bounded: cut output is terminated at size-1.
int BoundedFormat(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(ms_printf, 3, 4)));

// "Access Violation" for 0xC0000005 and so on; "Exception" for other codes.
const char* ExceptionName(DWORD code);

// The exception line; `nt` picks a decimal thread id, else "0x%08X".
int FormatExceptionLine(char* buffer, size_t size, const EXCEPTION_RECORD& record, DWORD threadId, int nt);
// "Write to"/"Read from" line of an access violation with at least two
// parameters; 0 (empty text) for anything else.
int FormatAccessLine(char* buffer, size_t size, const EXCEPTION_RECORD& record);
// The four register lines.
int FormatRegisters(char* buffer, size_t size, const CONTEXT& context);
// The operating-system line; off NT only the build's low 16 bits are shown.
int FormatOsLine(char* buffer, size_t size, const char* osName, const OSVERSIONINFOA& version);

// A 64-bit address as stored: a sign-extended high half (0xFFFFFFFF) is 0.
DWORD64 StoredAddress(DWORD64 address);

// One ModuleList row; `local` is the module's time stamp in local time. A
// null path prints as an empty name.
int FormatModuleRow(char* buffer, size_t size, const ModuleRecord& record, const SYSTEMTIME& local,
                    const CrashRules& rules);
// One ThreadList row; `symbol` may be null (empty column).
int FormatThreadRow(char* buffer, size_t size, const ThreadRecord& record, const char* symbol, int nt);

// The two places the report files go, from the executable's path (null or
// empty when unknown) and the temp folder (with its trailing backslash):
// primary = the path without its extension, fallback = temp + its file name
// without extension ("MiniDump" when the path has no backslash). The
// extension is cut only after the last backslash. 1 when both fit.
int MakeReportBases(const char* modulePath, const char* tempPath, char* primary, char* fallback, size_t size);

#endif  // CRASH_CRASH_FORMATS_H_
