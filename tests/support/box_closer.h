// Closes the shell's error boxes (class "#32770") that appear on this
// process's windows, from a thread of its own.
#ifndef TESTS_SUPPORT_BOX_CLOSER_H_
#define TESTS_SUPPORT_BOX_CLOSER_H_

#include <windows.h>
#include <string.h>

class BoxCloser {
 public:
  BoxCloser() : stop(0) { thread = CreateThread(nullptr, 0, Run, this, 0, nullptr); }
  ~BoxCloser() {
    InterlockedExchange(&stop, 1);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
  }

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || strcmp(className, "#32770") != 0) return TRUE;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return FALSE;
  }
  static DWORD WINAPI Run(void* param) {
    BoxCloser* self = static_cast<BoxCloser*>(param);
    while (!self->stop) {
      EnumWindows(Visit, 0);
      Sleep(200);
    }
    return 0;
  }

  volatile LONG stop;
  HANDLE thread;
};

#endif  // TESTS_SUPPORT_BOX_CLOSER_H_
