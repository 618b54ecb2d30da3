#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Tarnvik DVB-T Driver Installer", "Tarnvik DVB-T Driver Installer",
              MB_OK | MB_ICONINFORMATION);
  return 0;
}
