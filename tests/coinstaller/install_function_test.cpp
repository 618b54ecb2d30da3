#include "coinstaller/install_function.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/device_with_hardware_id.h"
#include "base/os_kind.h"
#include "fakes/fake_folder.h"
#include "support/box_closer.h"
#include "support/test_support.h"

namespace {

using namespace testing_support;

const char kDirectXKey[] = "SOFTWARE\\Microsoft\\DirectX";
const char* const kUninstallKeys[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{F27EFBE2-7B33-4084-8328-00FE19AC4901}",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{D4ADD3F1-17A2-4EF3-9D04-E563E046632A}",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{14172CB3-0AA7-4276-8C74-8C0441336047}",
};

std::string HardwareIds(const char* first) { return std::string(first) + '\0' + '\0'; }

DWORD SessionZero() { return 0; }
DWORD SessionOne() { return 1; }

// The install CD in E:, made of stubs that log their start.
class InstallFunctionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log = folder.File("medium.log");
    SetEnvironmentVariableA("MEDIUM_LOG", log.c_str());
    CreateDirectoryA("E:\\Zovodav", nullptr);
    CreateDirectoryA("E:\\Zovodav\\DirectX", nullptr);
    CreateDirectoryA("E:\\_exec", nullptr);
    for (const char* path : {"E:\\Zovodav\\setup.exe", "E:\\Zovodav\\DirectX\\dxsetup.exe", "E:\\_exec\\Tollet.exe",
                             "E:\\_exec\\VaskDT220.exe", "E:\\_exec\\VaskDT620.exe", "E:\\_exec\\VaskDT2831.exe"})
      CopyFileA(BuildPath("testbin\\medium_stub.exe").c_str(), path, FALSE);
    currentSessionId = SessionOne;
  }
  void TearDown() override {
    RemoveFolderTree("E:\\Zovodav");
    RemoveFolderTree("E:\\_exec");
    SetEnvironmentVariableA("MEDIUM_LOG", nullptr);
    SetEnvironmentVariableA("MEDIUM_CHECK", nullptr);
  }

  // The stubs' lines, sorted, once `count` have arrived (or after 10 s), and
  // a little later so that an unexpected extra start shows too; when none is
  // expected, after a second.
  std::vector<std::string> Started(size_t count) {
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) {
      lines = Lines();
      if (lines.size() >= count) break;
      Sleep(100);
    }
    Sleep(count ? 300 : 1000);
    lines = Lines();
    std::sort(lines.begin(), lines.end());
    DeleteFileA(log.c_str());
    return lines;
  }

  std::vector<std::string> Lines() const { return ReadLines(log); }

  DWORD Run(DI_FUNCTION code, const char* hardwareId) {
    DeviceWithHardwareId device(HardwareIds(hardwareId));
    EXPECT_TRUE(device.created);
    return RunInstallFunction(code, device.set, &device.data);
  }

  ScratchFolder folder;
  std::string log;
};

// A same-day package of family 3 in the INF folder, and whether it is gone.
struct Package {
  Package() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    inf = std::string(windows) + "\\inf\\oem9800.inf";
    WriteFileBytes(inf, "[Models]\n%Dev% = Install, USB\\VID_14AA&PID_0160\n");
    SetEnvironmentVariableA("MEDIUM_CHECK", inf.c_str());
  }
  ~Package() { DeleteFileA(inf.c_str()); }
  bool Exists() const { return GetFileAttributesA(inf.c_str()) != INVALID_FILE_ATTRIBUTES; }
  std::string inf;
};

const char kDxSetup[] = "E:\\Zovodav\\DirectX\\dxsetup.exe|\"E:\\Zovodav\\DirectX\\dxsetup.exe\"";

