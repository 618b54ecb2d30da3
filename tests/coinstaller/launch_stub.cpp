// The tests' stand-in program (also the launch target of the ui tests).
//
// Without a mode it stands for any program the co-installer starts: it
// appends "<own path>|<parameters>|<directory>" to the file named by
// HELPER_LOG (else "launch_record.txt" beside itself), <parameters> being its
// command line after the first word. Then it sleeps "sleep=<ms>" and exits
// with "exit=<code>" when its command line holds them.
//
// --steps OUT: into OUT, "<result> <text>" of ReadFirstHardwareId (into a
// buffer of '#'), one "<method> <id> <name>" line per EnumerateProcesses
// report and "result <n>"; then the finish step in session 0.
#include <windows.h>

#include <share.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "coinstaller/install_function.h"
#include "coinstaller/process_enumeration.h"
#include "coinstaller/receiver_family.h"

static int Report(const char* name, DWORD id, int method, void* out) {
  return fprintf(static_cast<FILE*>(out), "%d %lu %s\n", method, id, name) > 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && !strcmp(argv[1], "--steps")) {
    FILE* out = fopen(argv[2], "wb");
    char id[kHardwareIdSize + 1];
    memset(id, '#', sizeof(id));
    SP_DEVINFO_DATA data = {sizeof(data), {}, 0, 0};
    fprintf(out, "%d %s\n", ReadFirstHardwareId(nullptr, &data, id), id);
    fprintf(out, "result %d\n", EnumerateProcesses(Report, 0, out));
    currentSessionId = [] { return DWORD(0); };
    RunInstallFunction(DIF_NEWDEVICEWIZARD_FINISHINSTALL, nullptr, &data);
    return fclose(out);
  }
  char log[MAX_PATH + 32] = {}, self[MAX_PATH] = {}, directory[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
  GetCurrentDirectoryA(MAX_PATH, directory);
  if (!GetEnvironmentVariableA("HELPER_LOG", log, MAX_PATH))
    strcpy(strrchr(strcpy(log, self), '\\') + 1, "launch_record.txt");
  const char* line = GetCommandLineA();
  const char* parameters = line + (*line == '"' ? strcspn(line + 1, "\"") + 2 : strcspn(line, " "));
  parameters += strspn(parameters, " ");
  // Programs started together share the log: opened unshared, each waits for its turn.
  FILE* out = nullptr;
  for (int attempt = 0; attempt < 250 && !(out = _fsopen(log, "ab", _SH_DENYRW)); ++attempt) Sleep(20);
  if (out) fprintf(out, "%s|%s|%s\n", self, parameters, directory), fclose(out);
  if (const char* sleep = strstr(line, "sleep=")) Sleep(atoi(sleep + 6));
  const char* code = strstr(line, "exit=");
  return code ? atoi(code + 5) : 0;
}
