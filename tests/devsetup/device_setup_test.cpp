#include "devsetup/device_setup.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

const size_t kRows = DeviceSetup::kSlotCount;

size_t BoundSlots(const DeviceSetup& setup) {
  size_t bound = 0;
  for (size_t i = 0; i < kRows; ++i) bound += *setup.Table()[i].slot != nullptr;
  return bound;
}

bool Loaded(const char* name) { return GetModuleHandleA(name) != nullptr; }

// ---------------------------------------------------------------------------
// Against Wine's own libraries.

TEST(DeviceSetup, UnboundObjectHoldsAndCallsNothing) {
  const bool newdevBefore = Loaded("newdev.dll");
  DeviceSetup setup;
  EXPECT_EQ(0u, BoundSlots(setup));
  setup.Unbind();
  setup.Unbind();
  EXPECT_EQ(0u, BoundSlots(setup));
  EXPECT_EQ(newdevBefore, Loaded("newdev.dll"));
  EXPECT_EQ(0, setup.UpdateDriver("USB\\Vid_14aa&Pid_0160", "C:\\x.inf", INSTALLFLAG_FORCE, nullptr));
  EXPECT_EQ(0, setup.PreInstallPackage("C:\\x.inf", nullptr));
}

// Rows by the library Wine's builds take them from: newdev, kernel32, then
// setupapi, which carries the configuration manager itself.
TEST(DeviceSetup, BindFillsWhatWineExports) {
  if (Loaded("cfgmgr32.dll")) GTEST_SKIP() << "cfgmgr32.dll is already loaded in this process";
  DeviceSetup setup;
  ASSERT_EQ(1, setup.Bind());
  const char* const libraries[] = {"newdev.dll", "kernel32.dll", "setupapi.dll"};
  std::string missing;
  for (size_t i = 0; i < kRows; ++i) {
    const ProcBinding& row = setup.Table()[i];
    HMODULE module = GetModuleHandleA(libraries[i < 2 ? i : 2]);
    ASSERT_NE(nullptr, module) << "row " << i << ": " << libraries[i < 2 ? i : 2] << " not loaded";
    FARPROC expected = GetProcAddress(module, row.name);
    EXPECT_EQ(expected, *row.slot) << "row " << i << " " << row.name;
    if (!expected) missing += std::string(" ") + row.name;
  }
  EXPECT_TRUE(setup.UpdateDriverForPlugAndPlayDevicesA);
  EXPECT_TRUE(setup.SetupCopyOEMInfA);
  EXPECT_TRUE(setup.CM_Get_Child);
  EXPECT_TRUE(setup.CM_Reenumerate_DevNode_Ex);
  EXPECT_FALSE(Loaded("cfgmgr32.dll")) << "setupapi.dll has the configuration manager";
  if (!missing.empty()) printf("Wine does not export:%s\n", missing.c_str());
}

TEST(DeviceSetup, BindTwiceHoldsEachLibraryOnceAndUnbindClearsSlots) {
  if (Loaded("newdev.dll")) GTEST_SKIP() << "newdev.dll is already loaded in this process";
  const bool setupBefore = Loaded("setupapi.dll");
  DeviceSetup setup;
  ASSERT_EQ(1, setup.Bind());
  ASSERT_EQ(1, setup.Bind());
  EXPECT_TRUE(Loaded("newdev.dll"));
  EXPECT_GT(BoundSlots(setup), 50u);
  setup.Unbind();
  EXPECT_FALSE(Loaded("newdev.dll")) << "a reference of the first Bind is still held";
  EXPECT_EQ(setupBefore, Loaded("setupapi.dll"));
  EXPECT_EQ(0u, BoundSlots(setup)) << "slots still point into the freed libraries";
  EXPECT_EQ(0, setup.PreInstallPackage("C:\\x.inf", nullptr));
}

std::set<std::string> InfFiles(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*.inf").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

std::string InfFolder() {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof(windows));
  return std::string(windows) + "\\inf\\";
}

const char kTestInf[] =
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "Class=Media\r\n"
    "ClassGuid={4d36e96c-e325-11ce-bfc1-08002be10318}\r\n"
    "Provider=%Maker%\r\n"
    "DriverVer=01/02/2024,1.0.0.0\r\n"
    "\r\n"
    "[Manufacturer]\r\n"
    "%Maker%=Models\r\n"
    "\r\n"
    "[Models]\r\n"
    "%Receiver%=Receiver.Install,USB\\Vid_14aa&Pid_0160\r\n"
    "\r\n"
    "[Receiver.Install]\r\n"
    "\r\n"
    "[Strings]\r\n"
    "Maker=\"Bramcot Tests\"\r\n"
    "Receiver=\"Test Receiver\"\r\n";

