// Runs InstallSequence for installer_test.cpp with an owner that
// writes one line per call, then "exit N" with the routine's result:
//
//   install_sequence_host.exe RESULTS [MODULE CURRENT]
//
// MODULE tells how GetModuleDirectory answers: "fail" writes a bogus folder
// and returns 0; "overflow" fills all MAX_PATH bytes without a terminator and
// returns 1, as GetModuleFileNameA does with a path that does not fit;
// otherwise the program's folder. CURRENT is made the current folder first.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "installer/install_sequence.h"

namespace {

class RecordingOwner : public InstallOwner {
 public:
  RecordingOwner(FILE* out, const char* mode) : out(out), mode(mode) {}
  HWND OwnerWindow() override {
    fprintf(out, "OwnerWindow\n");
    return reinterpret_cast<HWND>(0x1234);
  }
  int GetModuleDirectory(HMODULE module, char* path) override {
    fprintf(out, "GetModuleDirectory\n");
    if (strcmp(mode, "fail") == 0) {
      strcpy(path, "X:\\Bogus\\");
      return 0;
    }
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (strcmp(mode, "overflow") == 0)
      memset(path + length, 'x', MAX_PATH - length);
    else
      strrchr(path, '\\')[1] = 0;
    return 1;
  }
  void ShowItem(int id, int show) override { fprintf(out, "ShowItem %d %d\n", id, show); }
  void SetMarquee(int on) override { fprintf(out, "SetMarquee %d\n", on); }
  int ShowMessage(UINT style, const char* caption, const char* text) override {
    fprintf(out, "ShowMessage 0x%02X %s|%s\n", style, caption, text);
    return IDOK;
  }
  void Close() override { fprintf(out, "Close\n"); }

 private:
  FILE* out;
  const char* mode;
};

}  // namespace

int main(int argc, char** argv) {
  FILE* out = argc > 1 ? fopen(argv[1], "wb") : nullptr;
  if (!out || (argc > 3 && !SetCurrentDirectoryA(argv[3]))) return 2;
  RecordingOwner owner(out, argc > 2 ? argv[2] : "");
  fprintf(out, "exit %d\n", InstallSequence(reinterpret_cast<INT_PTR>(&owner), 0));
  return fclose(out);
}
