// Runs InstallSequence on a worker thread for install_sequence_test.cpp with
// an owner that writes what it was asked to do:
//
//   install_sequence_host.exe RESULTS
//
// RESULTS receives one line per owner operation, in call order:
// "OwnerWindow", "GetModuleDirectory", "ShowItem ID SHOW", "SetMarquee ON",
// "ShowMessage STYLE CAPTION|TEXT" (STYLE in hex, line feeds as "\n"),
// "Close", and at the end "exit N" with the routine's result.
//
// Environment:
//   HOST_CWD     folder made current before the run
//   HOST_MODULE  how GetModuleDirectory answers: "fail" writes "X:\Bogus\"
//                and returns 0; "overflow" fills all MAX_PATH bytes without a
//                terminator and returns 1, as GetModuleFileNameA does with a
//                path that does not fit; otherwise the program's folder
//   HOST_WINDOW  the owner window handle, in hex (default 1234)
//   HOST_THREAD  file that receives "worker ID", the thread the sequence
//                runs on
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "base/worker_thread.h"
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
    std::string window = Variable("HOST_WINDOW");
    return reinterpret_cast<HWND>(strtoul(window.empty() ? "1234" : window.c_str(), nullptr, 16));
  }

  int GetModuleDirectory(HMODULE module, char* path) override {
    Line("GetModuleDirectory");
    const std::string threadFile = Variable("HOST_THREAD");
    if (FILE* thread = threadFile.empty() ? nullptr : fopen(threadFile.c_str(), "w")) {
      fprintf(thread, "worker %lu\n", GetCurrentThreadId());
      fclose(thread);
    }
    const std::string mode = Variable("HOST_MODULE");
    if (mode == "fail") {
      strcpy(path, "X:\\Bogus\\");
      return 0;
    }
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (mode == "overflow") {
      for (DWORD i = length; i < MAX_PATH; ++i) path[i] = (i % 8 == 7) ? '\\' : 'x';
      return 1;
    }
    char* slash = strrchr(path, '\\');
    if (slash) slash[1] = 0;
    return length != 0;
  }

  void ShowItem(int id, int show) override { Line("ShowItem " + std::to_string(id) + " " + std::to_string(show)); }
  void SetMarquee(int on) override { Line("SetMarquee " + std::to_string(on)); }

  int ShowMessage(UINT style, const char* caption, const char* text) override {
    char head[32];
    snprintf(head, sizeof(head), "ShowMessage 0x%02X ", style);
    std::string line = std::string(head) + caption + "|";
    for (const char* c = text; *c; ++c) line += *c == '\n' ? std::string("\\n") : std::string(1, *c);
    Line(line);
    return IDOK;
  }

  void Close() override { Line("Close"); }

 private:
  void Line(const std::string& text) {
    fprintf(out, "%s\n", text.c_str());
    fflush(out);
  }
  FILE* out;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string folder = Variable("HOST_CWD");
  if (!folder.empty() && !SetCurrentDirectoryA(folder.c_str())) return 3;
  FILE* out = fopen(argv[1], "w");
  if (!out) return 4;
  RecordingOwner owner(out);
  WorkerThread worker;
  if (!worker.Start(InstallSequence, reinterpret_cast<INT_PTR>(&owner), 0)) return 5;
  worker.WaitDone(240000);
  if (worker.Running()) return 6;
  fprintf(out, "exit %d\n", worker.ExitValue());
  fclose(out);
  return 0;
}