TEST_F(InstallFunctionTest, InstallInterfacesRunsDirectXSetupOnlyWhenOlder) {
  const struct {
    const char* version;  // null: no value
    const char* hardwareId;
    DWORD result;
    bool removed;
  } cases[] = {
      {"4.09.00.0904", "USB\\Vid_14aa&Pid_0160", 0, false},
      {"4.9.0.904", "USB\\Vid_14aa&Pid_0160", 0, false},
      {"4.10.00.0000", "USB\\Vid_14aa&Pid_0160", 0, false},
      {"4.09.00.0903", "USB\\Vid_14aa&Pid_0160", 3010, true},
      {nullptr, "USB\\Vid_14aa&Pid_0160", 3010, true},
      {"4.09.00.0903", "USB\\Vid_14aa&Pid_0221", 3010, false},  // unknown model: setup still runs
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    SwappedValue version(kDirectXKey, "Version", REG_SZ, cases[i].version,
                         cases[i].version ? static_cast<DWORD>(strlen(cases[i].version) + 1) : 0);
    Package package;
    EXPECT_EQ(cases[i].result, Run(DIF_INSTALLINTERFACES, cases[i].hardwareId));
    EXPECT_EQ(!cases[i].removed, package.Exists());
    std::vector<std::string> started = Started(cases[i].result ? 1 : 0);
    if (cases[i].result) {
      ASSERT_EQ(1u, started.size());
      // Started in its own folder, after the package was removed.
      EXPECT_EQ(std::string(kDxSetup) + "|E:\\Zovodav\\DirectX|" + (cases[i].removed ? "0" : "1"), started[0]);
    } else {
      EXPECT_TRUE(started.empty());
    }
  }
}

TEST_F(InstallFunctionTest, InstallInterfacesWithoutMediumOrSetup) {
  SwappedValue version(kDirectXKey, "Version", REG_SZ, "4.09.00.0903", 13);
  {
    Package package;
    DeleteFileA("E:\\Zovodav\\setup.exe");
    EXPECT_EQ(0u, Run(DIF_INSTALLINTERFACES, "USB\\Vid_14aa&Pid_0160"));
    EXPECT_TRUE(package.Exists()) << "no medium: nothing removed";
    EXPECT_TRUE(Started(0).empty());
  }
  SetUp();
  Package package;
  DeleteFileA("E:\\Zovodav\\DirectX\\dxsetup.exe");
  BoxCloser closer;
  EXPECT_EQ(0u, Run(DIF_INSTALLINTERFACES, "USB\\Vid_14aa&Pid_0160")) << "a setup that cannot start is not 3010";
  EXPECT_FALSE(package.Exists());
}

TEST_F(InstallFunctionTest, FinishInstallStartsTheFamilysPrograms) {
  const std::string tollet220 = "E:\\_exec\\Tollet.exe|\"E:\\_exec\\Tollet.exe\" -d 220|E:\\|-";
  const std::string vask220 = "E:\\_exec\\VaskDT220.exe|\"E:\\_exec\\VaskDT220.exe\" |E:\\|-";
  const struct {
    const char* hardwareId;
    std::vector<std::string> started;
  } cases[] = {
      {"USB\\VID_14AA&PID_0620&REV_0100",
       {"E:\\_exec\\Tollet.exe|\"E:\\_exec\\Tollet.exe\" -d 620|E:\\|-",
        "E:\\_exec\\VaskDT620.exe|\"E:\\_exec\\VaskDT620.exe\" |E:\\|-"}},
      {"USB\\VID_14AA&PID_0221", {tollet220, vask220}},
      {"USB\\VID_14AA&PID_0226", {tollet220, vask220}},
      {"USB\\Vid_14aa&Pid_0160", {"E:\\_exec\\VaskDT2831.exe|\"E:\\_exec\\VaskDT2831.exe\" |E:\\|-"}},
      {"USB\\VID_14AA&PID_0225", {}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, cases[i].hardwareId));
    std::vector<std::string> started = Started(cases[i].started.size());
    // The shell's command line may or may not end in a space: compare without it.
    for (std::string& line : started) {
      size_t bar = line.find('|', line.find('|') + 1);
      if (line.compare(bar - 1, 1, " ") != 0) line.insert(bar, " ");
    }
    std::vector<std::string> expected = cases[i].started;
    for (std::string& line : expected) {
      size_t bar = line.find('|', line.find('|') + 1);
      if (line.compare(bar - 1, 1, " ") != 0) line.insert(bar, " ");
    }
    EXPECT_EQ(expected, started);
  }
}

