// Runs EnumerateProcesses and writes what it reported to the file named by
// its first argument: one "<method> <id> <name>" line per callback, then
// "result <n>" and "handles <before> <after>".
// Arguments: <output> <flags> <stop at callback n, 0 never> <stop at first task 0/1>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "coinstaller/process_enumeration.h"
#include "coinstaller/handle_count.h"

namespace {

struct Probe {
  FILE* out;
  int calls;
  int stopAt;
  int stopOnTask;
};

int Report(const char* name, DWORD id, int method, void* context) {
  Probe* probe = static_cast<Probe*>(context);
  fprintf(probe->out, "%d %lu %s\n", method, id, name);
  ++probe->calls;
  if (probe->stopAt && probe->calls == probe->stopAt) return 0;
  return !(probe->stopOnTask && method == kMethodDosTask);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return 2;
  Probe probe = {fopen(argv[1], "w"), 0, atoi(argv[3]), atoi(argv[4])};
  if (!probe.out) return 3;
  DWORD before = OwnHandleCount();
  int result = EnumerateProcesses(Report, atoi(argv[2]), &probe);
  DWORD after = OwnHandleCount();
  fprintf(probe.out, "result %d\nhandles %lu %lu\n", result, before, after);
  fclose(probe.out);
  return 0;
}
