// The tests' stand-in program (also the launch target of the ui tests), in one
// of three modes.
//
// Without a mode it stands for any program the co-installer starts: it
// appends "<tag>|<own path>|<command line>|<directory>|<check>" to the file
// named by HELPER_LOG (else "launch_record.txt" beside itself), where <tag> is
// HELPER_TAG and <check> tells whether the file named by HELPER_CHECK exists
// ("-" when unset); then sleeps "sleep=<ms>" and exits with "exit=<code>"
// when its command line holds them.
//
// --procs OUT FLAGS: EnumerateProcesses into OUT, one "<method> <id> <name>"
//   line per report, then "result <n>" and "handles <before> <after>".
// --hwid OUT: ReadFirstHardwareId through whatever setupapi.dll loads, into a
//   buffer of '#', and "<result> <text>" into OUT.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "support/handle_count.h"
#include "coinstaller/process_enumeration.h"
#include "coinstaller/receiver_family.h"

namespace {

int Report(const char* name, DWORD id, int method, void* out) {
  fprintf(static_cast<FILE*>(out), "%d %lu %s\n", method, id, name);
  return 1;
}

const char* Variable(const char* name, char* value) {
  return GetEnvironmentVariableA(name, value, MAX_PATH) ? value : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "--procs") == 0) {
    FILE* out = fopen(argv[2], "w");
    DWORD before = OwnHandleCount();
    int result = EnumerateProcesses(Report, atoi(argv[3]), out);
    DWORD after = OwnHandleCount();
    fprintf(out, "result %d\nhandles %lu %lu\n", result, before, after);
    return fclose(out);
  }
  if (argc == 3 && strcmp(argv[1], "--hwid") == 0) {
    char buffer[kHardwareIdSize + 1];
    memset(buffer, '#', sizeof(buffer));
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    int read = ReadFirstHardwareId(nullptr, &data, buffer);
    FILE* out = fopen(argv[2], "wb");
    fprintf(out, "%d %s", read, buffer);
    return fclose(out);
  }
  char log[MAX_PATH + 16], tag[MAX_PATH], check[MAX_PATH], self[MAX_PATH] = {}, directory[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
  GetCurrentDirectoryA(MAX_PATH, directory);
  if (!Variable("HELPER_LOG", log)) strcpy(strrchr(strcpy(log, self), '\\') + 1, "launch_record.txt");
  const char* exists = "-";
  if (Variable("HELPER_CHECK", check)) exists = GetFileAttributesA(check) != INVALID_FILE_ATTRIBUTES ? "1" : "0";
  const char* line = GetCommandLineA();
  for (int attempt = 0; attempt < 100; ++attempt, Sleep(20)) {
    if (FILE* out = fopen(log, "ab")) {
      fprintf(out, "%s|%s|%s|%s|%s\n", Variable("HELPER_TAG", tag) ? tag : "-", self, line, directory, exists);
      fclose(out);
      break;
    }
  }
  if (const char* sleep = strstr(line, "sleep=")) Sleep(atoi(sleep + 6));
  const char* code = strstr(line, "exit=");
  return code ? atoi(code + 5) : 0;
}