TEST_F(InstallFunctionTest, FinishInstallStartsNothingWhenInstalledRunningOrService) {
  for (const char* uninstallKey : kUninstallKeys) {
    SwappedValue installed(uninstallKey, "DisplayName", REG_SZ, "x", 2);
    EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, "USB\\Vid_14aa&Pid_0160"));
    EXPECT_TRUE(Started(0).empty()) << "software installed: " << uninstallKey;
  }
  {
    std::string runner = folder.File("VASKrunner.exe");
    CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), runner.c_str(), FALSE);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = "\"" + runner + "\" sleep=20000";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    Sleep(300);
    EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, "USB\\Vid_14aa&Pid_0160"));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_TRUE(Started(0).empty()) << "a process named like the software runs";
  }
  // Wine reports Windows 7: in session 0 nothing starts, in any other it does.
  currentSessionId = SessionZero;
  EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, "USB\\Vid_14aa&Pid_0160"));
  EXPECT_TRUE(Started(0).empty()) << "session 0 of Vista or later";
  currentSessionId = SessionOne;
  EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, "USB\\Vid_14aa&Pid_0160"));
  EXPECT_EQ(1u, Started(1).size());

  // Tollet missing: the companion program still starts.
  DeleteFileA("E:\\_exec\\Tollet.exe");
  BoxCloser closer;
  EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, "USB\\VID_14AA&PID_0620"));
  std::vector<std::string> started = Started(1);
  ASSERT_EQ(1u, started.size());
  EXPECT_EQ(0u, started[0].find("E:\\_exec\\VaskDT620.exe|"));
}

// Windows XP has no non-interactive session 0: the companion step runs there.
// The scenario runs in a copy of this program that Wine shows Windows XP.
TEST_F(InstallFunctionTest, FinishInstallUnderXpInSessionZero) {
  char child[8] = {};
  if (GetEnvironmentVariableA("STEPS_XP_CHILD", child, sizeof(child))) {
    ASSERT_EQ(0, IsOsAtLeast(kOsVista)) << "not running as Windows XP";
    currentSessionId = SessionZero;
    EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, "USB\\Vid_14aa&Pid_0160"));
    EXPECT_EQ(1u, Started(1).size());
    return;
  }
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
  std::string copy = folder.File("steps_xp.exe");
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
  SetEmulatedVersion("steps_xp.exe", "winxp");
  SetEnvironmentVariableA("STEPS_XP_CHILD", "1");
  DWORD code = 1;
  bool ended = RunProgram("\"" + copy + "\" --gtest_filter=InstallFunctionTest.FinishInstallUnderXpInSessionZero",
                          60000, &code);
  SetEnvironmentVariableA("STEPS_XP_CHILD", nullptr);
  SetEmulatedVersion("steps_xp.exe", "");
  ASSERT_TRUE(ended);
  EXPECT_EQ(0u, code) << "the scenario failed under Windows XP";
}

TEST_F(InstallFunctionTest, OtherCodesDoNothing) {
  SwappedValue version(kDirectXKey, "Version", REG_SZ, "4.09.00.0903", 13);
  for (DI_FUNCTION code : {DIF_INSTALLDEVICE, DIF_REGISTERDEVICE, DIF_REMOVE, DIF_SELECTBESTCOMPATDRV})
    EXPECT_EQ(0u, Run(code, "USB\\Vid_14aa&Pid_0160")) << code;
  EXPECT_TRUE(Started(0).empty());
}

}  // namespace
