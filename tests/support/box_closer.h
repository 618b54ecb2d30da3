// Closes the shell's error boxes (class "#32770") that appear on this
// process's windows, from a thread of its own.
#ifndef TESTS_SUPPORT_BOX_CLOSER_H_
#define TESTS_SUPPORT_BOX_CLOSER_H_

#include <windows.h>
#include <string.h>

#include <atomic>
#include <thread>

class BoxCloser {
 public:
  BoxCloser() : thread([this] { for (; !stop; Sleep(200)) EnumWindows(Visit, 0); }) {}
  ~BoxCloser() { stop = true, thread.join(); }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM) {
    DWORD pid = 0;
    char className[64] = {};
    GetWindowThreadProcessId(window, &pid);
    GetClassNameA(window, className, sizeof(className));
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || strcmp(className, "#32770") != 0) return TRUE;
    return PostMessageA(window, WM_COMMAND, IDOK, 0), PostMessageA(window, WM_CLOSE, 0, 0), FALSE;
  }

  std::atomic<bool> stop{false};
  std::thread thread;
};

#endif  // TESTS_SUPPORT_BOX_CLOSER_H_
