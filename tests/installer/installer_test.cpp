// Bramcot.exe under Wine, from a folder laid out like the install medium with
// the fake device-setup libraries, driven through its window; and DeviceSetup
// beside the fakes, with this program as its host (see main).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <string.h>

#include <regex>
#include <thread>

#include "devsetup/device_setup.h"
#include "fakes/fake_folder.h"
#include "fakes/fake_log.h"
#include "installer/command_line.h"
#include "installer/install_log.h"
#include "installer/install_sequence.h"
#include "installer/resource_ids.h"

using namespace testing_support;

namespace {

const char kInf[] = "C:\\Stage\\RTL2831UBDA.inf";
const std::string kPath259 = "C:\\" + std::string(252, 'p') + ".inf", kPath260 = kPath259 + "f";
const HWND kOwner = reinterpret_cast<HWND>(0x12345);

// The lines the fake setup libraries write for their two calls.
std::string UpdateLine(HWND owner, const char* id, const std::string& inf, const char* flags = "1") {
  return "newdev.dll UpdateDriver " + std::to_string(reinterpret_cast<ULONG_PTR>(owner)) + " " + id + " " + inf + " " + flags + " set";
}
std::string CopyLine(const std::string& inf, const char* from) { return "SetupCopyOEMInf " + inf + " " + from + " 1 0 0 0 0 0"; }

// `program` from the build tree as `as` and the package in one folder,
// testbin\fakes\<fake> as the device-setup libraries of the system folder
// (null: the platform's own serve); a scratch folder as the temporary one.
struct Medium {
  Medium(const std::string& program, const std::string& as, const char* fake = "setupapi.dll") {
    ok = CopyFileA(BuildPath(program).c_str(), folder.File(as).c_str(), FALSE);
    for (const char* name : {"newdev.dll", "setupapi.dll", "cfgmgr32.dll"})
      ok = ok && (!fake || folder.AddFake(fake, name));
    for (const char* const* name = kStagedFiles; *name; ++name)
      ok = ok && CopyFileA(BuildPath(std::string("bin\\") + *name).c_str(), folder.File(*name).c_str(), FALSE);
  }
  FakeFolder::Environment Environment(const char* newdev, const char* setupapi) const {
    return {{"TMP", temporary.Path()}, {"TEMP", temporary.Path()},
            {"FAKE_NEWDEV_ANSWER", newdev}, {"FAKE_SETUPAPI_ANSWER", setupapi}};
  }
  std::string Staged(const char* name) const { return temporary.Path() + kStagingFolderName + name; }
  bool ok = false;
  FakeFolder folder;
  ScratchFolder temporary;
};

// A visible dialog titled `title`, polled for up to 20 s.
HWND FindDialog(const std::string& title) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
    HWND dialog = FindWindowA("#32770", title.c_str());
    if (dialog && IsWindowVisible(dialog)) return dialog;
  }
  return nullptr;
}

// Bramcot.exe on the medium, run on a thread of this test, the fake newdev.dll
// holding its first call until `block` is set; both stale device keys (with a
// sub-key) exist while the object lives. `planted`: the platform's own
// libraries, and the fake newdev.dll beside the program only.
struct InstallerRun : Medium {
  InstallerRun(const char* newdev, const char* setupapi, bool planted = false)
      : Medium("bin\\Bramcot.exe", "Bramcot.exe", planted ? nullptr : "setupapi.dll") {
    ok = ok && (!planted || folder.PlantBeside("setupapi.dll", "newdev.dll"));
    const std::string name = "bramtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
    block = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    FakeFolder::Environment environment = Environment(newdev, setupapi);
    environment.emplace_back("FAKE_NEWDEV_BLOCK", name);
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey})
      RegSetKeyValueA(HKEY_LOCAL_MACHINE, (key + std::string("\\5&1a&0&1")).c_str(), "Driver", REG_SZ, "x", 2);
    runner = std::thread([this, environment] { folder.Run("Bramcot.exe", "", environment, 20000, &exitCode); });
    dialog = FindDialog(std::string(kMessageCaption) + " [1.02]");
  }
  ~InstallerRun() {
    SetEvent(block);
    if (runner.joinable()) runner.join();
    CloseHandle(block);
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
  }
  // The program's exit code once it ended; 0xDEAD when it had to be ended.
  DWORD Finish() { return runner.join(), exitCode; }
  // "P" the progress bar shown, "M" its marquee on, "I" Install and "E" Exit
  // enabled; "-" for each that is not.
  std::string State() const {
    HWND progress = GetDlgItem(dialog, IDC_PROGRESS);
    return std::string(IsWindowVisible(progress) ? "P" : "-") + (GetWindowLongA(progress, GWL_STYLE) & PBS_MARQUEE ? "M" : "-") +
           (IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL)) ? "I" : "-") + (IsWindowEnabled(GetDlgItem(dialog, IDC_EXIT)) ? "E" : "-");
  }
  HWND dialog = nullptr;
  HANDLE block;
  std::thread runner;
  DWORD exitCode = 0xDEAD;
};

