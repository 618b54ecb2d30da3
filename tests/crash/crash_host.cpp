// A host process for the co-installer: crash_host <unload|loaded> <dll path>.
// Installs its own filter, loads the library (unloading it again for
// "unload") and faults. The host's filter leaves "<exe>_Host.txt".
#include <windows.h>
#include <string.h>

namespace {

LONG WINAPI HostFilter(EXCEPTION_POINTERS*) {
  char path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  path[length] = 0;
  char* dot = strrchr(path, '.');
  if (dot) *dot = 0;
  strcat(path, "_Host.txt");
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  SetUnhandledExceptionFilter(HostFilter);
  HMODULE library = LoadLibraryA(argv[2]);
  if (!library) return 4;
  if (!strcmp(argv[1], "unload")) FreeLibrary(library);
  *reinterpret_cast<volatile int*>(0x40) = 1;
  return 1;
}
