#include "installer/install_sequence.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include <set>
#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "installer/resource_ids.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

const char* const kPackage[] = {"RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys", "Coldrune.dll"};
const char kStaging[] = "Tarnvik DVB-T Driver\\";
const char kEnumUsb[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
const char kFirstId[] = "USB\\Vid_14aa&Pid_0160";
const char kSecondId[] = "USB\\Vid_14aa&Pid_0161";

const char kInstalled[] = "ShowMessage 0x30 Tarnvik DVB-T Driver Installer|"
                          "Your new DVB-T driver was successfully installed.";
const char kPreInstalled[] =
    "ShowMessage 0x30 Tarnvik DVB-T Driver Installer|"
    "Your new DVB-T driver was successfully pre-installed.\\n\\n"
    "Please connect your DVB-T USB device now and follow the wizard.";
const char kFailed[] = "ShowMessage 0x30 Tarnvik DVB-T Driver Installer|Can't install new DVB-T driver.";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The receivers' stale device keys with sub-keys, and decoys whose names
// share their start, under HKLM; all removed again on destruction.
class DeviceKeys {
 public:
  DeviceKeys() {
    for (const char* path : kSeeded) {
      HKEY key;
      if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kEnumUsb) + path).c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Seed", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
        RegCloseKey(key);
      }
    }
  }
  ~DeviceKeys() {
    for (const char* top : kTops) RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kEnumUsb) + top).c_str());
    for (const char* top : kTops) RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kEnumUsb) + top).c_str());
  }
  static bool Stale(int which) { return KeyExists(std::string(kEnumUsb) + kTops[which]); }
  static bool DecoysWhole() {
    return KeyExists(std::string(kEnumUsb) + "Vid_14aa&Pid_01601\\Inst") &&
           KeyExists(std::string(kEnumUsb) + "Vid_14aa&Pid_0162\\Inst");
  }

 private:
  static constexpr const char* kTops[] = {"Vid_14aa&Pid_0160", "Vid_14aa&Pid_0161", "Vid_14aa&Pid_01601",
                                          "Vid_14aa&Pid_0162"};
  static constexpr const char* kSeeded[] = {"Vid_14aa&Pid_0160\\5&1a2b&0&1\\Device Parameters\\Deep",
                                            "Vid_14aa&Pid_0160\\6&9&0&2", "Vid_14aa&Pid_0161\\5&3c&0&1",
                                            "Vid_14aa&Pid_01601\\Inst", "Vid_14aa&Pid_0162\\Inst"};
};

// A program folder holding the host, the package and the recording fakes,
// a temporary folder for the staging, and one run of the sequence.
class SequenceRun {
 public:
  SequenceRun() {
    ok = folder.AddProgram("install_sequence_host.exe") && folder.AddFake("newdev.dll", "newdev.dll") &&
         folder.AddFake("setupapi.dll", "setupapi.dll") && folder.AddFake("cfgmgr32.dll", "cfgmgr32.dll");
    for (const char* name : kPackage)
      ok = ok && CopyFileA(BuildPath(std::string("bin\\") + name).c_str(), folder.File(name).c_str(), FALSE);
  }

