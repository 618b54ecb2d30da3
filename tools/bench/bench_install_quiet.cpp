// Unattended install figure: seconds from CreateProcess of `Bramcot.exe /quiet`
// (in the build's bin folder, beside its package files) to its exit, with a
// simulated receiver present, against the same for bare_install.exe, which
// makes the same platform calls and nothing else. Both run in turn, in the bin
// folder; every run must exit 0 (the receiver was updated).
//   bench_install_quiet [MEASUREMENTS]
#include <string.h>

#include "bench_support.h"

namespace {

const char kFigure[] = "install_quiet";
const char kHardwareId[] = "USB\\Vid_14aa&Pid_0160";
const char* const kPackageFiles[] = {"Bramcot.exe", "RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys",
                                     "Coldrune.dll"};

// Seconds from the start of `program` with `arguments`, run in `folder`, to
// its exit; negative when it does not start or end within two minutes.
// `exitCode` receives its exit code.
double SecondsToExit(const std::string& program, const std::string& arguments, const std::string& folder,
                     DWORD* exitCode) {
  PROCESS_INFORMATION process;
  *exitCode = 1;
  const double start = Seconds();
  if (!StartProgram(program, arguments, folder, &process)) return -1;
  const DWORD waited = WaitForSingleObject(process.hProcess, 120000);
  const double seconds = Seconds() - start;
  if (waited != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  GetExitCodeProcess(process.hProcess, exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return waited == WAIT_OBJECT_0 ? seconds : -1;
}

// Seconds of one run that must exit 0; negative, with the reason on stderr,
// otherwise.
double TimedInstall(const std::string& program, const std::string& arguments, const std::string& folder) {
  DWORD exitCode = 1;
  const double seconds = SecondsToExit(program, arguments, folder, &exitCode);
  if (seconds < 0) {
    fprintf(stderr, "bench: %s did not start or end (error %lu)\n", program.c_str(), GetLastError());
    return -1;
  }
  if (exitCode != 0) {
    fprintf(stderr, "bench: %s %s exited with %lu\n", program.c_str(), arguments.c_str(), exitCode);
    return -1;
  }
  return seconds;
}

// The warm-up pair, then `repeats` measured pairs; 0 on success.
int Measure(int repeats, const std::string& bin) {
  const std::string folder = bin.substr(0, bin.size() - 1);
  const std::string bramcot = bin + "Bramcot.exe";
  const std::string bare = ProgramFolder() + "helpers\\bare_install.exe";
  const std::string bareArguments = "\"" + folder + "\"";
  // The first run of each reads the files from disk: not counted.
  if (TimedInstall(bare, bareArguments, folder) < 0 || TimedInstall(bramcot, "/quiet", folder) < 0) return 1;
  for (int i = 0; i < repeats; ++i) {
    const double floorSeconds = TimedInstall(bare, bareArguments, folder);
    const double seconds = floorSeconds < 0 ? -1 : TimedInstall(bramcot, "/quiet", folder);
    if (seconds < 0) return 1;
    PrintFigure(kFigure, seconds, floorSeconds);
  }
  return 0;
}

// Runs the simulated receiver's helper; 1 when it exited 0.
int RunDeviceHelper(const std::string& arguments) {
  const std::string helper = ProgramFolder() + "..\\demobin\\device_helper.exe";
  DWORD exitCode = 1;
  if (SecondsToExit(helper, arguments, ProgramFolder(), &exitCode) < 0 || exitCode != 0) {
    fprintf(stderr, "bench: device_helper.exe %s failed with %lu\n", arguments.c_str(), exitCode);
    return 0;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = RepeatsFrom(argc, argv, 3);
  const std::string bin = ProgramFolder() + "..\\bin\\";
  for (const char* file : kPackageFiles) {
    if (GetFileAttributesA((bin + file).c_str()) == INVALID_FILE_ATTRIBUTES) {
      fprintf(stderr, "bench: %s%s is missing\n", bin.c_str(), file);
      return 1;
    }
  }
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof(temp), temp);
  const std::string idFile = std::string(temp) + "bench_install_quiet_device.txt";
  if (!RunDeviceHelper(std::string("create \"") + kHardwareId + "\" \"" + idFile + "\"")) return 1;
  char instance[512] = {};
  FILE* in = fopen(idFile.c_str(), "r");
  if (in) {
    if (!fgets(instance, sizeof(instance), in)) instance[0] = 0;
    fclose(in);
  }
  DeleteFileA(idFile.c_str());
  instance[strcspn(instance, "\r\n")] = 0;
  if (!instance[0]) return Fail("no instance ID of the simulated receiver");

  PrintNote(kFigure, std::string("CreateProcess to exit of Bramcot.exe /quiet, one simulated receiver (") +
                         kHardwareId + ") updated; floor: the same platform calls from a bare program");
  const int status = Measure(repeats, bin);
  const int removed = RunDeviceHelper(std::string("remove \"") + instance + "\"");
  return status || !removed ? 1 : 0;
}
