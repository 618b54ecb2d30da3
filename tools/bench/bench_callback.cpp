// Co-installer figure: Callback(DIF_NEWDEVICEWIZARD_FINISHINSTALL) of the
// built Coldrune.dll for a receiver of family 3, with 50 more processes
// running and no install CD in any drive, so that it walks every process and
// searches every CD-ROM drive and starts nothing. Floor: one tool-help walk
// over all processes plus GetDriveTypeA on every drive letter in use.
//   bench_callback [MEASUREMENTS]
#include <windows.h>
#include <tlhelp32.h>

#include <ctype.h>

#include <vector>

#include "bench_support.h"
#include "support/device_with_hardware_id.h"

namespace {

const int kSleepers = 50;
const char* const kUninstallKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{F27EFBE2-7B33-4084-8328-00FE19AC4901}",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{D4ADD3F1-17A2-4EF3-9D04-E563E046632A}",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{14172CB3-0AA7-4276-8C74-8C0441336047}",
};

typedef DWORD CALLBACK CallbackFunction(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA, PCOINSTALLER_CONTEXT_DATA);

// The sleeper processes, each running once Start returns 1; all are ended on
// destruction.
class Sleepers {
 public:
  ~Sleepers() {
    for (HANDLE process : processes) TerminateProcess(process, 0);
    for (HANDLE process : processes) {
      WaitForSingleObject(process, 10000);
      CloseHandle(process);
    }
  }

  int Start(int count) {
    const std::string name = "bench_sleepers_" + std::to_string(GetCurrentProcessId());
    HANDLE running = CreateSemaphoreA(nullptr, 0, count, name.c_str());
    if (!running) return 0;
    const std::string program = ProgramFolder() + "helpers\\sleeper.exe";
    for (int i = 0; i < count; ++i) {
      std::string line = "\"" + program + "\" " + name;
      STARTUPINFOA startup = {};
      startup.cb = sizeof(startup);
      PROCESS_INFORMATION process = {};
      if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        break;
      CloseHandle(process.hThread);
      processes.push_back(process.hProcess);
    }
    int started = 0;
    while (started < static_cast<int>(processes.size()) && WaitForSingleObject(running, 60000) == WAIT_OBJECT_0)
      ++started;
    CloseHandle(running);
    return started == count;
  }

 private:
  std::vector<HANDLE> processes;
};

bool NamesCompanion(const char* name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower.find("vask") != std::string::npos;
}

struct Census {
  int processes = 0;
  int vaskProcesses = 0;
  int drives = 0;
  int cdRomDrives = 0;
  int mediaFound = 0;
};

// The floor: what the call cannot do without, one walk of the processes and
// one look at every drive's type.
double FloorSeconds(Census* census) {
  const double start = Seconds();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    ++census->processes;
    if (NamesCompanion(entry.szExeFile)) ++census->vaskProcesses;
  }
  CloseHandle(snapshot);
  const DWORD mask = GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if (!(mask & (1u << bit))) continue;
    char root[] = "?:\\";
    root[0] = static_cast<char>('A' + bit);
    ++census->drives;
    // The search never looks at A:.
    if (GetDriveTypeA(root) == DRIVE_CDROM && bit > 0) ++census->cdRomDrives;
  }
  return Seconds() - start;
}

// Checks what the scenario needs; a reason why not, or null.
const char* ScenarioFault(const Census& census) {
  for (const char* path : kUninstallKeys) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
      return "an uninstall key of the companion software is present";
    }
  }
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  DWORD session = 0;
  if (GetVersionExA(&version) && version.dwMajorVersion >= 6 &&
      (!ProcessIdToSessionId(GetCurrentProcessId(), &session) || session == 0))
    return "session 0 of Vista or later: the call would start nothing";
  if (census.vaskProcesses) return "a companion program runs";
  if (census.mediaFound) return "a drive holds the install CD";
  return nullptr;
}

int CountMedia() {
  int found = 0;
  for (char letter = 'B'; letter <= 'Z'; ++letter) {
    std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM &&
        GetFileAttributesA((root + "Zovodav\\setup.exe").c_str()) != INVALID_FILE_ATTRIBUTES)
      ++found;
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = RepeatsFrom(argc, argv, 10);
  HMODULE library = LoadLibraryA((ProgramFolder() + "..\\bin\\Coldrune.dll").c_str());
  if (!library) return Fail("cannot load Coldrune.dll");
  CallbackFunction* callback = reinterpret_cast<CallbackFunction*>(
      reinterpret_cast<void (*)()>(GetProcAddress(library, "Callback")));
  if (!callback) return Fail("Coldrune.dll has no Callback");
  DeviceWithHardwareId device(std::string("USB\\Vid_14aa&Pid_0160") + '\0' + '\0');
  if (!device.created) return Fail("cannot create the device");
  Sleepers sleepers;
  if (!sleepers.Start(kSleepers)) return Fail("the sleepers did not start");
  // Wine keeps busy with the new processes for a few seconds after they
  // run: walks measured meanwhile take several times as long.
  Sleep(5000);

  Census census;
  FloorSeconds(&census);
  census.mediaFound = CountMedia();
  if (const char* fault = ScenarioFault(census)) return Fail(fault);
  PrintNote("callback_finish",
            "Callback(DIF_NEWDEVICEWIZARD_FINISHINSTALL), family 3, " + std::to_string(census.processes) +
                " processes, " + std::to_string(census.drives) + " drives (" + std::to_string(census.cdRomDrives) +
                " CD-ROM beyond A:, no install CD): every process and CD-ROM drive examined, nothing started; "
                "floor: one tool-help walk and GetDriveTypeA on every drive");

  // The first call and walk pay for first touches: not counted.
  if (callback(DIF_NEWDEVICEWIZARD_FINISHINSTALL, device.set, &device.data, nullptr) != NO_ERROR)
    return Fail("Callback did not return 0");
  for (int i = 0; i < repeats; ++i) {
    Census unused;
    const double floorSeconds = FloorSeconds(&unused);
    const double start = Seconds();
    const DWORD result = callback(DIF_NEWDEVICEWIZARD_FINISHINSTALL, device.set, &device.data, nullptr);
    const double seconds = Seconds() - start;
    if (result != NO_ERROR) return Fail("Callback did not return 0");
    PrintFigure("callback_finish", seconds, floorSeconds);
  }
  FreeLibrary(library);
  return 0;
}