  // Runs the host with TMP and TEMP at the temporary folder (or `tmp`).
  // Returns the owner's lines; the fakes' lines go to log.
  std::vector<std::string> Run(FakeFolder::Environment environment, const std::string& tmp = "") {
    DeleteFileA(folder.LogPath().c_str());
    const std::string temp = tmp.empty() ? temporary.Path() : tmp;
    environment.emplace_back("TMP", temp);
    environment.emplace_back("TEMP", temp);
    const std::string results = folder.File("results.txt");
    DeleteFileA(results.c_str());
    DWORD exitCode = 1;
    EXPECT_TRUE(folder.Run("install_sequence_host.exe", "\"" + results + "\"", environment, 120000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    log = folder.LogLines();
    return ReadLines(results);
  }

  std::string Staged(const char* name) const { return temporary.Path() + kStaging + name; }
  int StagedCount() const {
    int count = 0;
    for (const char* name : kPackage) count += Exists(Staged(name));
    return count;
  }

  bool ok = false;
  FakeFolder folder;
  ScratchFolder temporary;
  std::vector<std::string> log;
};

std::string UpdateLine(const char* id, const std::string& inf) {
  return std::string("newdev.UpdateDriverForPlugAndPlayDevicesA hwndParent=0x00001234 HardwareId=\"") + id +
         "\" FullInfPath=\"" + inf + "\" InstallFlags=0x00000001 bRebootRequired=set";
}

std::string CopyLine(const std::string& inf) {
  return "setupapi.SetupCopyOEMInfA SourceInfFileName=\"" + inf +
         "\" OEMSourceMediaLocation=null OEMSourceMediaType=1 CopyStyle=0x00000000 "
         "DestinationInfFileName=null DestinationInfFileNameSize=0 RequiredSize=null "
         "DestinationInfFileNameComponent=null";
}

std::vector<std::string> OwnerLines(bool staged, const char* message) {
  std::vector<std::string> lines = {"GetModuleDirectory"};
  if (staged) lines.push_back("OwnerWindow");
  lines.insert(lines.end(), {"ShowItem " + std::to_string(IDC_PROGRESS) + " 0", "SetMarquee 0", message,
                            "Close", "exit 0"});
  return lines;
}

TEST(InstallSequence, Outcomes) {
  struct Case {
    const char* label;
    const char* newdevAnswer;
    const char* setupAnswer;
    const char* missing;  // package file left out of the program folder
    const char* message;
    bool keysRemoved;
    int staged;
  } cases[] = {
      {"first hardware ID present", kFirstId, "TRUE", nullptr, kInstalled, false, 4},
      {"second hardware ID present", kSecondId, "FALSE", nullptr, kInstalled, false, 4},
      {"no receiver, pre-install succeeds", "FALSE", "TRUE", nullptr, kPreInstalled, true, 4},
      {"nothing succeeds", "FALSE", "FALSE", nullptr, kFailed, true, 4},
      {"co-installer missing", "TRUE", "TRUE", "Coldrune.dll", kFailed, false, 3},
      {"middle file missing", "TRUE", "TRUE", "RTL2831UBDA.sys", kFailed, false, 1},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.label);
    DeviceKeys keys;
    SequenceRun run;
    ASSERT_TRUE(run.ok);
    if (c.missing) {
      ASSERT_TRUE(DeleteFileA(run.folder.File(c.missing).c_str()));
    }
    const bool staged = c.staged == 4;
    EXPECT_EQ(OwnerLines(staged, c.message),
              run.Run({{"FAKE_NEWDEV_ANSWER", c.newdevAnswer}, {"FAKE_SETUPAPI_ANSWER", c.setupAnswer}}));
    for (int f = 0; f < 4; ++f) EXPECT_EQ(f < c.staged, Exists(run.Staged(kPackage[f]))) << kPackage[f];
    if (staged) {
      std::string bytes, original;
      ASSERT_TRUE(ReadFileBytes(run.Staged("RTL2831UBDA.inf"), &bytes));
      ASSERT_TRUE(ReadFileBytes(run.folder.File("RTL2831UBDA.inf"), &original));
      EXPECT_EQ(original, bytes);
      const std::string inf = run.Staged("RTL2831UBDA.inf");
      EXPECT_EQ(std::vector<std::string>({UpdateLine(kFirstId, inf), UpdateLine(kSecondId, inf), CopyLine(inf)}),
                run.log);
    } else {
      EXPECT_TRUE(run.log.empty()) << "the device-setup functions were called: " << run.log.front();
    }
    EXPECT_EQ(c.keysRemoved, !DeviceKeys::Stale(0));
    EXPECT_EQ(c.keysRemoved, !DeviceKeys::Stale(1));
    EXPECT_TRUE(DeviceKeys::DecoysWhole());
  }
}

// Files copied from a CD are read-only, and so are their staged copies; a
// second run must still overwrite them.
TEST(InstallSequence, SecondRunOverReadOnlyStagedFiles) {
  SequenceRun run;
  ASSERT_TRUE(run.ok);
  for (const char* name : kPackage) ASSERT_TRUE(SetFileAttributesA(run.folder.File(name).c_str(), FILE_ATTRIBUTE_READONLY));
  const FakeFolder::Environment answers = {{"FAKE_NEWDEV_ANSWER", "TRUE"}, {"FAKE_SETUPAPI_ANSWER", "TRUE"}};
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(testing::Message() << "run " << pass + 1);
    EXPECT_EQ(OwnerLines(true, kInstalled), run.Run(answers));
    EXPECT_EQ(3u, run.log.size());
    for (const char* name : kPackage) {
      const DWORD attributes = GetFileAttributesA(run.Staged(name).c_str());
      ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes) << name;
      // The copy keeps the source's attribute, so the next run meets it.
      EXPECT_TRUE(pass == 1 || (attributes & FILE_ATTRIBUTE_READONLY)) << name;
    }
  }
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do
    if (strcmp(data.cFileName, ".") && strcmp(data.cFileName, "..")) names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

