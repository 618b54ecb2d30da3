#include "fakes/fake_log.h"

#include <stdarg.h>
#include <stdio.h>

void FakeLog(const char* format, ...) {
  char path[MAX_PATH], line[2048];
  const DWORD length = GetEnvironmentVariableA("FAKE_LOG", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  va_list args;
  va_start(args, format);
  const int written = vsnprintf(line, sizeof(line) - 1, format, args);
  va_end(args);
  if (written < 0 || written > static_cast<int>(sizeof(line)) - 2) return;
  line[written] = '\n';
  // Several processes may log at once: each line is one appending write.
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD done = 0;
  WriteFile(file, line, written + 1, &done, nullptr);
  CloseHandle(file);
}
