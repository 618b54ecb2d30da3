#include "fakes/fake_log.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void FakeLog(const char* format, ...) {
  char path[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("FAKE_LOG", path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return;
  char line[2048];
  va_list args;
  va_start(args, format);
  int written = vsnprintf(line, sizeof(line) - 2, format, args);
  va_end(args);
  if (written < 0) return;
  if (written > static_cast<int>(sizeof(line)) - 3) written = sizeof(line) - 3;
  line[written++] = '\r';
  line[written++] = '\n';
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD done = 0;
  WriteFile(file, line, written, &done, nullptr);
  CloseHandle(file);
}

const char* FakeQuote(const char* text, char* out, size_t size) {
  if (!text)
    snprintf(out, size, "null");
  else
    snprintf(out, size, "\"%s\"", text);
  return out;
}

BOOL FakeAnswer(const char* variable, const char* hardwareId) {
  char answer[1024];
  DWORD length = GetEnvironmentVariableA(variable, answer, sizeof(answer));
  if (length == 0 || length >= sizeof(answer) || strcmp(answer, "FALSE") == 0) return FALSE;
  if (strcmp(answer, "TRUE") == 0) return TRUE;
  if (strspn(answer, "0123456789") == length) return static_cast<BOOL>(strtoul(answer, nullptr, 10));
  if (!hardwareId) return FALSE;
  for (char* id = strtok(answer, ";"); id; id = strtok(nullptr, ";"))
    if (_stricmp(id, hardwareId) == 0) return TRUE;
  return FALSE;
}

void FakeSignalAndWait(const char* entered, const char* block) {
  char name[MAX_PATH];
  DWORD length = GetEnvironmentVariableA(entered, name, sizeof(name));
  if (length && length < sizeof(name)) {
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    if (event) {
      SetEvent(event);
      CloseHandle(event);
    }
  }
  length = GetEnvironmentVariableA(block, name, sizeof(name));
  if (length && length < sizeof(name)) {
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, name);
    if (event) {
      WaitForSingleObject(event, 5 * 60 * 1000);
      CloseHandle(event);
    }
  }
}