TEST(InstallSequence, StagedFileHeldOpenByAnotherHandle) {
  SequenceRun run;
  ASSERT_TRUE(run.ok);
  ASSERT_EQ(OwnerLines(true, kPreInstalled), run.Run({{"FAKE_SETUPAPI_ANSWER", "TRUE"}}));
  ASSERT_TRUE(DeleteFileA(run.Staged("Coldrune.dll").c_str()));
  const std::vector<std::string> programBefore = FolderEntries(run.folder.Path());
  HANDLE held = CreateFileA(run.Staged("RTL2831UBDA.sys").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  DeviceKeys keys;
  const std::vector<std::string> owner = run.Run({{"FAKE_NEWDEV_ANSWER", "TRUE"}, {"FAKE_SETUPAPI_ANSWER", "TRUE"}});
  CloseHandle(held);
  EXPECT_EQ(OwnerLines(false, kFailed), owner);
  EXPECT_TRUE(run.log.empty());
  EXPECT_FALSE(Exists(run.Staged("Coldrune.dll"))) << "copied after the failing file";
  EXPECT_TRUE(DeviceKeys::Stale(0));
  std::vector<std::string> programAfter = FolderEntries(run.folder.Path());
  std::vector<std::string> expected = programBefore;
  for (const char* record : {"results.txt", "fake.log"}) {
    programAfter.erase(std::remove(programAfter.begin(), programAfter.end(), record), programAfter.end());
    expected.erase(std::remove(expected.begin(), expected.end(), record), expected.end());
  }
  EXPECT_EQ(expected, programAfter) << "written into the program folder";
  EXPECT_EQ(std::vector<std::string>({"Tarnvik DVB-T Driver"}), FolderEntries(run.temporary.Path()));
}

// A temporary path too long for the 259 characters the sequence offers
// leaves the staging folder relative to the current folder.
TEST(InstallSequence, TemporaryPathThatDoesNotFit) {
  SequenceRun run;
  ASSERT_TRUE(run.ok);
  ScratchFolder current;
  const std::string longTemp = run.temporary.Path() + std::string(280 - run.temporary.Path().size(), 't') + "\\";
  const std::vector<std::string> owner =
      run.Run({{"FAKE_NEWDEV_ANSWER", "TRUE"}, {"FAKE_SETUPAPI_ANSWER", "TRUE"}, {"HOST_CWD", current.Path()}}, longTemp);
  EXPECT_EQ(OwnerLines(true, kInstalled), owner);
  for (const char* name : kPackage) EXPECT_TRUE(Exists(current.Path() + kStaging + name)) << name;
  EXPECT_TRUE(FolderEntries(run.temporary.Path()).empty());
  const std::string inf = std::string(kStaging) + "RTL2831UBDA.inf";
  EXPECT_EQ(std::vector<std::string>({UpdateLine(kFirstId, inf), UpdateLine(kSecondId, inf), CopyLine(inf)}), run.log);
}

// The program folder comes from the owner: a path that did not fit its
// buffer (no terminator) or a failed call gives an empty folder, so the
// sources are bare names in the current folder.
TEST(InstallSequence, ProgramFolderThatCannotBeHad) {
  struct Case {
    const char* mode;
    bool packageInCurrentFolder;
    const char* message;
  } cases[] = {
      {"overflow", false, kFailed},
      {"overflow", true, kInstalled},
      {"fail", true, kInstalled},
      {"fail", false, kFailed},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << cases[i].mode);
    SequenceRun run;
    ASSERT_TRUE(run.ok);
    ScratchFolder current;
    for (const char* name : kPackage) {
      if (!cases[i].packageInCurrentFolder) break;
      ASSERT_TRUE(CopyFileA(run.folder.File(name).c_str(), current.File(name).c_str(), FALSE));
    }
    const bool staged = cases[i].message == kInstalled;
    EXPECT_EQ(OwnerLines(staged, cases[i].message),
              run.Run({{"FAKE_NEWDEV_ANSWER", "TRUE"}, {"FAKE_SETUPAPI_ANSWER", "TRUE"},
                       {"HOST_MODULE", cases[i].mode}, {"HOST_CWD", current.Path()}}));
    EXPECT_EQ(staged ? 4 : 0, run.StagedCount());
    EXPECT_EQ(staged ? 3u : 0u, run.log.size());
  }
}


std::string InfFolder() {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof(windows));
  return std::string(windows) + "\\inf\\";
}

