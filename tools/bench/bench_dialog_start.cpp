// Start-to-dialog figure: seconds from CreateProcess of Bramcot.exe (in the
// build's bin folder, beside its package files) to its first visible top-level
// window, against the same for the bare dialog program.
//   bench_dialog_start [MEASUREMENTS]
#include "bench_support.h"

namespace {

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM param) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND VisibleWindowOf(DWORD processId) {
  WindowSearch search = {processId, nullptr};
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Asks the window to close, then presses Cancel; 1 when the process ended
// without being terminated.
int CloseAndWait(HANDLE process, HWND window) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, 10000) == WAIT_OBJECT_0) return 1;
  PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  if (WaitForSingleObject(process, 5000) == WAIT_OBJECT_0) return 1;
  TerminateProcess(process, 1);
  WaitForSingleObject(process, 5000);
  return 0;
}

// Seconds from the start of `program`, run in its own folder, until a window
// of it shows, polling every millisecond; negative when it does not show
// within a minute or does not close.
double SecondsToDialog(const std::string& program) {
  const std::string folder = program.substr(0, program.rfind('\\'));
  PROCESS_INFORMATION process;
  const double start = Seconds();
  if (!StartProgram(program, "", folder, &process)) return -1;
  HWND window = nullptr;
  while (!(window = VisibleWindowOf(process.dwProcessId)) && Seconds() - start < 60 &&
         WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT) {
  }
  const double shown = Seconds() - start;
  const int closed = window && CloseAndWait(process.hProcess, window);
  if (!window) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return closed ? shown : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = RepeatsFrom(argc, argv, 3);
  const std::string bramcot = ProgramFolder() + "..\\bin\\Bramcot.exe";
  const std::string bare = ProgramFolder() + "helpers\\bare_dialog.exe";
  PrintNote("dialog_start", "CreateProcess to first visible window of Bramcot.exe; floor: a one-dialog program");
  // The first start of each reads the files from disk: not counted.
  if (SecondsToDialog(bare) < 0 || SecondsToDialog(bramcot) < 0) return Fail("a dialog did not show or close");
  for (int i = 0; i < repeats; ++i) {
    const double floorSeconds = SecondsToDialog(bare);
    const double seconds = SecondsToDialog(bramcot);
    if (floorSeconds < 0 || seconds < 0) return Fail("a dialog did not show or close");
    PrintFigure("dialog_start", seconds, floorSeconds);
  }
  return 0;
}