// Each outcome through the window: the one message, owned by the dialog, the
// indicator stopped and hidden, both buttons still disabled, the program
// ending with 0; the device calls with the staged INF and the dialog as owner,
// the copies made, and the stale keys removed only when no device was updated.
// Escape or the close box while the sequence is held inside the device
// installer (the indicator running, both buttons disabled) leave the dialog open.
TEST(Installer, Outcomes) {
  const struct {
    const char *newdev, *setupapi, *missing, *text;
    bool keysRemoved;
    UINT close[2] = {};  // posted while the sequence is held
    bool planted = false;
  } cases[] = {
      {kFirstHardwareId, "1", nullptr, kInstalledText, false},  // over read-only staged copies
      {kSecondHardwareId, "0", nullptr, kInstalledText, false, {WM_KEYDOWN, VK_ESCAPE}},
      {"0", "0", nullptr, kFailedText, true, {WM_SYSCOMMAND, SC_CLOSE}},
      {"1", "1", "RTL2831UUSB.sys", kFailedText, false},
      // A newdev.dll beside the program is never loaded, even with Wine told
      // to prefer a native one: the system's own finds no such device.
      {"1", "1", nullptr, kPreInstalledText, true, {}, true},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    InstallerRun run(c.newdev, c.setupapi, c.planted);
    ASSERT_TRUE(run.ok && run.dialog) << "no installer window";
    if (c.missing) DeleteFileA(run.folder.File(c.missing).c_str());
    // Copies staged from a CD are read-only.
    CreateDirectoryA((run.temporary.Path() + kStagingFolderName).c_str(), nullptr);
    for (const char* const* name = kStagedFiles; *name && i == 0; ++name)
      WriteFileBytes(run.Staged(*name), "old"), SetFileAttributesA(run.Staged(*name).c_str(), FILE_ATTRIBUTE_READONLY);
    if (!c.close[0]) SetEvent(run.block);
    PostMessageA(run.dialog, WM_COMMAND, IDC_INSTALL, 0);
    if (c.close[0]) {
      for (int wait = 0; wait < 1000 && run.folder.LogLines().empty(); ++wait) Sleep(20);
      ASSERT_FALSE(run.folder.LogLines().empty()) << "the sequence never reached newdev";
      EXPECT_EQ("PM--", run.State());
      PostMessageA(run.dialog, c.close[0], c.close[1], 0);
      Sleep(1000);
      EXPECT_EQ("PM--", run.State()) << "the dialog ended during the install";
      SetEvent(run.block);
    }
    HWND box = FindDialog(kMessageCaption);
    ASSERT_TRUE(box) << "no result message";
    EXPECT_EQ(run.dialog, GetWindow(box, GW_OWNER));
    EXPECT_EQ("----", run.State());
    EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", c.text));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, run.Finish());  // not 0xDEAD: ended within the run's time

    const std::string inf = run.Staged(kPackageInf);
    const std::vector<std::string> calls = {UpdateLine(run.dialog, kFirstHardwareId, inf),
                                            UpdateLine(run.dialog, kSecondHardwareId, inf), CopyLine(inf, "(null)")};
    EXPECT_EQ(c.missing || c.planted ? std::vector<std::string>() : calls, run.folder.LogLines());
    for (int f = 0; f < 4; ++f)  // the copies stop at the first that fails
      EXPECT_EQ(!c.missing || f < 2, GetFileAttributesA(run.Staged(kStagedFiles[f]).c_str()) != INVALID_FILE_ATTRIBUTES) << f;
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey})
      EXPECT_EQ(c.keysRemoved, RegDeleteKeyA(HKEY_LOCAL_MACHINE, key) == ERROR_FILE_NOT_FOUND) << key;
  }
}

