// Stands for a program on the install CD. Appends "<name> | <command line> |
// <working folder>" to the file named by DEMO_LOG, shows a small window
// saying what it stands for for a few seconds, and exits with 0.
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

const char* RoleOf(const char* name) {
  if (!lstrcmpiA(name, "setup.exe")) return "the install CD's marker program";
  if (!lstrcmpiA(name, "dxsetup.exe")) return "the DirectX setup";
  if (!lstrcmpiA(name, "Tollet.exe")) return "the Tollet tool";
  return "the companion TV software";
}

LRESULT CALLBACK StubProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER || message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH] = {}, folder[MAX_PATH] = {}, log[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
  GetCurrentDirectoryA(MAX_PATH, folder);
  const char* slash = strrchr(self, '\\');
  const char* name = slash ? slash + 1 : self;
  if (GetEnvironmentVariableA("DEMO_LOG", log, MAX_PATH)) {
    if (FILE* out = fopen(log, "ab")) {
      fprintf(out, "%s | %s | %s\n", self, GetCommandLineA(), folder);
      fclose(out);
    }
  }
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = StubProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "CdStub";
  RegisterClassA(&windowClass);
  char title[MAX_PATH + 64];
  snprintf(title, sizeof(title), "%s stands for %s", name, RoleOf(name));
  HWND window = CreateWindowA("CdStub", title, WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 420, 60, nullptr,
                              nullptr, instance, nullptr);
  SetTimer(window, 1, 3000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
