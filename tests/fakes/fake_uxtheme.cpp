// uxtheme.dll stand-in that theme_data_test.cpp has the product load into
// the test program itself. Its state lives in the process environment, which
// outlives the library being released and loaded again:
//   FAKE_UXTHEME      "OPENS DRAW ACTIVE": OpenThemeData answers handles 1,
//                     2, ... for its first OPENS calls, then null; the first
//                     DrawThemeBackground answers DRAW (hex), later ones
//                     S_OK; IsThemeActive answers ACTIVE
//   FAKE_UXTHEME_LOG  each load and call appends a word: " L" (load),
//                     " T<handle>" (open), " D<handle>:<part>:<state>=<answer>",
//                     " A<answer>", " C<handle>" (close)
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "fakes/fake_stub.h"

typedef HANDLE HTHEME;

namespace {

char logText[4096];

void Log(const char* format, ...) {
  logText[0] = '\0';
  GetEnvironmentVariableA("FAKE_UXTHEME_LOG", logText, sizeof(logText) - 64);
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(logText + strlen(logText), 64, format, arguments);
  va_end(arguments);
  SetEnvironmentVariableA("FAKE_UXTHEME_LOG", logText);
}

// How many words of the log begin with `word`.
int Seen(const char* word) {
  int count = 0;
  GetEnvironmentVariableA("FAKE_UXTHEME_LOG", logText, sizeof(logText));
  for (const char* at = logText; (at = strstr(at, word)); ++at) ++count;
  return count;
}

unsigned long Script(int field) {
  char text[64] = "";
  unsigned long values[3] = {0, 0, 0};
  GetEnvironmentVariableA("FAKE_UXTHEME", text, sizeof(text));
  sscanf(text, "%lu %lx %lu", &values[0], &values[1], &values[2]);
  return values[field];
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) Log(" L");
  return TRUE;
}

FAKE_EXPORT HTHEME WINAPI OpenThemeData(HWND, LPCWSTR) {
  const unsigned long call = Seen(" T") + 1, theme = call <= Script(0) ? call : 0;
  Log(" T%lu", theme);
  return reinterpret_cast<HTHEME>(theme);
}

FAKE_EXPORT HRESULT WINAPI DrawThemeBackground(HTHEME theme, HDC, int part, int state, const RECT*, const RECT*) {
  const unsigned long answer = Seen(" D") ? S_OK : Script(1);
  Log(" D%lu:%d:%d=%lx", reinterpret_cast<unsigned long>(theme), part, state, answer);
  return static_cast<HRESULT>(answer);
}

FAKE_EXPORT BOOL WINAPI IsThemeActive(void) {
  Log(" A%lu", Script(2));
  return static_cast<BOOL>(Script(2));
}

FAKE_EXPORT HRESULT WINAPI CloseThemeData(HTHEME theme) {
  Log(" C%lu", reinterpret_cast<unsigned long>(theme));
  return S_OK;
}
