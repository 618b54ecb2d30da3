#include "installer/install_log.h"

#include <stdarg.h>
#include <string.h>

#include "crash/crash_formats.h"
#include "crash/crash_reporter.h"
#include "installer/installer_rules.h"
#include "ui/module_file.h"

void InstallLog::Open(const char* path) {
  OwnedHandle* slot = !files[0].Valid() ? &files[0] : !files[1].Valid() ? &files[1] : nullptr;
  if (!slot || !path || !*path) return;
  const DWORD error = GetLastError();
  WIN32_FILE_ATTRIBUTE_DATA data;
  DWORD disposition = OPEN_ALWAYS;
  if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) &&
      (data.nFileSizeHigh || data.nFileSizeLow >= kSizeLimit)) {
    char old[MAX_PATH + 4];
    if (BoundedFormat(old, sizeof(old), "%s.old", path) >= static_cast<int>(sizeof(old)) - 1 ||
        !MoveFileExA(path, old, MOVEFILE_REPLACE_EXISTING))
      disposition = CREATE_ALWAYS;
  }
  // Appending access: every write lands at the end, also beside another
  // writer of the same file.
  slot->Reset(CreateFileA(path, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  // The same file under another name is written once.
  BY_HANDLE_FILE_INFORMATION first, second;
  if (slot == &files[1] && slot->Valid() && GetFileInformationByHandle(files[0].Get(), &first) &&
      GetFileInformationByHandle(slot->Get(), &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
      first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow)
    slot->Reset();
  SetLastError(error);
}

void InstallLog::Line(const char* format, ...) {
  if (!Active()) return;
  const DWORD error = GetLastError();
  char text[kLineSize + 2];
  va_list arguments;
  va_start(arguments, format);
  const int length = _vsnprintf(text, kLineSize, format, arguments);
  va_end(arguments);
  text[length < 0 || length >= kLineSize ? kLineSize - 1 : length] = 0;
  // A run of line breaks becomes one space.
  int out = 0;
  for (const char* in = text; *in; ++in) {
    const bool lineBreak = *in == '\r' || *in == '\n';
    if (lineBreak && out > 0 && text[out - 1] == ' ') continue;
    text[out++] = lineBreak ? ' ' : *in;
  }
  text[out++] = '\r';
  text[out++] = '\n';
  for (OwnedHandle& file : files) {
    DWORD written = 0;
    if (file.Valid()) WriteFile(file.Get(), text, out, &written, nullptr);
  }
  SetLastError(error);
}

void InstallLog::Header(const char* commandLine) {
  if (!Active()) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char program[ModuleFile::kTitleSize];
  ModuleFile::FormatVersionTitle("Bramcot", nullptr, program, sizeof(program));
  Line("==== %04u-%02u-%02u %02u:%02u:%02u %s, command line: %s", now.wYear, now.wMonth, now.wDay, now.wHour,
       now.wMinute, now.wSecond, program, commandLine && *commandLine ? commandLine : "(none)");

  OSVERSIONINFOA version;
  char line[kOsNameSize + 200];
  FormatSystemOsLine(line, sizeof(line), kInstallerOsRules, &version);
  // The report's line stands between line breaks; here it has a name.
  line[strcspn(line + 2, "\r\n") + 2] = 0;
  Line("system: %s", line + 2);
}

void InstallLog::Close() {
  for (OwnedHandle& file : files) file.Reset();
}

const char* InstallLog::DescribeError(DWORD error, char* buffer, size_t size) {
  const int length = BoundedFormat(buffer, size, error < 0x10000 ? "error %lu" : "error 0x%08lX", error);
  char text[256];
  DWORD got = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof(text), nullptr);
  while (got > 0 && (text[got - 1] == '\r' || text[got - 1] == '\n' || text[got - 1] == ' ')) text[--got] = 0;
  if (got > 0) BoundedFormat(buffer + length, size - length, ": %s", text);
  return buffer;
}
