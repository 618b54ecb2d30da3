#include "base/waitable_handle.h"

#include <stdio.h>
#include <stdlib.h>

#include "base/security_builder.h"

WaitableHandle::MsgWaitFunction* WaitableHandle::msgWait = ::MsgWaitForMultipleObjects;
WaitableHandle::TickFunction* WaitableHandle::tickCount = ::GetTickCount;

WaitableHandle::WaitableHandle() : owns(0), osKind(ClassifyOs()), handle(nullptr) {}

int WaitableHandle::CreateNamedEvent(int manualReset, int initiallySignalled, const char* name, int global) {
  Release();
  owns = 1;
  SECURITY_ATTRIBUTES attributes;
  SECURITY_ATTRIBUTES* used = nullptr;
  char* globalName = nullptr;
  if (name && global == 1 && (osKind & kOsNt) && !(osKind & kOsNt4)) {
    SecurityBuilder builder;
    if (builder.BuildSecurityAttributes(nullptr, &attributes, 0)) {
      size_t size = strlen(name) + sizeof("Global\\");
      globalName = static_cast<char*>(malloc(size));
      if (globalName) {
        snprintf(globalName, size, "Global\\%s", name);
        used = &attributes;
      } else {
        free(attributes.lpSecurityDescriptor);
      }
    }
  }
  handle = CreateEventA(used, manualReset, initiallySignalled, globalName ? globalName : name);
  if (used) free(attributes.lpSecurityDescriptor);
  free(globalName);
  return handle != nullptr;
}

void WaitableHandle::Attach(HANDLE waitable, int ownsHandle) {
  Release();
  handle = waitable;
  owns = ownsHandle;
}

void WaitableHandle::Release() {
  if (!handle) return;
  if (owns == 1) CloseHandle(handle);
  handle = nullptr;
}

int WaitableHandle::Signal() { return SetEvent(handle) ? 1 : 0; }

int WaitableHandle::Wait(DWORD timeoutMs, int* timedOut) {
  DWORD result;
  do {
    result = WaitForSingleObjectEx(handle, timeoutMs, TRUE);
  } while (result == WAIT_IO_COMPLETION);
  if (timedOut) *timedOut = result == WAIT_TIMEOUT;
  return result == WAIT_OBJECT_0;
}

int WaitableHandle::PumpWait(DWORD timeoutMs, HANDLE* second) {
  const DWORD start = tickCount();
  // QS_RAWINPUT (0x400) is unknown before Windows XP, where it fails the
  // wait at once; without it the wait works everywhere.
  DWORD wakeMask = QS_ALLINPUT | QS_ALLPOSTMESSAGE;
  int retried = 0;
  for (;;) {
    HANDLE handles[2] = {handle, nullptr};
    DWORD count = 1;
    if (second && *second) handles[count++] = *second;

    DWORD remaining = INFINITE;
    if (timeoutMs != INFINITE) {
      // Unsigned difference: right across a wrap of the tick count.
      const DWORD elapsed = tickCount() - start;
      if (elapsed > timeoutMs) return 0;
      remaining = timeoutMs - elapsed;
    }

    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return 0;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }

    DWORD result = msgWait(count, handles, FALSE, remaining, wakeMask);
    if (result == WAIT_OBJECT_0 + count) continue;
    if (result < WAIT_OBJECT_0 + count) return 1;
    if (result == WAIT_FAILED && !retried) {
      retried = 1;
      wakeMask &= ~static_cast<DWORD>(QS_RAWINPUT);
      continue;
    }
    return 0;
  }
}