// Exit before an install ends the program at once with 0.
TEST(Installer, ExitBeforeInstall) {
  InstallerRun run("1", "1");
  ASSERT_TRUE(run.ok && run.dialog);
  EXPECT_EQ("--IE", run.State());
  PostMessageA(run.dialog, WM_COMMAND, IDC_EXIT, 0);
  EXPECT_EQ(0u, run.Finish());
}

// The command line as read: mode, /quiet, the log file, the argument not
// understood.
TEST(Installer, CommandLine) {
  const std::string path259 = "C:\\" + std::string(256, 'l');
  const struct {
    std::string line;
    CommandLine::Mode mode;
    int quiet;
    std::string log, bad;
  } cases[] = {
      {" \t/log x.log ", CommandLine::kDialog, 0, "x.log", ""},
      {"-QUIET /Log \"C:\\a b\\x.log\"", CommandLine::kQuiet, 1, "C:\\a b\\x.log", ""},
      {"/?  /quiet", CommandLine::kUsage, 1, "", ""}, {"/x /quiet /y", CommandLine::kBad, 1, "", "/x"},
      {"/quiet /quiet", CommandLine::kBad, 1, "", "/quiet"}, {"/quiet /log", CommandLine::kBad, 1, "", "/log"},
      {"/log " + path259, CommandLine::kDialog, 0, path259, ""},
      {"/log " + path259 + "l /quiet", CommandLine::kBad, 1, "", "/log"}, {"\"\"", CommandLine::kBad, 0, "", "\"\""},
  };
  for (const auto& c : cases) {
    CommandLine line;
    ParseCommandLine(c.line.c_str(), &line);
    EXPECT_EQ(c.mode, line.mode) << c.line;
    EXPECT_EQ(c.quiet, line.quiet) << c.line;
    EXPECT_EQ(c.log, line.logFile) << c.line;
    EXPECT_EQ(c.bad, line.badArgument) << c.line;
  }
}

