// Exits with the version Wine reports: platform id << 16 | major << 8 | minor.
#include <windows.h>

int main() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return 0;
  return static_cast<int>((info.dwPlatformId << 16) | (info.dwMajorVersion << 8) | info.dwMinorVersion);
}
