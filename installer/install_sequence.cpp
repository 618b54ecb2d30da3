#include "installer/install_sequence.h"

#include <string.h>

#include <type_traits>

#include "base/file_object.h"
#include "base/registry_tree.h"
#include "base/text_string.h"
#include "base/worker_thread.h"
#include "devsetup/device_setup.h"
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
               TextString& destination) {
  for (const char* const* name = kStagedFiles; *name; ++name) {
    if (!source.Format(kPathFormat, program.Buffer(), *name) ||
        !destination.Format(kPathFormat, staging.Buffer(), *name))
      return 0;
    MakeWritable(destination.Buffer());
    if (!CopyFileA(source.Buffer(), destination.Buffer(), FALSE)) return 0;
  }
  return 1;
}

}  // namespace

const char* ResultText(int succeeded, int deviceUpdated) {
  if (!succeeded) return kFailedText;
  return deviceUpdated ? kInstalledText : kPreInstalledText;
}

namespace {

// Steps 1 and 2; every string and the bound libraries are released before
// it returns, so nothing is left to free once the window is told to close.
void StageAndInstall(InstallOwner& owner, int* succeeded, int* deviceUpdated) {
  DeviceSetup setup;
  TextString program;
  TextString staging;
  TextString source;
  TextString destination;

  ComposeStagingFolder(staging);
  FileObject::CreateFolderPath(staging.Buffer(), 0);
  ComposeProgramFolder(owner, program);

  if (!StageFiles(program, staging, source, destination)) return;
  setup.Bind();
  destination.Format(kPathFormat, staging.Buffer(), kPackageInf);
  const HWND window = owner.OwnerWindow();
  if (setup.UpdateDriver(kFirstHardwareId, destination.Buffer(), INSTALLFLAG_FORCE, window)) {
    *deviceUpdated = 1;
    *succeeded = 1;
  }
  if (setup.UpdateDriver(kSecondHardwareId, destination.Buffer(), INSTALLFLAG_FORCE, window)) {
    *deviceUpdated = 1;
    *succeeded = 1;
  }
  if (setup.PreInstallPackage(destination.Buffer(), nullptr)) *succeeded = 1;
  if (!*deviceUpdated) {
    RemoveTree(HKEY_LOCAL_MACHINE, kFirstDeviceKey);
    RemoveTree(HKEY_LOCAL_MACHINE, kSecondDeviceKey);
  }
  setup.Unbind();
}

}  // namespace

int InstallSequence(INT_PTR ownerArgument, INT_PTR) {
  InstallOwner* owner = reinterpret_cast<InstallOwner*>(ownerArgument);
  if (!owner) return 0;
  int deviceUpdated = 0;
  int succeeded = 0;
  StageAndInstall(*owner, &succeeded, &deviceUpdated);

  owner->ShowItem(IDC_PROGRESS, 0);
  owner->SetMarquee(0);
  owner->ShowMessage(kMessageStyle, kMessageCaption, ResultText(succeeded, deviceUpdated));
  // The last act: the program may end as soon as the window has closed.
  owner->Close();
  return 0;
}
