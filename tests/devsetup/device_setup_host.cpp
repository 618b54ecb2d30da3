// Runs DeviceSetup in a folder of fake libraries and writes what it saw, for
// device_setup_test.cpp:
//
//   device_setup_host.exe RESULTS COMMAND...
//     update HARDWARE_ID INF_PATH FLAGS OWNER   (OWNER in hex)
//     preinstall INF_PATH SOURCE
//   An argument "(null)" stands for a null pointer.
//
// RESULTS receives, one per line, after two Binds: "NAME PLACE" for every row
// (PLACE "null", "system", or the file name of the library of this folder the
// slot points into, followed by " mismatch" when the slot is not what
// GetProcAddress answers for the name) and "loaded N N N" for newdev.dll,
// setupapi.dll and cfgmgr32.dll; then one "UpdateDriver R" or
// "PreInstallPackage R" per command, and after Unbind "unbound N" (slots
// left) and "unloaded N N N".
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "devsetup/device_setup.h"

namespace {

const char* Argument(const char* text) { return strcmp(text, "(null)") == 0 ? nullptr : text; }

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(module, path, sizeof(path));
  return path;
}

void WriteLoaded(FILE* out, const char* label) {
  fprintf(out, "%s %d %d %d\n", label, GetModuleHandleA("newdev.dll") != nullptr,
          GetModuleHandleA("setupapi.dll") != nullptr, GetModuleHandleA("cfgmgr32.dll") != nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  FILE* out = fopen(argv[1], "w");
  const std::string self = ModulePath(nullptr), ownFolder = self.substr(0, self.rfind('\\') + 1);
  DeviceSetup setup;
  setup.Bind();
  setup.Bind();
  for (size_t i = 0; i < DeviceSetup::kSlotCount; ++i) {
    const ProcBinding& row = setup.Table()[i];
    HMODULE module = nullptr;
    std::string place = "null";  // else the library's file name, or "system" outside this folder
    if (*row.slot && GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        reinterpret_cast<const char*>(*row.slot), &module)) {
      place = ModulePath(module);
      place = _strnicmp(place.c_str(), ownFolder.c_str(), ownFolder.size()) ? "system" : place.substr(ownFolder.size());
      if (GetProcAddress(module, row.name) != *row.slot) place += " mismatch";
    }
    fprintf(out, "%s %s\n", row.name, place.c_str());
  }
  WriteLoaded(out, "loaded");
  for (char** at = argv + 2; at < argv + argc; at += strcmp(*at, "update") ? 3 : 5) {
    if (strcmp(*at, "update") == 0)
      fprintf(out, "UpdateDriver %d\n", setup.UpdateDriver(Argument(at[1]), Argument(at[2]), strtoul(at[3], nullptr, 0),
                                                           reinterpret_cast<HWND>(strtoul(at[4], nullptr, 16))));
    else
      fprintf(out, "PreInstallPackage %d\n", setup.PreInstallPackage(Argument(at[1]), Argument(at[2])));
  }
  setup.Unbind();
  int bound = 0;
  for (size_t i = 0; i < DeviceSetup::kSlotCount; ++i) bound += *setup.Table()[i].slot != nullptr;
  fprintf(out, "unbound %d\n", bound);
  WriteLoaded(out, "unloaded");
  return fclose(out);
}