// Undoes what installing the package on Wine leaves behind: the device, its
// service, the driver files and the INF copies.
struct WineInstallCleanup {
  std::string instance;
  std::string infContent;
  ~WineInstallCleanup() {
    DWORD exitCode = 1;
    if (!instance.empty())
      RunProgram("\"" + BuildPath("demobin\\device_helper.exe") + "\" remove \"" + instance + "\"", 60000, &exitCode);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager) {
      SC_HANDLE service = OpenServiceA(manager, "RTL2831UUSB", DELETE);
      if (service) {
        DeleteService(service);
        CloseServiceHandle(service);
      }
      CloseServiceHandle(manager);
    }
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    for (const char* name : {"RTL2831UBDA.sys", "RTL2831UUSB.sys"})
      DeleteFileA((std::string(system) + "\\drivers\\" + name).c_str());
    const std::string inf = InfFolder();
    for (const std::string& name : FolderEntries(inf)) {
      std::string bytes;
      if (name.size() < 4 || _stricmp(name.c_str() + name.size() - 4, ".inf") != 0) continue;
      if (!ReadFileBytes(inf + name, &bytes) || bytes != infContent) continue;
      DeleteFileA((inf + name).c_str());
      DeleteFileA((inf + name.substr(0, name.size() - 4) + ".pnf").c_str());
    }
  }
};

// No fakes: a root-enumerated device with the first hardware ID, the package
// staged with a co-installer that records its calls, and Wine's own
// newdev.dll and setupapi.dll doing the installation.
TEST(InstallSequenceWine, InstallsThroughWinesDeviceInstaller) {
  FakeFolder folder;
  ASSERT_TRUE(folder.AddProgram("install_sequence_host.exe"));
  for (const char* name : kPackage) {
    const std::string from = std::string(strcmp(name, "Coldrune.dll") == 0 ? "testbin\\recorder\\" : "bin\\") + name;
    ASSERT_TRUE(CopyFileA(BuildPath(from).c_str(), folder.File(name).c_str(), FALSE)) << from;
  }
  WineInstallCleanup cleanup;
  ASSERT_TRUE(ReadFileBytes(folder.File("RTL2831UBDA.inf"), &cleanup.infContent));
  ScratchFolder temporary;

  const std::string idFile = folder.File("instance.txt");
  DWORD exitCode = 1;
  ASSERT_TRUE(RunProgram("\"" + BuildPath("demobin\\device_helper.exe") + "\" create " + kFirstId + " \"" +
                             idFile + "\"", 60000, &exitCode));
  if (exitCode != 0) GTEST_SKIP() << "Wine could not register the test device (device_helper exit " << exitCode << ")";
  const std::vector<std::string> instance = ReadLines(idFile);
  ASSERT_FALSE(instance.empty());
  cleanup.instance = instance[0];
  printf("test device %s\n", cleanup.instance.c_str());

  const std::string record = folder.File("coldrune.txt");
  const std::string results = folder.File("results.txt");
  ASSERT_TRUE(folder.Run("install_sequence_host.exe", "\"" + results + "\"",
                         {{"TMP", temporary.Path()}, {"TEMP", temporary.Path()}, {"COLDRUNE_RECORD", record},
                          {"HOST_WINDOW", "0"},
                          {"HOST_THREAD", folder.File("thread.txt")}},
                         240000, &exitCode));
  EXPECT_EQ(0u, exitCode);
  EXPECT_EQ(OwnerLines(true, kInstalled), ReadLines(results));

  const std::vector<std::string> calls = ReadLines(record);
  for (const std::string& call : calls) printf("co-installer: %s\n", call.c_str());
  EXPECT_FALSE(calls.empty()) << "Wine never called the staged co-installer";
  EXPECT_NE(calls.end(), std::find_if(calls.begin(), calls.end(), [](const std::string& line) {
              return line.compare(0, 9, "DIF 0x20 ") == 0;
            })) << "no call for DIF_INSTALLINTERFACES";
  const std::vector<std::string> worker = ReadLines(folder.File("thread.txt"));
  ASSERT_EQ(1u, worker.size());
  for (const std::string& call : calls)
    EXPECT_NE(std::string::npos, call.find(" thread " + worker[0].substr(7) + " ")) << "not on the sequence's thread";

  int copies = 0;
  const std::string inf = InfFolder();
  for (const std::string& name : FolderEntries(inf)) {
    std::string bytes;
    if (ReadFileBytes(inf + name, &bytes) && bytes == cleanup.infContent) {
      printf("INF folder holds %s\n", name.c_str());
      ++copies;
    }
  }
  EXPECT_GE(copies, 1) << "the package INF is not in " << inf;
}

}  // namespace
