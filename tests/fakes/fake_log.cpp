#include "fakes/fake_log.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The variable's value into `value` (of MAX_PATH bytes); false when unset or too long.
bool Variable(const char* name, char* value) {
  DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
  return length && length < MAX_PATH;
}

}  // namespace

void FakeLog(const char* format, ...) {
  char path[MAX_PATH], line[2048];
  if (!Variable("FAKE_LOG", path)) return;
  va_list args;
  va_start(args, format);
  int written = vsnprintf(line, sizeof(line) - 2, format, args);
  va_end(args);
  if (written < 0) return;
  written = strlen(strcat(line, "\r\n"));
  // Several processes may log at once: each line is one appending write.
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD done = 0;
  WriteFile(file, line, written, &done, nullptr);
  CloseHandle(file);
}

const char* FakeQuote(const char* text, char* out, size_t size) {
  snprintf(out, size, text ? "\"%s\"" : "null", text);
  return out;
}

BOOL FakeAnswer(const char* variable, const char* hardwareId) {
  char answer[1024];
  DWORD length = GetEnvironmentVariableA(variable, answer, sizeof(answer));
  if (length == 0 || length >= sizeof(answer) || strcmp(answer, "FALSE") == 0) return FALSE;
  if (strcmp(answer, "TRUE") == 0) return TRUE;
  if (strspn(answer, "0123456789") == length) return static_cast<BOOL>(strtoul(answer, nullptr, 10));
  for (char* id = strtok(answer, ";"); id && hardwareId; id = strtok(nullptr, ";"))
    if (_stricmp(id, hardwareId) == 0) return TRUE;
  return FALSE;
}

void FakeSignalAndWait(const char* entered, const char* block) {
  char name[MAX_PATH];
  HANDLE event = Variable(entered, name) ? OpenEventA(EVENT_MODIFY_STATE, FALSE, name) : nullptr;
  if (event) SetEvent(event), CloseHandle(event);
  event = Variable(block, name) ? OpenEventA(SYNCHRONIZE, FALSE, name) : nullptr;
  if (event) WaitForSingleObject(event, 5 * 60 * 1000), CloseHandle(event);
}