// Wine keeps the INF's own name in its INF folder where Windows picks an
// oem*.inf name, so the copy is found by its content.
TEST(DeviceSetup, PreInstallPackageCopiesInfIntoInfFolder) {
  ScratchFolder folder;
  char name[64];
  snprintf(name, sizeof(name), "bramtest%lu.inf", GetCurrentProcessId());
  const std::string inf = folder.File(name);
  ASSERT_TRUE(WriteFileBytes(inf, kTestInf));
  const std::string infFolder = InfFolder();
  const std::set<std::string> before = InfFiles(infFolder);

  DeviceSetup setup;
  ASSERT_EQ(1, setup.Bind());
  EXPECT_EQ(1, setup.PreInstallPackage(inf.c_str(), nullptr));
  EXPECT_EQ(1, setup.PreInstallPackage(inf.c_str(), nullptr)) << "the package is already there";

  int copies = 0;
  for (const std::string& added : InfFiles(infFolder)) {
    if (before.count(added)) continue;
    std::string bytes;
    if (ReadFileBytes(infFolder + added, &bytes) && bytes == kTestInf) ++copies;
    DeleteFileA((infFolder + added).c_str());
    DeleteFileA((infFolder + added.substr(0, added.size() - 4) + ".pnf").c_str());
  }
  EXPECT_EQ(1, copies) << "copies of the INF with its content in " << infFolder;
}

TEST(DeviceSetup, BadInputGivesZero) {
  ScratchFolder folder;
  const std::string inf = folder.File("receiver.inf");
  ASSERT_TRUE(WriteFileBytes(inf, kTestInf));
  const std::string longPath = "C:\\" + std::string(293, 'p') + ".inf";
  ASSERT_EQ(300u, longPath.size());
  DeviceSetup setup;
  ASSERT_EQ(1, setup.Bind());

  const char* const id = "USB\\Vid_14aa&Pid_0160";
  struct {
    const char* hardwareId;
    const char* infPath;
  } updates[] = {
      {nullptr, inf.c_str()}, {"", inf.c_str()}, {id, nullptr}, {id, ""}, {id, longPath.c_str()},
  };
  for (size_t i = 0; i < sizeof(updates) / sizeof(updates[0]); ++i)
    EXPECT_EQ(0, setup.UpdateDriver(updates[i].hardwareId, updates[i].infPath, INSTALLFLAG_FORCE,
                                    nullptr))
        << "update case " << i;
  const char* const packages[] = {nullptr, "", longPath.c_str()};
  for (size_t i = 0; i < sizeof(packages) / sizeof(packages[0]); ++i)
    EXPECT_EQ(0, setup.PreInstallPackage(packages[i], nullptr)) << "package case " << i;
}

TEST(DeviceSetup, UpdateDriverWithoutDeviceGivesZero) {
  ScratchFolder folder;
  const std::string inf = folder.File("receiver.inf");
  ASSERT_TRUE(WriteFileBytes(inf, kTestInf));
  DeviceSetup setup;
  ASSERT_EQ(1, setup.Bind());
  if (setup.UpdateDriver("USB\\Vid_14aa&Pid_0160", inf.c_str(), INSTALLFLAG_FORCE, nullptr) == 1)
    GTEST_SKIP() << "Wine's UpdateDriverForPlugAndPlayDevicesA answers TRUE when no device has "
                    "the ID; the fake newdev.dll answering FALSE stands in (DeviceSetupFakes)";
}

// ---------------------------------------------------------------------------
// Through recording fakes in the folder of device_setup_host.exe.

const std::vector<std::string> kNewdevExports = {"UpdateDriverForPlugAndPlayDevicesA"};
const std::vector<std::string> kSetupExports = {"SetupCopyOEMInfA", "SetupDiGetClassDevsA",
                                                "SetupDiDestroyClassImageList", "SetupOpenInfFileA",
                                                "SetupCloseInfFile", "SetupDiGetDeviceRegistryPropertyA"};
