#include "installer/install_sequence.h"

#include <string.h>

#include <type_traits>

#include "base/file_object.h"
#include "base/registry_tree.h"
#include "base/text_string.h"
#include "base/worker_thread.h"
#include "devsetup/device_setup.h"
#include "installer/command_line.h"
#include "installer/install_log.h"
#include "installer/resource_ids.h"

const char kStagingFolderName[] = "Tarnvik DVB-T Driver\\";
const char* const kStagedFiles[] = {"RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys",
                                    "Coldrune.dll", nullptr};
const char kPackageInf[] = "RTL2831UBDA.inf";
const char kFirstHardwareId[] = "USB\\Vid_14aa&Pid_0160";
const char kSecondHardwareId[] = "USB\\Vid_14aa&Pid_0161";
const char kFirstDeviceKey[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_14aa&Pid_0160";
const char kSecondDeviceKey[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_14aa&Pid_0161";
const char kMessageCaption[] = "Tarnvik DVB-T Driver Installer";
const char kInstalledText[] = "Your new DVB-T driver was successfully installed.";
const char kPreInstalledText[] =
    "Your new DVB-T driver was successfully pre-installed.\n\n"
    "Please connect your DVB-T USB device now and follow the wizard.";
const char kFailedText[] = "Can't install new DVB-T driver.";
const char kInstallLogName[] = "install.log";

static_assert(std::is_same<decltype(InstallSequence), WorkerThread::Routine>::value,
              "InstallSequence runs as a WorkerThread routine");

namespace {

const char kPathFormat[] = "%s%s";

// The temporary folder followed by the staging folder's name. A failing
// GetTempPathA, or a temporary path that does not fit, leaves the bare name.
void ComposeStagingFolder(TextString& staging) {
  char* buffer = staging.Buffer();
  if (buffer) {
    buffer[0] = 0;
    DWORD length = GetTempPathA(staging.Capacity(), buffer);
    if (length == 0 || length > static_cast<DWORD>(staging.Capacity())) buffer[0] = 0;
  }
  staging.Recount();
  staging.Append(kStagingFolderName);
}

// The program's folder from the owner. GetModuleFileNameA leaves a path that
// does not fit unterminated, so a buffer without a terminator, like a failed
// call, gives an empty folder rather than a cut one.
void ComposeProgramFolder(InstallOwner& owner, TextString& program) {
  char* buffer = program.Buffer();
  const int capacity = program.Capacity();
  if (!buffer || capacity + 1 < MAX_PATH) {
    program.Assign("");
    return;
  }
  memset(buffer, 0, capacity + 1);
  const int got = owner.GetModuleDirectory(nullptr, buffer);
  const bool terminated = memchr(buffer, 0, MAX_PATH) != nullptr;
  buffer[capacity] = 0;
  if (!got || !terminated) buffer[0] = 0;
  program.Recount();
}

// CopyFileA refuses to overwrite a read-only file, and files copied from a
// CD keep their read-only attribute, so a staged copy from an earlier run is
// made writable first.
void MakeWritable(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// 1 when every file of the list was copied; stops at the first failure.
int StageFiles(const TextString& program, const TextString& staging, TextString& source,
               TextString& destination, InstallLog& log) {
  char error[300];
  for (const char* const* name = kStagedFiles; *name; ++name) {
    if (!source.Format(kPathFormat, program.Buffer(), *name) ||
        !destination.Format(kPathFormat, staging.Buffer(), *name)) {
      log.Line("copy %s: the path does not fit", *name);
      return 0;
    }
    MakeWritable(destination.Buffer());
    if (!CopyFileA(source.Buffer(), destination.Buffer(), FALSE)) {
      log.Line("copy %s: %s", *name, InstallLog::DescribeError(GetLastError(), error, sizeof(error)));
      return 0;
    }
    log.Line("copy %s: done", *name);
  }
  return 1;
}

// "done", or "failed, " and the error.
const char* Outcome(int done, DWORD errorCode, char* text, size_t size) {
  if (done) return "done";
  memcpy(text, "failed, ", 9);
  InstallLog::DescribeError(errorCode, text + 8, size - 8);
  return text;
}

}  // namespace

const char* ResultText(int succeeded, int deviceUpdated) {
  if (!succeeded) return kFailedText;
  return deviceUpdated ? kInstalledText : kPreInstalledText;
}

namespace {

// Steps 1 and 2, each step logged; every string and the bound libraries are
// released before it returns, so nothing is left to free once the window is
// told to close.
void StageAndInstall(InstallOwner& owner, const InstallOptions& options, InstallLog& log, int* succeeded,
                     int* deviceUpdated) {
  DeviceSetup setup;
  TextString program;
  TextString staging;
  TextString source;
  TextString destination;
  char text[300];

  ComposeStagingFolder(staging);
  const int created = FileObject::CreateFolderPath(staging.Buffer(), 0);
  const DWORD createError = GetLastError();
  // The log goes beside the staged files, and to the file asked for.
  if (destination.Format(kPathFormat, staging.Buffer(), kInstallLogName)) log.Open(destination.Buffer());
  log.Open(options.extraLog);
  log.Header(options.commandLine);
  log.Line("staging folder %s: %s", staging.Buffer(), Outcome(created, createError, text, sizeof(text)));
  ComposeProgramFolder(owner, program);
  log.Line("program folder: %s", program.Buffer());

  if (!StageFiles(program, staging, source, destination, log)) return;
  setup.Bind();
  log.Line("device installer: UpdateDriverForPlugAndPlayDevicesA %s, SetupCopyOEMInfA %s",
           setup.UpdateDriverForPlugAndPlayDevicesA ? "bound" : "missing",
           setup.SetupCopyOEMInfA ? "bound" : "missing");
  destination.Format(kPathFormat, staging.Buffer(), kPackageInf);
  const HWND window = owner.OwnerWindow();
  // Unattended, the platform may not ask anything; what needs an answer fails.
  const DWORD flags = INSTALLFLAG_FORCE | (options.quiet ? INSTALLFLAG_NONINTERACTIVE : 0);
  const char* const ids[] = {kFirstHardwareId, kSecondHardwareId};
  for (const char* id : ids) {
    int restart = 0;
    if (setup.UpdateDriver(id, destination.Buffer(), flags, window, &restart)) {
      *deviceUpdated = 1;
      *succeeded = 1;
      log.Line("update %s: updated%s", id, restart ? ", restart requested" : "");
    } else {
      log.Line("update %s: not updated, %s", id, InstallLog::DescribeError(GetLastError(), text, sizeof(text)));
    }
  }
  const int preInstalled = setup.PreInstallPackage(destination.Buffer(), nullptr);
  if (preInstalled) *succeeded = 1;
  log.Line("pre-install %s: %s", destination.Buffer(), Outcome(preInstalled, GetLastError(), text, sizeof(text)));
  if (!*deviceUpdated) {
    const char* const keys[] = {kFirstDeviceKey, kSecondDeviceKey};
    for (const char* key : keys) {
      const int removed = RemoveTree(HKEY_LOCAL_MACHINE, key);
      log.Line("remove HKLM\\%s: %s", key, Outcome(removed, GetLastError(), text, sizeof(text)));
    }
  }
  setup.Unbind();
}

}  // namespace

int InstallSequence(INT_PTR ownerArgument, INT_PTR optionsArgument) {
  InstallOwner* owner = reinterpret_cast<InstallOwner*>(ownerArgument);
  if (!owner) return kExitFailed;
  const InstallOptions defaults = {nullptr, nullptr, 0};
  const InstallOptions& options =
      optionsArgument ? *reinterpret_cast<const InstallOptions*>(optionsArgument) : defaults;
  int deviceUpdated = 0;
  int succeeded = 0;
  const char* text = nullptr;
  {
    InstallLog log;
    StageAndInstall(*owner, options, log, &succeeded, &deviceUpdated);
    text = ResultText(succeeded, deviceUpdated);
    log.Line("message: %s", text);
    log.Line("outcome: %s", !succeeded ? "failed" : deviceUpdated ? "installed" : "pre-installed");
  }

  owner->ShowItem(IDC_PROGRESS, 0);
  owner->SetMarquee(0);
  owner->ShowMessage(kMessageStyle, kMessageCaption, text);
  // The last act: the program may end as soon as the window has closed.
  owner->Close();
  return OutcomeExitCode(succeeded, deviceUpdated);
}
