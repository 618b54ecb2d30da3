// Runs the install sequence in install_sequence_host.exe, beside the package
// and recording fakes of the device-setup libraries, under stale device keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "installer/resource_ids.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

const char* const kPackage[] = {"RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys", "Coldrune.dll"};
const char kStaging[] = "Tarnvik DVB-T Driver\\";
const char kFirstId[] = "USB\\Vid_14aa&Pid_0160";
const char kSecondId[] = "USB\\Vid_14aa&Pid_0161";
const char kInstalled[] = "Your new DVB-T driver was successfully installed.";
const char kPreInstalled[] = "Your new DVB-T driver was successfully pre-installed.\n\n"
                             "Please connect your DVB-T USB device now and follow the wizard.";
const char kFailed[] = "Can't install new DVB-T driver.";

// Under HKLM: "0160" and "0161" stand for both receivers' stale keys, "01601"
// for a decoy whose name starts like the first.
std::string DeviceKey(const std::string& tail) { return "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_14aa&Pid_" + tail; }
bool KeyExists(const std::string& tail) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DeviceKey(tail).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The host, the package and the fakes in a program folder, a temporary
// folder for the staging, and the device keys (with sub-keys) for the life
// of the object.
struct SequenceRun {
  SequenceRun() {
    ok = folder.AddProgram("install_sequence_host.exe") && folder.AddFake("newdev.dll", "newdev.dll") &&
         folder.AddFake("setupapi.dll", "setupapi.dll") && folder.AddFake("cfgmgr32.dll", "cfgmgr32.dll");
    for (const char* name : kPackage)
      ok = ok && CopyFileA(BuildPath(std::string("bin\\") + name).c_str(), folder.File(name).c_str(), FALSE);
    HKEY key;
    for (const char* tail : {"0160\\5&1a&0&1\\Device Parameters", "0161\\5&3c&0&1", "01601\\Inst"})
      if (RegCreateKeyA(HKEY_LOCAL_MACHINE, DeviceKey(tail).c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
  }
  ~SequenceRun() {
    for (const char* top : {"0160", "0161", "01601"}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, DeviceKey(top).c_str());
  }
  // What the owner was asked to do; the fakes' lines go to `log`.
  std::string Run(const char* newdevAnswer, const char* setupAnswer, const std::string& arguments = "") {
    DeleteFileA(folder.LogPath().c_str());
    DWORD exitCode = 1;
    EXPECT_TRUE(folder.Run("install_sequence_host.exe", "\"" + folder.File("results.txt") + "\" " + arguments,
                           {{"TMP", temporary.Path()}, {"TEMP", temporary.Path()}, {"FAKE_NEWDEV_ANSWER", newdevAnswer},
                            {"FAKE_SETUPAPI_ANSWER", setupAnswer}},
                           60000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    log = folder.LogLines();
    std::string owner;
    ReadFileBytes(folder.File("results.txt"), &owner);
    return owner;
  }
  bool ok = false;
  FakeFolder folder;
  ScratchFolder temporary;
  std::vector<std::string> log;
};

std::string OwnerCalls(bool staged, const char* text) {
  return std::string("GetModuleDirectory\n") + (staged ? "OwnerWindow\n" : "") + "ShowItem " + std::to_string(IDC_PROGRESS) +
         " 0\nSetMarquee 0\nShowMessage 0x30 Tarnvik DVB-T Driver Installer|" + text + "\nClose\nexit 0\n";
}

TEST(InstallSequence, Outcomes) {
  struct Case {
    const char* newdevAnswer;
    const char* setupAnswer;
    const char* missing;  // package file left out of the program folder
    const char* text;
    bool keysRemoved;
    int staged;  // files staged, in copy order
  } cases[] = {
      {kFirstId, "TRUE", nullptr, kInstalled, false, 4},  {kSecondId, "FALSE", nullptr, kInstalled, false, 4},
      {"FALSE", "TRUE", nullptr, kPreInstalled, true, 4}, {"FALSE", "FALSE", nullptr, kFailed, true, 4},
      {"TRUE", "TRUE", "Coldrune.dll", kFailed, false, 3}, {"TRUE", "TRUE", "RTL2831UBDA.sys", kFailed, false, 1},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    SequenceRun run;
    ASSERT_TRUE(run.ok);
    if (c.missing) {
      EXPECT_TRUE(DeleteFileA(run.folder.File(c.missing).c_str()));
    }
    EXPECT_EQ(OwnerCalls(c.staged == 4, c.text), run.Run(c.newdevAnswer, c.setupAnswer));
    for (int f = 0; f < 4; ++f)
      EXPECT_EQ(f < c.staged, GetFileAttributesA((run.temporary.Path() + kStaging + kPackage[f]).c_str()) != INVALID_FILE_ATTRIBUTES) << f;
    std::vector<std::string> calls;
    const std::string inf = "\"" + run.temporary.Path() + kStaging + kPackage[0] + "\"";
    for (const char* id : {kFirstId, kSecondId})
      calls.push_back("newdev.UpdateDriverForPlugAndPlayDevicesA hwndParent=0x00001234 HardwareId=\"" + std::string(id) +
                      "\" FullInfPath=" + inf + " InstallFlags=0x00000001 bRebootRequired=set");
    calls.push_back("setupapi.SetupCopyOEMInfA SourceInfFileName=" + inf + " OEMSourceMediaLocation=null OEMSourceMediaType=1 "
                    "CopyStyle=0x00000000 DestinationInfFileName=null DestinationInfFileNameSize=0 RequiredSize=null "
                    "DestinationInfFileNameComponent=null");
    EXPECT_EQ(c.staged == 4 ? calls : std::vector<std::string>(), run.log);
    EXPECT_EQ(c.keysRemoved, !KeyExists("0160"));
    EXPECT_EQ(c.keysRemoved, !KeyExists("0161"));
    EXPECT_TRUE(KeyExists("01601\\Inst"));
  }
}

// Files copied from a CD are read-only, and so are their staged copies: the
// next run must still overwrite them.
TEST(InstallSequence, SecondRunOverReadOnlyStagedCopies) {
  SequenceRun run;
  ASSERT_TRUE(run.ok);
  for (const char* name : kPackage) SetFileAttributesA(run.folder.File(name).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(OwnerCalls(true, kInstalled), run.Run("TRUE", "TRUE"));
  EXPECT_EQ(OwnerCalls(true, kInstalled), run.Run("TRUE", "TRUE"));
}

// A program folder that cannot be had (the owner's path has no terminator,
// or its call fails) is empty: the sources come from the current folder.
TEST(InstallSequence, ProgramFolderThatCannotBeHad) {
  for (const char* module : {"overflow", "fail"}) {
    SCOPED_TRACE(module);
    SequenceRun run;
    ASSERT_TRUE(run.ok);
    ScratchFolder current;
    for (const char* name : kPackage) CopyFileA(run.folder.File(name).c_str(), current.File(name).c_str(), FALSE);
    EXPECT_EQ(OwnerCalls(true, kInstalled), run.Run("TRUE", "TRUE", std::string(module) + " \"" + current.Path() + ".\""));
  }
}

}  // namespace
