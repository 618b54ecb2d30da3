#include "coinstaller/program_launcher.h"

#include <shellapi.h>
#include <string.h>

#include "base/text_string.h"
#include "base/waitable_handle.h"
#include "base/owned_handle.h"

int ShellRun(const char* program, const char* parameters, const char* directory, int show) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.lpFile = program;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  return ShellExecuteExA(&info) ? 1 : 0;
}

namespace {

// The started process's handle, or null.
HANDLE StartThroughShell(const char* program, const char* parameters, const char* directory, int show,
                         DWORD extraMask) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.fMask = extraMask | SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = "open";
  info.lpFile = program;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  if (!ShellExecuteExA(&info)) return nullptr;
  // Null when the shell handed the file to a process it did not create.
  return info.hProcess;
}

HANDLE StartDirectly(const char* program, const char* parameters, const char* directory, int show) {
  // CreateProcessA may write into its command line, so it gets a copy.
  TextString commandLine;
  char* line = nullptr;
  if (parameters) {
    if (!commandLine.Assign(parameters)) return nullptr;
    line = commandLine.Buffer();
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(program, line, nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr, directory,
                      &startup, &started))
    return nullptr;
  OwnedHandle thread(started.hThread);
  return started.hProcess;
}

}  // namespace

int RunAndWait(const char* program, const char* parameters, const char* directory, int show,
               DWORD extraMask, DWORD* exitCode, int pump) {
  if (!program) return 0;
  OwnedHandle process(strstr(program, ".exe") ? StartThroughShell(program, parameters, directory, show, extraMask)
                                              : StartDirectly(program, parameters, directory, show));
  if (!process.Valid()) return 0;
  WaitableHandle waiter;
  waiter.Attach(process.Get(), 0);
  if (pump == 1)
    waiter.PumpWait(INFINITE);
  else
    waiter.Wait(INFINITE);
  waiter.Release();
  if (exitCode) GetExitCodeProcess(process.Get(), exitCode);
  return 1;
}