// The configuration-manager functions that may come from cfgmgr32.dll.
const std::vector<std::string> kFallback = {
    "CM_Disconnect_Machine", "CM_Locate_DevNodeA", "CM_Locate_DevNode_ExA", "CM_Connect_MachineA",
    "CM_Get_Sibling", "CM_Get_Sibling_Ex", "CM_Get_Child", "CM_Get_Child_Ex", "CM_Get_Parent",
    "CM_Get_Parent_Ex", "CM_Get_Device_IDA", "CM_Get_Device_ID_ExA",
    "CM_Get_DevNode_Registry_PropertyA", "CM_Get_DevNode_Registry_Property_ExA",
    "CM_Get_Device_Interface_ListA", "CM_Get_Device_Interface_List_ExA",
    "CM_Get_Device_Interface_List_SizeA", "CM_Get_Device_Interface_List_Size_ExA",
    "CM_Get_Device_ID_ListA", "CM_Get_Device_ID_ListW", "CM_Get_Device_ID_List_SizeA",
    "CM_Get_Device_ID_List_SizeW", "CM_Get_Device_ID_List_ExA", "CM_Get_Device_ID_List_ExW",
    "CM_Get_Device_ID_List_Size_ExA", "CM_Get_Device_ID_List_Size_ExW", "CM_Request_Device_EjectA",
    "CM_Request_Device_Eject_ExA", "CM_Open_DevNode_Key", "CM_Open_DevNode_Key_Ex",
};
std::vector<std::string> AllConfigManager() {
  std::vector<std::string> all = kFallback;
  all.push_back("CM_Reenumerate_DevNode_Ex");
  return all;
}
const std::vector<std::string> kAllConfigManager = AllConfigManager();

const char kId[] = "USB\\Vid_14aa&Pid_0160";
const char kInf[] = "C:\\Stage Folder\\RTL2831UBDA.inf";

std::string UpdateLine(const char* id, const char* inf, const char* flags, const char* owner) {
  return std::string("newdev.UpdateDriverForPlugAndPlayDevicesA hwndParent=") + owner +
         " HardwareId=\"" + id + "\" FullInfPath=\"" + inf + "\" InstallFlags=" + flags +
         " bRebootRequired=set";
}

std::string CopyLine(const char* inf, const char* location) {
  return std::string("setupapi.SetupCopyOEMInfA SourceInfFileName=\"") + inf +
         "\" OEMSourceMediaLocation=" + location +
         " OEMSourceMediaType=1 CopyStyle=0x00000000 DestinationInfFileName=null "
         "DestinationInfFileNameSize=0 RequiredSize=null DestinationInfFileNameComponent=null";
}

struct FakeScenario {
  const char* label;
  // Fake file placed under each platform name; null places none.
  const char* newdev;
  const char* setupapi;
  const char* cfgmgr32;
  const char* newdevAnswer;
  const char* setupAnswer;
  std::vector<std::string> commands;
  // Which module each bound slot points into; every other slot but the
  // kernel32 one must be null.
  std::map<std::string, const std::vector<std::string>*> sources;
  const char* loaded;  // "newdev setupapi cfgmgr32" after Bind, 0/1 each
  std::vector<std::string> results;
  std::vector<std::string> log;
};

std::string Quoted(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) line += " \"" + argument + "\"";
  return line;
}

