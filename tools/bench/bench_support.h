// What the timing programs share: a QueryPerformanceCounter clock, the lines
// scripts/bench.sh reads, paths beside the running program, and starting one.
//   figure NAME SECONDS FLOOR-SECONDS   one measurement and its floor
//   note NAME TEXT                      what the figure measures, for the table
#ifndef TESTS_BENCH_BENCH_SUPPORT_H_
#define TESTS_BENCH_BENCH_SUPPORT_H_

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

inline double Seconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline void PrintFigure(const char* name, double seconds, double floorSeconds) {
  printf("figure %s %.9f %.9f\n", name, seconds, floorSeconds);
  fflush(stdout);
}

inline void PrintNote(const char* name, const std::string& text) {
  printf("note %s %s\n", name, text.c_str());
  fflush(stdout);
}

// Measurements per run: the first argument, else `fallback`.
inline int RepeatsFrom(int argc, char** argv, int fallback) {
  int repeats = argc > 1 ? atoi(argv[1]) : fallback;
  return repeats > 0 ? repeats : fallback;
}

// The folder of this program (benchbin\), with its trailing backslash.
inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1);
}

// Starts `program` with `arguments` (may be empty) in `folder`; 1 when it
// started, and `process` then holds its handles for the caller to close.
inline int StartProgram(const std::string& program, const std::string& arguments, const std::string& folder,
                        PROCESS_INFORMATION* process) {
  std::string line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  *process = {};
  return CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        process) != FALSE;
}

// Prints the reason to stderr and gives the exit code of a failed run.
inline int Fail(const char* what) {
  fprintf(stderr, "bench: %s (error %lu)\n", what, GetLastError());
  return 1;
}

#endif  // TESTS_BENCH_BENCH_SUPPORT_H_
