// Stands for one more running process: releases the semaphore named on its
// command line once it runs, then sleeps until it is ended (two minutes at
// most, should the bench die first).
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  if (HANDLE running = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, commandLine)) {
    ReleaseSemaphore(running, 1, nullptr);
    CloseHandle(running);
  }
  Sleep(120000);
  return 0;
}