std::vector<FakeScenario> Scenarios() {
  const std::string path259 = "C:\\" + std::string(252, 'p') + ".inf";
  const std::string path300 = "C:\\" + std::string(293, 'p') + ".inf";
  const std::string line259 = UpdateLine(kId, path259.c_str(), "0x00000001", "0x00000001");
  const std::map<std::string, const std::vector<std::string>*> allFakes = {
      {"newdev.dll", &kNewdevExports}, {"setupapi.dll", &kSetupExports}, {"cfgmgr32.dll", &kFallback}};
  return {
      {"recording fakes answer TRUE",
       "newdev.dll", "setupapi.dll", "cfgmgr32.dll", "TRUE", "TRUE",
       {"update", kId, kInf, "1", "12345", "preinstall", kInf, "(null)", "preinstall", kInf, "D:\\Medium"},
       allFakes, "1 1 1",
       {"UpdateDriver 1", "PreInstallPackage 1", "PreInstallPackage 1"},
       {UpdateLine(kId, kInf, "0x00000001", "0x00012345"), CopyLine(kInf, "null"),
        CopyLine(kInf, "\"D:\\Medium\"")}},
      {"platform answers FALSE (no such device)",
       "newdev.dll", "setupapi.dll", "cfgmgr32.dll", "FALSE", "FALSE",
       {"update", kId, kInf, "1", "0", "preinstall", kInf, "(null)"},
       allFakes, "1 1 1",
       {"UpdateDriver 0", "PreInstallPackage 0"},
       {UpdateLine(kId, kInf, "0x00000001", "0x00000000"), CopyLine(kInf, "null")}},
      {"non-zero BOOL other than 1, answers by hardware ID",
       "newdev.dll", "setupapi.dll", "cfgmgr32.dll", "USB\\Vid_14aa&Pid_0161;USB\\Vid_14aa&Pid_0999", "256",
       {"update", kId, kInf, "1", "0", "update", "usb\\vid_14aa&pid_0161", kInf, "0", "0",
        "preinstall", kInf, "(null)"},
       allFakes, "1 1 1",
       {"UpdateDriver 0", "UpdateDriver 1", "PreInstallPackage 1"},
       {UpdateLine(kId, kInf, "0x00000001", "0x00000000"),
        UpdateLine("usb\\vid_14aa&pid_0161", kInf, "0x00000000", "0x00000000"), CopyLine(kInf, "null")}},
      {"libraries lacking the exports",
       "fake_empty.dll", "fake_empty.dll", "cfgmgr32.dll", "TRUE", "TRUE",
       {"update", kId, kInf, "1", "0", "preinstall", kInf, "(null)"},
       {{"cfgmgr32.dll", &kFallback}}, "1 1 1",
       {"UpdateDriver 0", "PreInstallPackage 0"},
       {}},
      {"setupapi with the configuration manager",
       "newdev.dll", "cfgmgr32.dll", "cfgmgr32.dll", "TRUE", "TRUE",
       {"preinstall", kInf, "(null)"},
       {{"newdev.dll", &kNewdevExports}, {"setupapi.dll", &kAllConfigManager}}, "1 1 0",
       {"PreInstallPackage 0"},
       {}},
      {"setupapi that fails to load",
       "newdev.dll", "fake_failing.dll", "cfgmgr32.dll", "TRUE", "TRUE",
       {"preinstall", kInf, "(null)"},
       {{"newdev.dll", &kNewdevExports}, {"cfgmgr32.dll", &kFallback}}, "1 0 1",
       {"PreInstallPackage 0"},
       {}},
      {"bad input is refused before any call; 259 characters pass",
       "newdev.dll", "setupapi.dll", "cfgmgr32.dll", "TRUE", "TRUE",
       {"update", "", kInf, "1", "0", "update", "(null)", kInf, "1", "0", "update", kId, "", "1", "0",
        "update", kId, "(null)", "1", "0", "update", kId, path300, "1", "0", "preinstall", "", "(null)",
        "preinstall", "(null)", "(null)", "preinstall", path300, "(null)", "update", kId, path259, "1", "1"},
       allFakes, "1 1 1",
       {"UpdateDriver 0", "UpdateDriver 0", "UpdateDriver 0", "UpdateDriver 0", "UpdateDriver 0",
        "PreInstallPackage 0", "PreInstallPackage 0", "PreInstallPackage 0", "UpdateDriver 1"},
       {line259}},
  };
}

