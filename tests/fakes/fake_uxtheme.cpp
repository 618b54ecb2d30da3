// Recording uxtheme.dll with scripted answers (see fake_log.h for FAKE_LOG).
// Every call appends "uxtheme.NAME ... -> ANSWER" to the log.
//
// Only the program's own module is served: Wine's user32 loads uxtheme.dll
// and asks IsThemeActive when the first window is created; calls from other
// modules get "no theme" answers (so they let the library go again) and are
// neither logged nor counted. Likewise loads are logged and counted only once
// the program has set FAKE_UXTHEME_HOST in its own environment.
//
// Environment of the process that loads it. Each list holds one entry per
// call, separated by ';'; calls past the list get the default. The calls are
// counted in variables of the process, so the count survives the library
// being released and loaded again.
//   FAKE_UXTHEME_LOAD    1 or 0 per load: 0 fails the load (default 1)
//   FAKE_UXTHEME_OPEN    1 or 0 per OpenThemeData: 0 answers null (default 1)
//   FAKE_UXTHEME_DRAW    HRESULT per DrawThemeBackground (default S_OK)
//   FAKE_UXTHEME_ACTIVE  what IsThemeActive answers (default 1)
// Theme handles are 0x7E000 plus the number of the OpenThemeData call.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "fakes/fake_log.h"

// Declared here, not taken from uxtheme.h, which marks the functions imported.
typedef HANDLE HTHEME;

namespace {

// The entry of `list` for this call (numbered by `counter`, which is then
// incremented, from 0; the number plus one into `number`), or `fallback`
// past the list.
unsigned long NextAnswer(const char* list, const char* counter, unsigned long fallback, unsigned long* number = nullptr) {
  char text[32] = "0";
  GetEnvironmentVariableA(counter, text, sizeof(text));
  unsigned long call = strtoul(text, nullptr, 10);
  if (number) *number = call + 1;
  snprintf(text, sizeof(text), "%lu", call + 1);
  SetEnvironmentVariableA(counter, text);
  char answers[1024];
  DWORD length = GetEnvironmentVariableA(list, answers, sizeof(answers));
  if (length == 0 || length >= sizeof(answers)) return fallback;
  unsigned long index = 0;
  for (char* entry = strtok(answers, ";"); entry; entry = strtok(nullptr, ";"), ++index)
    if (index == call) return strtoul(entry, nullptr, 0);
  return fallback;
}

// True when the function was called from the program's own module.
bool FromProgram(void* returnAddress) {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<const char*>(returnAddress), &module);
  return module == GetModuleHandleA(nullptr);
}

unsigned long Handle(HTHEME theme) { return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(theme)); }

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH || !GetEnvironmentVariableA("FAKE_UXTHEME_HOST", nullptr, 0)) return TRUE;
  BOOL load = NextAnswer("FAKE_UXTHEME_LOAD", "FAKE_UXTHEME_LOADS_SEEN", 1) != 0;
  FakeLog("uxtheme.load -> %d", load);
  return load;
}

FAKE_EXPORT HTHEME WINAPI OpenThemeData(HWND, LPCWSTR classes) {
  if (!FromProgram(__builtin_return_address(0))) return nullptr;
  unsigned long call = 0;
  HTHEME theme = NextAnswer("FAKE_UXTHEME_OPEN", "FAKE_UXTHEME_OPENS_SEEN", 1, &call) ? reinterpret_cast<HTHEME>(0x7E000 + call) : nullptr;
  FakeLog("uxtheme.OpenThemeData %ls -> %08lX", classes ? classes : L"(null)", Handle(theme));
  return theme;
}

FAKE_EXPORT HRESULT WINAPI CloseThemeData(HTHEME theme) {
  if (!FromProgram(__builtin_return_address(0))) return E_HANDLE;
  FakeLog("uxtheme.CloseThemeData %08lX", Handle(theme));
  return S_OK;
}

FAKE_EXPORT BOOL WINAPI IsThemeActive(void) {
  if (!FromProgram(__builtin_return_address(0))) return FALSE;
  BOOL active = NextAnswer("FAKE_UXTHEME_ACTIVE", "FAKE_UXTHEME_ACTIVE_SEEN", 1) != 0;
  FakeLog("uxtheme.IsThemeActive -> %d", active);
  return active;
}

FAKE_EXPORT HRESULT WINAPI DrawThemeBackground(HTHEME theme, HDC, int part, int state,
                                              const RECT*, const RECT* clip) {
  if (!FromProgram(__builtin_return_address(0))) return E_HANDLE;
  HRESULT answer = static_cast<HRESULT>(NextAnswer("FAKE_UXTHEME_DRAW", "FAKE_UXTHEME_DRAWS_SEEN", S_OK));
  FakeLog("uxtheme.DrawThemeBackground %08lX part %d state %d clip %s -> 0x%08lX", Handle(theme), part, state,
          clip ? "set" : "null", static_cast<unsigned long>(answer));
  return answer;
}

FAKE_EXPORT BOOL WINAPI IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state) {
  if (!FromProgram(__builtin_return_address(0))) return FALSE;
  FakeLog("uxtheme.IsThemeBackgroundPartiallyTransparent %08lX part %d state %d -> 1", Handle(theme), part, state);
  return TRUE;
}

FAKE_EXPORT HRESULT WINAPI DrawThemeParentBackground(HWND, HDC, const RECT*) {
  if (!FromProgram(__builtin_return_address(0))) return E_FAIL;
  FakeLog("uxtheme.DrawThemeParentBackground");
  return S_OK;
}
