#include "devsetup/device_setup.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fakes/fake_folder.h"

using namespace testing_support;

namespace {

const char kId[] = "USB\\Vid_14aa&Pid_0160";
const char kInf[] = "C:\\Stage Folder\\RTL2831UBDA.inf";

std::string UpdateLine(const std::string& id, const std::string& inf, const char* flags, const char* owner) {
  return std::string("newdev.UpdateDriverForPlugAndPlayDevicesA hwndParent=") + owner + " HardwareId=\"" + id +
         "\" FullInfPath=\"" + inf + "\" InstallFlags=" + flags + " bRebootRequired=set";
}

std::string CopyLine(const char* location) {
  return std::string("setupapi.SetupCopyOEMInfA SourceInfFileName=\"") + kInf + "\" OEMSourceMediaLocation=" +
         location + " OEMSourceMediaType=1 CopyStyle=0x00000000 DestinationInfFileName=null "
         "DestinationInfFileNameSize=0 RequiredSize=null DestinationInfFileNameComponent=null";
}

// Where a row must be bound from: the fake setupapi.dll exports a few setup
// functions and no configuration manager; the fake cfgmgr32.dll, put under
// either name, exports every CM_ function of the table.
std::string ExpectedPlace(const std::string& name, const char* newdev, const char* setupapi, bool cfgmgrLoads) {
  static const std::set<std::string> kSetupExports = {"SetupCopyOEMInfA", "SetupDiGetClassDevsA",
      "SetupDiDestroyClassImageList", "SetupOpenInfFileA", "SetupCloseInfFile", "SetupDiGetDeviceRegistryPropertyA"};
  const bool cm = name.compare(0, 3, "CM_") == 0;
  if (name == "GetVolumeNameForVolumeMountPointA") return "system";
  if (name == "UpdateDriverForPlugAndPlayDevicesA") return strcmp(newdev, "newdev.dll") ? "null" : "newdev.dll";
  if (cm && !strcmp(setupapi, "cfgmgr32.dll")) return "setupapi.dll";
  if (cm) return cfgmgrLoads && name != "CM_Reenumerate_DevNode_Ex" ? "cfgmgr32.dll" : "null";
  return !strcmp(setupapi, "setupapi.dll") && kSetupExports.count(name) ? "setupapi.dll" : "null";
}

// Each scenario runs the host in a folder of fakes (the fake file under each
// platform name) and compares every slot's origin, the libraries held, the
// operations' results and the calls the fakes recorded.
TEST(DeviceSetupFakes, Scenarios) {
  const std::string path259 = "C:\\" + std::string(252, 'p') + ".inf";
  const std::string path260 = "C:\\" + std::string(253, 'p') + ".inf";
  const struct {
    const char *newdev, *setupapi, *newdevAnswer, *setupAnswer, *loaded;
    std::vector<std::string> commands, results, log;
  } cases[] = {
      {"newdev.dll", "setupapi.dll", "256", "256", "1 1 1",  // any non-zero BOOL is 1
       {"update", kId, kInf, "1", "12345", "preinstall", kInf, "(null)", "preinstall", kInf, "D:\\Medium"},
       {"UpdateDriver 1", "PreInstallPackage 1", "PreInstallPackage 1"},
       {UpdateLine(kId, kInf, "0x00000001", "0x00012345"), CopyLine("null"), CopyLine("\"D:\\Medium\"")}},
      // The platform's FALSE, as for a hardware ID no present device has.
      {"newdev.dll", "setupapi.dll", "FALSE", "FALSE", "1 1 1",
       {"update", kId, kInf, "1", "0", "preinstall", kInf, "(null)"},
       {"UpdateDriver 0", "PreInstallPackage 0"},
       {UpdateLine(kId, kInf, "0x00000001", "0x00000000"), CopyLine("null")}},
      // Libraries lacking the exports: nothing is called.
      {"fake_empty.dll", "fake_empty.dll", "TRUE", "TRUE", "1 1 1",
       {"update", kId, kInf, "1", "0", "preinstall", kInf, "(null)"}, {"UpdateDriver 0", "PreInstallPackage 0"}, {}},
      // A setupapi.dll with the configuration manager: no cfgmgr32.dll.
      {"newdev.dll", "cfgmgr32.dll", "TRUE", "TRUE", "1 1 0", {"preinstall", kInf, "(null)"}, {"PreInstallPackage 0"}, {}},
      {"newdev.dll", "fake_failing.dll", "TRUE", "TRUE", "1 0 1", {"preinstall", kInf, "(null)"}, {"PreInstallPackage 0"}, {}},
      // Bad input is refused before any call; a path of 259 characters passes.
      {"newdev.dll", "setupapi.dll", "TRUE", "TRUE", "1 1 1",
       {"update", "", kInf, "1", "0", "update", kId, "(null)", "1", "0", "update", kId, path260, "1", "0",
        "preinstall", "(null)", "(null)", "preinstall", path260, "(null)", "update", kId, path259, "1", "1"},
       {"UpdateDriver 0", "UpdateDriver 0", "UpdateDriver 0", "PreInstallPackage 0", "PreInstallPackage 0", "UpdateDriver 1"},
       {UpdateLine(kId, path259, "0x00000001", "0x00000001")}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "scenario " << i);
    FakeFolder folder;
    ASSERT_TRUE(folder.AddProgram("device_setup_host.exe") && folder.AddFake(c.newdev, "newdev.dll") &&
                folder.AddFake(c.setupapi, "setupapi.dll") && folder.AddFake("cfgmgr32.dll", "cfgmgr32.dll"));
    const std::string results = folder.File("results.txt");
    std::string arguments = "\"" + results + "\"";
    for (const std::string& argument : c.commands) arguments += " \"" + argument + "\"";
    DWORD exitCode = 1;
    ASSERT_TRUE(folder.Run("device_setup_host.exe", arguments,
                           {{"FAKE_NEWDEV_ANSWER", c.newdevAnswer}, {"FAKE_SETUPAPI_ANSWER", c.setupAnswer}}, 60000,
                           &exitCode));
    EXPECT_EQ(0u, exitCode);
    std::vector<std::string> expected;
    for (size_t row = 0; row < DeviceSetup::kSlotCount; ++row) {
      const std::string name = DeviceSetup().Table()[row].name;
      expected.push_back(name + " " + ExpectedPlace(name, c.newdev, c.setupapi, c.loaded[4] == '1'));
    }
    expected.push_back(std::string("loaded ") + c.loaded);
    expected.insert(expected.end(), c.results.begin(), c.results.end());
    expected.insert(expected.end(), {"unbound 0", "unloaded 0 0 0"});
    EXPECT_EQ(expected, ReadLines(results));
    EXPECT_EQ(c.log, folder.LogLines());
  }
}

}  // namespace
