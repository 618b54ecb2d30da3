// Runs DeviceSetup in a folder of fake libraries and writes what it saw, for
// device_setup_test.cpp:
//
//   device_setup_host.exe RESULTS COMMAND...
//     update HARDWARE_ID INF_PATH FLAGS OWNER   (OWNER in hex)
//     preinstall INF_PATH SOURCE
//   An argument "(null)" stands for a null pointer.
//
// RESULTS receives, one per line: "slot INDEX NAME MODULE PLACE" for every
// row after Bind (MODULE the file name of the module the slot points into or
// "null", PLACE "fake" when that module lies in this program's folder, else
// "system", followed by " mismatch" when the slot is not what GetProcAddress
// answers for the name), "loaded NAME 0|1" for the three device-setup
// libraries after Bind, one "UpdateDriver R" or "PreInstallPackage R" per
// command, then "unbound-slots N" and "unloaded NAME 0|1" after Unbind.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "devsetup/device_setup.h"

namespace {

const char* const kLibraries[] = {"newdev.dll", "setupapi.dll", "cfgmgr32.dll"};

const char* Argument(const char* text) { return strcmp(text, "(null)") == 0 ? nullptr : text; }

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(module, path, sizeof(path));
  return path;
}

void WriteSlots(FILE* out, const DeviceSetup& setup) {
  const std::string ownFolder = FolderOf(ModulePath(nullptr));
  const ProcBinding* rows = setup.Table();
  for (size_t i = 0; i < DeviceSetup::kSlotCount; ++i) {
    FARPROC address = *rows[i].slot;
    HMODULE module = nullptr;
    if (!address ||
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<const char*>(address), &module)) {
      fprintf(out, "slot %u %s null\n", unsigned(i), rows[i].name);
      continue;
    }
    std::string path = ModulePath(module);
    const char* place = _stricmp(FolderOf(path).c_str(), ownFolder.c_str()) == 0 ? "fake" : "system";
    std::string file = path.substr(path.find_last_of('\\') + 1);
    for (char& c : file) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    fprintf(out, "slot %u %s %s %s%s\n", unsigned(i), rows[i].name, file.c_str(), place,
            GetProcAddress(module, rows[i].name) == address ? "" : " mismatch");
  }
}

void WriteLoaded(FILE* out, const char* label) {
  for (const char* name : kLibraries) fprintf(out, "%s %s %d\n", label, name, GetModuleHandleA(name) != nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  FILE* out = fopen(argv[1], "w");
  if (!out) return 3;
  int status = 0;
  {
    DeviceSetup setup;
    fprintf(out, "bind %d\n", setup.Bind());
    WriteSlots(out, setup);
    WriteLoaded(out, "loaded");
    for (int i = 2; i < argc;) {
      if (strcmp(argv[i], "update") == 0 && i + 4 < argc) {
        HWND owner = reinterpret_cast<HWND>(strtoul(argv[i + 4], nullptr, 16));
        fprintf(out, "UpdateDriver %d\n",
                setup.UpdateDriver(Argument(argv[i + 1]), Argument(argv[i + 2]),
                                   strtoul(argv[i + 3], nullptr, 0), owner));
        i += 5;
      } else if (strcmp(argv[i], "preinstall") == 0 && i + 2 < argc) {
        fprintf(out, "PreInstallPackage %d\n",
                setup.PreInstallPackage(Argument(argv[i + 1]), Argument(argv[i + 2])));
        i += 3;
      } else {
        fprintf(out, "bad command %s\n", argv[i]);
        status = 4;
        break;
      }
    }
    setup.Unbind();
    int bound = 0;
    for (size_t i = 0; i < DeviceSetup::kSlotCount; ++i) bound += *setup.Table()[i].slot != nullptr;
    fprintf(out, "unbound-slots %d\n", bound);
    WriteLoaded(out, "unloaded");
  }
  fclose(out);
  return status;
}