// Bramcot.exe /quiet beside the fakes: no window, the outcome's exit code, the
// device calls without an owner and with nobody to answer, and each step in
// install.log (and in the /log file, line for line). "$S" stands for the
// staging folder.
TEST(Installer, Unattended) {
  const std::vector<std::string> copied = {"copy RTL2831UBDA.inf: done", "copy RTL2831UBDA.sys: done",
                                           "copy RTL2831UUSB.sys: done"};
  const std::string bound = "device installer: UpdateDriverForPlugAndPlayDevicesA bound, SetupCopyOEMInfA bound";
  const std::string notFirst = "update USB\\Vid_14aa&Pid_0160: not updated, error 0xE000020B";
  const std::string notSecond = "update USB\\Vid_14aa&Pid_0161: not updated, error 0xE000020B";
  const struct {
    const char *arguments, *newdev, *setupapi, *missing;
    DWORD exitCode;
    std::vector<std::string> log;
  } cases[] = {
      {"/quiet", kFirstHardwareId, "0", nullptr, 0,
       {copied[0], copied[1], copied[2], "copy Coldrune.dll: done", bound,
        "update USB\\Vid_14aa&Pid_0160: updated, restart requested", notSecond,
        "pre-install $SRTL2831UBDA.inf: failed, error 5: Access denied.",
        "message: Your new DVB-T driver was successfully installed.", "outcome: installed"}},
      {"/log \"$Sextra log.txt\" /QUIET", "0", "1", nullptr, 2,
       {copied[0], copied[1], copied[2], "copy Coldrune.dll: done", bound, notFirst, notSecond,
        "pre-install $SRTL2831UBDA.inf: done", "remove HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_14aa&Pid_0160: done",
        "remove HKLM\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_14aa&Pid_0161: done",
        "message: Your new DVB-T driver was successfully pre-installed. Please connect your DVB-T USB device now and follow the wizard.",
        "outcome: pre-installed"}},
      {"/quiet", "1", "1", "Coldrune.dll", 1,
       {copied[0], copied[1], copied[2], "copy Coldrune.dll: error 2: File not found.",
        "message: Can't install new DVB-T driver.", "outcome: failed"}}, {"/quiet /x", "1", "1", nullptr, 1639, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    Medium medium("bin\\Bramcot.exe", "Bramcot.exe");
    ASSERT_TRUE(medium.ok);
    if (c.missing) DeleteFileA(medium.folder.File(c.missing).c_str());
    const std::string staging = medium.Staged("");
    auto expand = [&](std::string text) {
      for (size_t at; (at = text.find("$S")) != std::string::npos;) text.replace(at, 2, staging);
      return text;
    };
    DWORD exitCode = 0xDEAD;
    ASSERT_TRUE(medium.folder.Run("Bramcot.exe", expand(c.arguments), medium.Environment(c.newdev, c.setupapi), 30000, &exitCode));
    EXPECT_EQ(c.exitCode, exitCode);

    std::vector<std::string> log = ReadLines(staging + "install.log");
    ASSERT_EQ(c.log.empty() ? 0 : c.log.size() + 4, log.size());
    if (log.empty()) continue;
    EXPECT_TRUE(std::regex_match(log[0], std::regex("==== \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d Bramcot \\[1\\.02\\], command line: " +
                                                    std::regex_replace(expand(c.arguments), std::regex("[\\\\.\\[\\]]"), "\\$&"))))
        << log[0];
    EXPECT_TRUE(std::regex_match(log[1], std::regex("system: .+ \\[\\d+\\.\\d+\\] Build \\d+.*"))) << log[1];
    EXPECT_EQ("staging folder " + staging + ": done", log[2]);
    EXPECT_EQ("program folder: " + medium.folder.Path(), log[3]);
    for (size_t i = 0; i < c.log.size(); ++i) EXPECT_EQ(expand(c.log[i]), log[i + 4]);
    if (c.exitCode == 2) {
      EXPECT_EQ(log, ReadLines(staging + "extra log.txt"));
    } else if (c.exitCode == 0) {
      EXPECT_EQ(UpdateLine(nullptr, kSecondHardwareId, staging + kPackageInf, "5"), medium.folder.LogLines().at(1));
    }
  }
}

// A receiver with the first hardware ID plugged in (tools/demo's
// device_helper.exe, which writes its instance ID to `out`), pulled out again
// when the object goes.
struct Receiver {
  explicit Receiver(const std::string& out) {
    DWORD code = 1;
    std::string text;
    ok = RunProgram(Helper() + " create " + kFirstHardwareId + " \"" + out + "\"", 30000, &code) && code == 0 &&
         ReadFileBytes(out, &text);
    instance = text.substr(0, text.find_first_of("\r\n"));
  }
  ~Receiver() {
    DWORD code;
    if (ok) RunProgram(Helper() + " remove " + instance, 30000, &code);
  }
  static std::string Helper() { return "\"" + BuildPath("demobin\\device_helper.exe") + "\""; }
  // The device's driver key, set once a driver was bound to it.
  std::string Driver() const {
    char value[256] = "";
    DWORD size = sizeof(value);
    RegGetValueA(HKEY_LOCAL_MACHINE, ("System\\CurrentControlSet\\Enum\\" + instance).c_str(), "Driver",
                 RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
  }
  bool ok = false;
  std::string instance;
};

// Help and a bad argument without /quiet: the usage in a message box, then the
// exit code. With a plugged-in receiver and the platform's own device
// installer, /quiet binds the driver to it and says "installed". Wine's
// device installer answers TRUE also for an ID no device has, so only the
// device's driver key shows the binding.
TEST(Installer, UsageAndReceiver) {
  const struct {
    const char* arguments;
    const char* text;  // what comes before the usage in the message; null: no message
    DWORD exitCode;
  } cases[] = {{"/?", "", 0}, {"/bogus", "Unknown argument: /bogus\n\n", 1639}, {"/quiet", nullptr, 0}};
  Medium medium("bin\\Bramcot.exe", "Bramcot.exe", nullptr);
  Receiver receiver(medium.temporary.File("device.txt"));
  ASSERT_TRUE(medium.ok && receiver.ok);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    DWORD exitCode = 0xDEAD;
    std::thread runner([&] { medium.folder.Run("Bramcot.exe", c.arguments, medium.Environment("", ""), 60000, &exitCode); });
    if (c.text) {
      HWND box = FindDialog(kMessageCaption);
      EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", (c.text + std::string(kUsageText)).c_str()));
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    runner.join();
    EXPECT_EQ(c.exitCode, exitCode);
    EXPECT_EQ(!c.text, !receiver.Driver().empty());
  }
}

// A log that reached its limit is moved aside, replacing an older one, before
// the run's first line, or emptied when it cannot be (a folder stands in the
// way); one byte short of it, the run is appended. A second name for the same
// file adds no second copy of each line.
TEST(InstallLog, SizeLimit) {
  const struct {
    DWORD size;
    bool folderInTheWay, kept;
  } cases[] = {{InstallLog::kSizeLimit - 1, false, true}, {InstallLog::kSizeLimit, false, false}, {InstallLog::kSizeLimit, true, false}};
  for (const auto& c : cases) {
    ScratchFolder folder;
    const std::string path = folder.File("install.log"), earlier(c.size, 'x');
    ASSERT_TRUE((c.folderInTheWay ? CreateDirectoryA((path + ".old").c_str(), nullptr) : WriteFileBytes(path + ".old", "oldest")) &&
                WriteFileBytes(path, earlier));
    {
      InstallLog log;
      log.Open(path.c_str());
      log.Open(folder.File("INSTALL.LOG").c_str());  // the same file: written once
      log.Line("run %d", 2);
    }
    std::string now, moved;
    ReadFileBytes(path, &now), ReadFileBytes(path + ".old", &moved);
    EXPECT_EQ(c.kept ? earlier + "run 2\r\n" : "run 2\r\n", now) << c.size;
    EXPECT_EQ(c.kept ? "oldest" : c.folderInTheWay ? "" : earlier, moved) << c.size;
  }
}

// This program as the host beside the fakes (see main), `library` as
// the device-setup libraries: the operations' calls and results.
TEST(DeviceSetup, Operations) {
  const struct {
    const char* library;
    std::vector<std::string> log;
  } cases[] = {
      // Any non-zero BOOL is 1; bad input is refused before any call.
      {"setupapi.dll", {UpdateLine(kOwner, kFirstHardwareId, kInf), CopyLine(kInf, "D:\\Medium"),
                        UpdateLine(kOwner, kFirstHardwareId, kPath259), "results 110001"}},
      {"fake_empty.dll", {"results 000000"}},  // nothing to call
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    Medium medium("testbin\\installer_test.exe", "installer_host.exe", cases[i].library);
    ASSERT_TRUE(medium.ok);
    DWORD exitCode = 1;
    ASSERT_TRUE(medium.folder.Run("installer_host.exe", "--host", medium.Environment("256", "256"), 60000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(cases[i].log, medium.folder.LogLines());
  }
}

}  // namespace

// "--host" makes this program the host of DeviceSetup.Operations.
int main(int argc, char** argv) {
  if (argc != 2 || strcmp(argv[1], "--host") != 0) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
  }
  DeviceSetup setup;
  setup.Bind();
  const int results[] = {setup.UpdateDriver(kFirstHardwareId, kInf, 1, kOwner), setup.PreInstallPackage(kInf, "D:\\Medium"),
                         setup.UpdateDriver("", kInf, 1, kOwner), setup.UpdateDriver(kFirstHardwareId, kPath260.c_str(), 1, kOwner),
                         setup.PreInstallPackage(kPath260.c_str(), nullptr),
                         setup.UpdateDriver(kFirstHardwareId, kPath259.c_str(), 1, kOwner)};
  std::string text = "results ";
  for (int result : results) text += std::to_string(result);
  FakeLog("%s", text.c_str());
  return 0;
}