TEST(DeviceSetupFakes, Scenarios) {
  const std::vector<FakeScenario> scenarios = Scenarios();
  for (size_t s = 0; s < scenarios.size(); ++s) {
    const FakeScenario& c = scenarios[s];
    SCOPED_TRACE(testing::Message() << "scenario " << s << ": " << c.label);
    FakeFolder folder;
    ASSERT_TRUE(folder.AddProgram("device_setup_host.exe"));
    const std::pair<const char*, const char*> places[] = {
        {c.newdev, "newdev.dll"}, {c.setupapi, "setupapi.dll"}, {c.cfgmgr32, "cfgmgr32.dll"}};
    for (const auto& place : places) {
      if (place.first) {
        ASSERT_TRUE(folder.AddFake(place.first, place.second)) << place.first;
      }
    }

    const std::string results = folder.File("results.txt");
    DWORD exitCode = 1;
    ASSERT_TRUE(folder.Run("device_setup_host.exe", "\"" + results + "\"" + Quoted(c.commands),
                           {{"FAKE_NEWDEV_ANSWER", c.newdevAnswer}, {"FAKE_SETUPAPI_ANSWER", c.setupAnswer}},
                           60000, &exitCode));
    EXPECT_EQ(0u, exitCode);

    std::vector<std::string> slots, rest;
    for (const std::string& line : ReadLines(results))
      (line.compare(0, 5, "slot ") == 0 ? slots : rest).push_back(line);
    ASSERT_EQ(kRows, slots.size());
    for (size_t i = 0; i < kRows; ++i) {
      char name[64] = "", module[64] = "", place[16] = "", extra[16] = "";
      unsigned index = 0;
      int fields = sscanf(slots[i].c_str(), "slot %u %63s %63s %15s %15s", &index, name, module,
                          place, extra);
      ASSERT_GE(fields, 3) << slots[i];
      std::string expected = "null";
      for (const auto& source : c.sources)
        for (const std::string& exported : *source.second)
          if (exported == name) expected = source.first + " fake";
      std::string seen = std::string(module) + (fields >= 4 ? std::string(" ") + place : "") +
                         (fields == 5 ? std::string(" ") + extra : "");
      if (i == 1) {
        EXPECT_EQ("system", std::string(place)) << slots[i];
        EXPECT_EQ(4, fields) << slots[i];
      } else {
        EXPECT_EQ(expected, seen) << "row " << i << " " << name;
      }
    }

    int loaded[3] = {-1, -1, -1};
    sscanf(c.loaded, "%d %d %d", &loaded[0], &loaded[1], &loaded[2]);
    std::vector<std::string> expected = {"bind 1"};
    const char* const names[] = {"newdev.dll", "setupapi.dll", "cfgmgr32.dll"};
    for (int i = 0; i < 3; ++i) expected.push_back(std::string("loaded ") + names[i] + " " + std::to_string(loaded[i]));
    expected.insert(expected.end(), c.results.begin(), c.results.end());
    expected.push_back("unbound-slots 0");
    for (int i = 0; i < 3; ++i) expected.push_back(std::string("unloaded ") + names[i] + " 0");
    EXPECT_EQ(expected, rest);
    EXPECT_EQ(c.log, folder.LogLines());
  }
}

// Releases the blocked call 500 ms after it started.
struct ReleaseAfterEntry {
  HANDLE entered, release;
  DWORD releasedAt;

  static DWORD WINAPI Run(void* context) {
    ReleaseAfterEntry* self = static_cast<ReleaseAfterEntry*>(context);
    if (WaitForSingleObject(self->entered, 30000) != WAIT_OBJECT_0) return 1;
    Sleep(500);
    self->releasedAt = GetTickCount();
    SetEvent(self->release);
    return 0;
  }
};

// The fake newdev.dll's hooks for tests of callers that run it on a worker
// thread: it sets one event when a call starts and then waits for another.
TEST(DeviceSetupFakes, NewdevSignalsEntryAndWaitsForRelease) {
  char entered[64], release[64];
  snprintf(entered, sizeof(entered), "bramtest-entered-%lu", GetCurrentProcessId());
  snprintf(release, sizeof(release), "bramtest-release-%lu", GetCurrentProcessId());
  ReleaseAfterEntry events = {CreateEventA(nullptr, TRUE, FALSE, entered),
                              CreateEventA(nullptr, TRUE, FALSE, release), 0};
  ASSERT_NE(nullptr, events.entered);
  ASSERT_NE(nullptr, events.release);
  HANDLE releaser = CreateThread(nullptr, 0, ReleaseAfterEntry::Run, &events, 0, nullptr);
  ASSERT_NE(nullptr, releaser);

  FakeFolder folder;
  ASSERT_TRUE(folder.AddProgram("device_setup_host.exe"));
  ASSERT_TRUE(folder.AddFake("newdev.dll", "newdev.dll"));
  DWORD exitCode = 1;
  EXPECT_TRUE(folder.Run("device_setup_host.exe",
                         "\"" + folder.File("results.txt") + "\" update " + kId + " C:\\a.inf 1 0",
                         {{"FAKE_NEWDEV_ANSWER", "TRUE"}, {"FAKE_NEWDEV_ENTERED", entered},
                          {"FAKE_NEWDEV_BLOCK", release}},
                         60000, &exitCode));
  const DWORD endedAt = GetTickCount();
  WaitForSingleObject(releaser, 30000);
  CloseHandle(releaser);
  EXPECT_NE(0u, events.releasedAt) << "the call never signalled its start";
  EXPECT_GE(endedAt, events.releasedAt) << "the call returned before it was released";
  std::vector<std::string> results = ReadLines(folder.File("results.txt"));
  EXPECT_NE(results.end(), std::find(results.begin(), results.end(), "UpdateDriver 1"));
  CloseHandle(events.entered);
  CloseHandle(events.release);
}

}  // namespace
