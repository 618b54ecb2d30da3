#include <windows.h>

#include "crash/crash_formats.h"
#include "crash/crash_reporter.h"
#include "installer/command_line.h"
#include "installer/install_sequence.h"
#include "installer/installer_dialog.h"
#include "installer/installer_rules.h"
#include "installer/resource_ids.h"
#include "ui/module_file.h"

// Constructed before every other static object, so that their construction
// is covered too.
CrashReporter crashReporter __attribute__((init_priority(101)))(kInstallerCrashRules);

// The one dialog, constructed after the crash reporter and destroyed before
// it; its destruction stops an install sequence that still runs.
InstallerDialog installerDialog __attribute__((init_priority(102)));

namespace {

// The install sequence's owner when nobody watches: no window, no message,
// nothing to close.
class QuietOwner : public InstallOwner {
 public:
  HWND OwnerWindow() override { return nullptr; }
  int GetModuleDirectory(HMODULE module, char* path) override { return ModuleFile::GetModuleDirectory(module, path); }
  void ShowItem(int, int) override {}
  void SetMarquee(int) override {}
  int ShowMessage(UINT, const char*, const char*) override { return IDOK; }
  void Close() override {}
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  CommandLine line;
  ParseCommandLine(commandLine, &line);
  InstallOptions options = {line.logFile[0] ? line.logFile : nullptr, commandLine, line.quiet};
  switch (line.mode) {
    case CommandLine::kUsage:
      MessageBoxA(nullptr, kUsageText, kMessageCaption, MB_OK | MB_ICONINFORMATION);
      return kExitUsage;
    case CommandLine::kBad:
      // Unattended, nobody could dismiss the usage: the exit code tells.
      if (!line.quiet) {
        char text[1024];
        BoundedFormat(text, sizeof(text), "Unknown argument: %s\n\n%s", line.badArgument, kUsageText);
        MessageBoxA(nullptr, text, kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
      }
      return kExitBadCommandLine;
    case CommandLine::kQuiet: {
      QuietOwner owner;
      return InstallSequence(reinterpret_cast<INT_PTR>(static_cast<InstallOwner*>(&owner)),
                             reinterpret_cast<INT_PTR>(&options));
    }
    default:
      installerDialog.SetInstallOptions(options);
      return static_cast<int>(installerDialog.RunModal(instance, IDD_INSTALLER, 0));
  }
}
