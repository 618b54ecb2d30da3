// uxtheme.dll stand-in for theme_data_test.cpp, which holds it loaded and
// sets its script and reads its log through two exported buffers:
//   uxthemeScript  how many OpenThemeData calls answer a handle (1, 2, ...)
//                  before null; what the first DrawThemeBackground answers
//                  (later ones S_OK); what IsThemeActive answers
//   uxthemeLog     a word per call: " T<handle>" (open), " C<handle>" (close),
//                  " A<answer>", " D<handle>:<part>:<state>=<answer>"
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "fakes/fake_stub.h"

typedef HANDLE HTHEME;

extern "C" {
__declspec(dllexport) long uxthemeScript[3];
__declspec(dllexport) char uxthemeLog[1024];
}

namespace {

// Appends a word to the log and returns `answer`.
template <typename T, typename... Values>
T Log(T answer, const char* format, Values... values) {
  const size_t used = strlen(uxthemeLog);
  snprintf(uxthemeLog + used, sizeof(uxthemeLog) - used, format, values...);
  return answer;
}

long Seen(const char* word) {
  long count = 0;
  for (const char* at = uxthemeLog; (at = strstr(at, word)); ++at) ++count;
  return count;
}

unsigned long Number(HTHEME theme) { return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(theme)); }

}  // namespace

FAKE_EXPORT HTHEME WINAPI OpenThemeData(HWND, LPCWSTR) {
  const long call = Seen(" T") + 1, theme = call <= uxthemeScript[0] ? call : 0;
  return Log(reinterpret_cast<HTHEME>(theme), " T%ld", theme);
}

FAKE_EXPORT HRESULT WINAPI DrawThemeBackground(HTHEME theme, HDC, int part, int state, const RECT*, const RECT*) {
  const HRESULT answer = Seen(" D") ? S_OK : uxthemeScript[1];
  return Log(answer, " D%lu:%d:%d=%lx", Number(theme), part, state, static_cast<unsigned long>(answer));
}

FAKE_EXPORT BOOL WINAPI IsThemeActive(void) { return Log<BOOL>(uxthemeScript[2], " A%ld", uxthemeScript[2]); }

FAKE_EXPORT HRESULT WINAPI CloseThemeData(HTHEME theme) { return Log(S_OK, " C%lu", Number(theme)); }
