#include "crash/crash_formats.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int BoundedFormat(char* buffer, size_t size, const char* format, ...) {
  if (!buffer || size == 0) return 0;
  va_list args;
  va_start(args, format);
  int written = _vsnprintf(buffer, size, format, args);
  va_end(args);
  // The runtime leaves cut output unterminated and answers -1.
  if (written < 0 || static_cast<size_t>(written) >= size) {
    buffer[size - 1] = 0;
    return static_cast<int>(size - 1);
  }
  return written;
}

namespace {

struct ExceptionNameRow {
  DWORD code;
  const char* name;
};

const ExceptionNameRow kExceptionNames[] = {
    {0x40010005, "Control-C"},
    {0x40010008, "Control-Break"},
    {0x80000002, "Datatype Misalignment"},
    {0x80000003, "Breakpoint"},
    {0xC0000005, "Access Violation"},
    {0xC0000006, "In Page Error"},
    {0xC0000017, "No Memory"},
    {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Noncontinuable Exception"},
    {0xC0000026, "Invalid Disposition"},
    {0xC000008C, "Array Bounds Exceeded"},
    {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Float Divide by Zero"},
    {0xC000008F, "Float Inexact Result"},
    {0xC0000090, "Float Invalid Operation"},
    {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},
    {0xC0000093, "Float Underflow"},
    {0xC0000094, "Integer Divide by Zero"},
    {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Privileged Instruction"},
    {0xC00000FD, "Stack Overflow"},
    {0xC0000142, "DLL Initialization Failed"},
    {0xE06D7363, "Microsoft C++ Exception"},
};

DWORD Low32(DWORD64 value) { return static_cast<DWORD>(value); }

}  // namespace

const char* ExceptionName(DWORD code) {
  for (const ExceptionNameRow& row : kExceptionNames)
    if (row.code == code) return row.name;
  return "Exception";
}

int FormatExceptionLine(char* buffer, size_t size, const EXCEPTION_RECORD& record, DWORD threadId, int nt) {
  const char* format = nt ? "%s [0x%08X] at 0x%08X in Thread %u.\r\n"
                          : "%s [0x%08X] at 0x%08X in Thread 0x%08X.\r\n";
  return BoundedFormat(buffer, size, format, ExceptionName(record.ExceptionCode),
                       static_cast<unsigned>(record.ExceptionCode),
                       static_cast<unsigned>(reinterpret_cast<UINT_PTR>(record.ExceptionAddress)),
                       static_cast<unsigned>(threadId));
}

int FormatAccessLine(char* buffer, size_t size, const EXCEPTION_RECORD& record) {
  if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters <= 1) {
    if (buffer && size) buffer[0] = 0;
    return 0;
  }
  return BoundedFormat(buffer, size, "%s location 0x%08X.\r\n",
                       record.ExceptionInformation[0] ? "Write to" : "Read from",
                       static_cast<unsigned>(record.ExceptionInformation[1]));
}

int FormatRegisters(char* buffer, size_t size, const CONTEXT& c) {
  // Selectors are 16 bits; the context's wider fields may carry stale upper
  // bits (Wine's captured contexts do).
  return BoundedFormat(buffer, size,
                       "\r\nEAX=0x%08X, CS=0x%04X, EIP=0x%08X, Flags=0x%08X\r\n"
                       "EBX=0x%08X, SS=0x%04X, ESP=0x%08X, EBP=0x%08X\r\n"
                       "ECX=0x%08X, DS=0x%04X, ESI=0x%08X, FS=0x%04X\r\n"
                       "EDX=0x%08X, ES=0x%04X, EDI=0x%08X, GS=0x%04X\r\n",
                       (unsigned)c.Eax, (unsigned)LOWORD(c.SegCs), (unsigned)c.Eip, (unsigned)c.EFlags,
                       (unsigned)c.Ebx, (unsigned)LOWORD(c.SegSs), (unsigned)c.Esp, (unsigned)c.Ebp,
                       (unsigned)c.Ecx, (unsigned)LOWORD(c.SegDs), (unsigned)c.Esi, (unsigned)LOWORD(c.SegFs),
                       (unsigned)c.Edx, (unsigned)LOWORD(c.SegEs), (unsigned)c.Edi, (unsigned)LOWORD(c.SegGs));
}

int FormatOsLine(char* buffer, size_t size, const char* osName, const OSVERSIONINFOA& version) {
  int nt = (version.dwPlatformId & 2) != 0;
  DWORD build = nt ? version.dwBuildNumber : (version.dwBuildNumber & 0xFFFF);
  // szCSDVersion need not be terminated.
  return BoundedFormat(buffer, size, "\r\n%s [%u.%u] Build %u %.128s\r\n", osName ? osName : "",
                       (unsigned)version.dwMajorVersion, (unsigned)version.dwMinorVersion, (unsigned)build,
                       version.szCSDVersion);
}

DWORD64 StoredAddress(DWORD64 address) {
  if ((address >> 32) == 0xFFFFFFFF) return Low32(address);
  return address;
}

int FormatModuleRow(char* buffer, size_t size, const ModuleRecord& record, const SYSTEMTIME& local,
                    const CrashRules& rules) {
  char date[16];
  char time[16];
  BoundedFormat(date, sizeof(date), "%2u.%02u.%04u", local.wDay, local.wMonth, local.wYear);
  BoundedFormat(time, sizeof(time), "%2u:%02u:%02u", local.wHour, local.wMinute, local.wSecond);
  const char* format =
      rules.lastVersionDigits == 5
          ? "%8u 0x%08X %10.10s %8.8s 0x%08X 0x%08I64X %4d.%04d.%04d.%05d %4d.%04d.%04d.%05d - %S\r\n"
          : "%8u 0x%08X %10.10s %8.8s 0x%08X 0x%08I64X %4d.%04d.%04d.%06d %4d.%04d.%04d.%06d - %S\r\n";
  const VS_FIXEDFILEINFO& v = record.versionInfo;
  return BoundedFormat(buffer, size, format, (unsigned)record.sizeOfImage, (unsigned)record.timeDateStamp,
                       date, time, (unsigned)record.checkSum, record.baseOfImage,
                       HIWORD(v.dwFileVersionMS), LOWORD(v.dwFileVersionMS), HIWORD(v.dwFileVersionLS),
                       LOWORD(v.dwFileVersionLS), HIWORD(v.dwProductVersionMS), LOWORD(v.dwProductVersionMS),
                       HIWORD(v.dwProductVersionLS), LOWORD(v.dwProductVersionLS),
                       record.path ? record.path : L"");
}

int FormatThreadRow(char* buffer, size_t size, const ThreadRecord& record, const char* symbol, int nt) {
  const char* format = nt ? "%-8u   0x%08I64X 0x%08I64X 0x%08X %s %s\r\n"
                          : "0x%08X 0x%08I64X 0x%08I64X 0x%08X %s %s\r\n";
  return BoundedFormat(buffer, size, format, (unsigned)record.threadId, record.stackBase, record.stackEnd,
                       (unsigned)record.startAddress, symbol ? symbol : "", record.name);
}

int MakeReportBases(const char* modulePath, const char* tempPath, char* primary, char* fallback, size_t size) {
  const char* module = modulePath && modulePath[0] ? modulePath : "MiniDump";
  const char* slash = strrchr(module, '\\');
  const char* fileName = slash ? slash + 1 : module;
  const char* dot = strrchr(fileName, '.');
  size_t moduleLength = dot ? static_cast<size_t>(dot - module) : strlen(module);
  size_t nameLength = moduleLength - static_cast<size_t>(fileName - module);
  int fits = 1;
  int written = BoundedFormat(primary, size, "%.*s", static_cast<int>(moduleLength), module);
  if (static_cast<size_t>(written) != moduleLength) fits = 0;
  const char* temp = tempPath ? tempPath : "";
  if (slash)
    written = BoundedFormat(fallback, size, "%s%.*s", temp, static_cast<int>(nameLength), fileName);
  else
    written = BoundedFormat(fallback, size, "%sMiniDump", temp);
  if (static_cast<size_t>(written) != strlen(temp) + (slash ? nameLength : 8)) fits = 0;
  return fits;
}
