// Runs InstallSequence for install_sequence_test.cpp with an owner that
// writes one line per call to the file named by its one argument, then
// "exit N" with the routine's result.
//   HOST_CWD     folder made current before the run
//   HOST_MODULE  how GetModuleDirectory answers: "fail" writes a bogus folder
//                and returns 0; "overflow" fills all MAX_PATH bytes without a
//                terminator and returns 1, as GetModuleFileNameA does with a
//                path that does not fit; otherwise the program's folder
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "installer/install_sequence.h"

namespace {

std::string Variable(const char* name) {
  char value[1024];
  DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
  return length && length < sizeof(value) ? value : "";
}

class RecordingOwner : public InstallOwner {
 public:
  explicit RecordingOwner(FILE* out) : out(out) {}
  HWND OwnerWindow() override {
    Line("OwnerWindow");
    return reinterpret_cast<HWND>(0x1234);
  }
  int GetModuleDirectory(HMODULE module, char* path) override {
    Line("GetModuleDirectory");
    const std::string mode = Variable("HOST_MODULE");
    if (mode == "fail") {
      strcpy(path, "X:\\Bogus\\");
      return 0;
    }
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (mode == "overflow")
      memset(path + length, 'x', MAX_PATH - length);
    else
      strrchr(path, '\\')[1] = 0;
    return 1;
  }
  void ShowItem(int id, int show) override { Line("ShowItem %d %d", id, show); }
  void SetMarquee(int on) override { Line("SetMarquee %d", on); }
  int ShowMessage(UINT style, const char* caption, const char* text) override {
    Line("ShowMessage 0x%02X %s|%s", style, caption, text);
    return IDOK;
  }
  void Close() override { Line("Close"); }

 private:
  // Line feeds of the texts are written as "\n", one call per line.
  template <typename... Args>
  void Line(const char* format, Args... args) {
    char line[1024];
    snprintf(line, sizeof(line), format, args...);
    for (const char* c = line; *c; ++c) *c == '\n' ? fputs("\\n", out) : fputc(*c, out);
    fputc('\n', out);
  }
  FILE* out;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = Variable("HOST_CWD");
  if (argc < 2 || (!folder.empty() && !SetCurrentDirectoryA(folder.c_str()))) return 2;
  FILE* out = fopen(argv[1], "w");
  if (!out) return 3;
  RecordingOwner owner(out);
  fprintf(out, "exit %d\n", InstallSequence(reinterpret_cast<INT_PTR>(&owner), 0));
  fclose(out);
  return 0;
}
