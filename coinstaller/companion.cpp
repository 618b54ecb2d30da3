#include "coinstaller/companion.h"

#include "base/registry_key.h"
#include "base/text_string.h"
#include "coinstaller/install_medium.h"
#include "coinstaller/process_enumeration.h"
#include "coinstaller/program_launcher.h"

namespace {

const char* const kUninstallKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{F27EFBE2-7B33-4084-8328-00FE19AC4901}",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{D4ADD3F1-17A2-4EF3-9D04-E563E046632A}",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{14172CB3-0AA7-4276-8C74-8C0441336047}",
};

int IsInstalled() {
  for (const char* path : kUninstallKeys) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, path)) {
      key.Close();
      return 1;
    }
  }
  return 0;
}

int StopAtVask(const char* name, DWORD, int, void* context) {
  TextString text;
  text.Assign(name);
  if (text.FindNoCase("vask") < 0) return 1;
  *static_cast<int*>(context) = 1;
  return 0;
}

// Per family: the Tollet parameters (null: Tollet is not started) and the
// companion program.
struct FamilyPrograms {
  const char* tolletParameters;
  const char* program;
};

const FamilyPrograms kPrograms[] = {
    {"-d 220", "%c:\\_exec\\VaskDT220.exe"},
    {"-d 220", "%c:\\_exec\\VaskDT220.exe"},
    {"-d 620", "%c:\\_exec\\VaskDT620.exe"},
    {nullptr, "%c:\\_exec\\VaskDT2831.exe"},
};

}  // namespace

void LaunchCompanion(ReceiverFamily family) {
  if (IsInstalled()) return;
  int running = 0;
  EnumerateProcesses(StopAtVask, 0, &running);
  if (running) return;
  char letter = LocateInstallMedium();
  if (letter == ' ') return;
  if (family < 0 || family > 3) return;

  TextString root, tool, program;
  root.Format("%c:\\", letter);
  tool.Format("%c:\\_exec\\Tollet.exe", letter);
  const FamilyPrograms& programs = kPrograms[family];
  if (programs.tolletParameters) ShellRun(tool.Buffer(), programs.tolletParameters, root.Buffer(), SW_SHOW);
  program.Format(programs.program, letter);
  ShellRun(program.Buffer(), nullptr, root.Buffer(), SW_SHOW);
}

void StartCompanionSoftware(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData) {
  char hardwareId[kHardwareIdSize + 1];
  if (!ReadFirstHardwareId(deviceInfoSet, deviceInfoData, hardwareId)) return;
  ReceiverFamily family = FamilyOf(kCompanionFamilies, hardwareId);
  if (family == kNoFamily) return;
  LaunchCompanion(family);
}
