// Bramcot.exe under Wine, from a folder laid out like the install medium with
// the fake device-setup libraries, driven through its window; and what only a
// fake owner or direct calls reach, with this program as the host beside the
// fakes (see main).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <string.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "devsetup/device_setup.h"
#include "fakes/fake_folder.h"
#include "fakes/fake_log.h"
#include "installer/install_sequence.h"
#include "installer/resource_ids.h"

using namespace testing_support;

namespace {

const char kInf[] = "C:\\Stage\\RTL2831UBDA.inf";
const std::string kPath259 = "C:\\" + std::string(252, 'p') + ".inf", kPath260 = kPath259 + "f";
const HWND kOwner = reinterpret_cast<HWND>(0x12345);

// The lines the fake setup libraries write for their two calls.
std::string UpdateLine(HWND owner, const char* id, const std::string& inf) {
  return "UpdateDriver " + std::to_string(reinterpret_cast<ULONG_PTR>(owner)) + " " + id + " " + inf + " 1 set";
}
std::string CopyLine(const std::string& inf, const char* location) {
  return "SetupCopyOEMInf " + inf + " " + location + " 1 0 00000000 0 00000000 00000000";
}

// `program` from the build tree as `as`, the package and the fakes in one
// folder; a scratch folder as the temporary one.
struct Medium {
  Medium(const std::string& program, const std::string& as) {
    ok = CopyFileA(BuildPath(program).c_str(), folder.File(as).c_str(), FALSE);
    for (const char* name : {"newdev.dll", "setupapi.dll", "cfgmgr32.dll"}) ok = ok && folder.AddFake("setupapi.dll", name);
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
// sub-key) exist while the object lives.
struct InstallerRun : Medium {
  InstallerRun(const char* newdev, const char* setupapi) : Medium("bin\\Bramcot.exe", "Bramcot.exe") {
    const std::string name = "bramtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
    block = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    FakeFolder::Environment environment = Environment(newdev, setupapi);
    environment.emplace_back("FAKE_NEWDEV_BLOCK", name);
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey})
      RegSetKeyValueA(HKEY_LOCAL_MACHINE, (key + std::string("\\5&1a&0&1")).c_str(), "Driver", REG_SZ, "x", 2);
    runner = std::thread([this, environment] { folder.Run("Bramcot.exe", "", environment, 60000, &exitCode); });
    dialog = FindDialog(std::string(kMessageCaption) + " [1.02]");
  }
  ~InstallerRun() {
    SetEvent(block);
    if (runner.joinable()) runner.join();
    CloseHandle(block);
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
  }
  // True once the fake newdev.dll was called (within 20 s).
  bool Entered() const {
    for (int wait = 0; wait < 1000 && folder.LogLines().empty(); ++wait) Sleep(20);
    return !folder.LogLines().empty();
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

TEST(Installer, Outcomes) {
  const struct {
    const char *newdev, *setupapi, *missing, *text;
    bool keysRemoved;
  } cases[] = {
      {kFirstHardwareId, "1", nullptr, kInstalledText, false},  // over read-only staged copies
      {kSecondHardwareId, "0", nullptr, kInstalledText, false}, {"0", "1", nullptr, kPreInstalledText, true},
      {"0", "0", nullptr, kFailedText, true},                   {"1", "1", "RTL2831UUSB.sys", kFailedText, false},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    InstallerRun run(c.newdev, c.setupapi);
    ASSERT_TRUE(run.ok && run.dialog) << "no installer window";
    if (c.missing) DeleteFileA(run.folder.File(c.missing).c_str());
    // Copies staged from a CD are read-only.
    CreateDirectoryA((run.temporary.Path() + kStagingFolderName).c_str(), nullptr);
    for (const char* const* name = kStagedFiles; *name && i == 0; ++name)
      WriteFileBytes(run.Staged(*name), "old"), SetFileAttributesA(run.Staged(*name).c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("--IE", run.State());
    SetEvent(run.block);
    PostMessageA(run.dialog, WM_COMMAND, IDC_INSTALL, 0);
    HWND box = FindDialog(kMessageCaption);
    ASSERT_TRUE(box) << "no result message";
    EXPECT_EQ(run.dialog, GetWindow(box, GW_OWNER));
    EXPECT_EQ("----", run.State());
    EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", c.text));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, run.Finish());

    const std::string inf = run.Staged(kPackageInf);
    const std::vector<std::string> calls = {UpdateLine(run.dialog, kFirstHardwareId, inf),
                                            UpdateLine(run.dialog, kSecondHardwareId, inf), CopyLine(inf, "(null)")};
    EXPECT_EQ(c.missing ? std::vector<std::string>() : calls, run.folder.LogLines());
    for (int f = 0; f < 4; ++f)  // the copies stop at the first that fails
      EXPECT_EQ(!c.missing || f < 2, GetFileAttributesA(run.Staged(kStagedFiles[f]).c_str()) != INVALID_FILE_ATTRIBUTES) << f;
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey})
      EXPECT_EQ(c.keysRemoved, RegDeleteKeyA(HKEY_LOCAL_MACHINE, key) == ERROR_FILE_NOT_FOUND) << key;
  }
}

// Exit before an install, or Escape or the close box while the sequence is
// held inside the device installer (the indicator running, both buttons
// disabled): the program ends at once with 0.
TEST(Installer, Ends) {
  const UINT ways[][2] = {{WM_COMMAND, IDC_EXIT}, {WM_KEYDOWN, VK_ESCAPE}, {WM_SYSCOMMAND, SC_CLOSE}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(testing::Message() << "way " << i);
    InstallerRun run("1", "1");
    ASSERT_TRUE(run.ok && run.dialog);
    if (i > 0) PostMessageA(run.dialog, WM_COMMAND, IDC_INSTALL, 0);
    ASSERT_TRUE(i == 0 || run.Entered()) << "the sequence never reached newdev";
    EXPECT_EQ(i > 0 ? "PM--" : "--IE", run.State());
    const DWORD asked = GetTickCount();
    PostMessageA(run.dialog, ways[i][0], ways[i][1], 0);
    EXPECT_EQ(0u, run.Finish());
    EXPECT_LT(GetTickCount() - asked, 5000u) << "ended late";
  }
}

// This program run as `--host MODE` beside the fakes, `library` under
// newdev.dll and setupapi.dll; the lines the fakes and the host wrote.
std::vector<std::string> RunHost(const char* mode, const char* library) {
  Medium medium("testbin\\installer_test.exe", "installer_host.exe");
  EXPECT_TRUE(medium.ok && medium.folder.AddFake(library, "newdev.dll") && medium.folder.AddFake(library, "setupapi.dll"));
  DWORD exitCode = 1;
  EXPECT_TRUE(medium.folder.Run("installer_host.exe", std::string("--host ") + mode, medium.Environment("256", "256"),
                                60000, &exitCode));
  EXPECT_EQ(0u, exitCode);
  return medium.folder.LogLines();
}

// A program folder the owner cannot give (its call fails, or the path it
// writes has no terminator) is empty: the package comes from the current one.
TEST(InstallSequence, ProgramFolderThatCannotBeHad) {
  for (const char* mode : {"fail", "overflow"}) {
    const std::vector<std::string> log = RunHost(mode, "setupapi.dll");
    EXPECT_EQ(std::string("message 30 ") + kInstalledText, log.empty() ? "" : log.back()) << mode;
  }
}

// See BindAndCall.
TEST(DeviceSetup, BindAndCall) {
  const struct {
    const char* library;
    std::vector<std::string> log;
  } cases[] = {
      // setupapi.dll has the configuration manager: cfgmgr32.dll is not
      // loaded. Any non-zero BOOL is 1; bad input is refused before any call.
      {"setupapi.dll",
       {"bound newdev.dll 1 null 52 other 1 setupapi.dll 6", UpdateLine(kOwner, kFirstHardwareId, kInf),
        CopyLine(kInf, "D:\\Medium"), UpdateLine(kOwner, kFirstHardwareId, kPath259), "results 110001 null 60"}},
      // Nothing to call; every CM_ slot but CM_Reenumerate_DevNode_Ex is
      // taken from cfgmgr32.dll.
      {"fake_empty.dll", {"bound cfgmgr32.dll 3 newdev.dll 0 null 56 other 1 setupapi.dll 0", "results 000000 null 60"}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(cases[i].log, RunHost("bind", cases[i].library));
  }
}

// Binds twice and logs the libraries held and how many slots point into each
// ("other": kernel32.dll, or a slot that is not its name's); calls the
// operations and logs their results, unbinds and logs what is left.
int BindAndCall() {
  DeviceSetup setup;
  auto places = [&setup] {
    std::map<std::string, int> count;
    for (const char* name : {"newdev.dll", "setupapi.dll", "cfgmgr32.dll"})
      if (GetModuleHandleA(name)) count[name];
    for (size_t i = 0; i < DeviceSetup::kSlotCount; ++i) {
      const ProcBinding& row = setup.Table()[i];
      std::string place = *row.slot ? "other" : "null";
      for (const char* name : {"newdev.dll", "setupapi.dll", "cfgmgr32.dll"})
        if (*row.slot && GetProcAddress(GetModuleHandleA(name), row.name) == *row.slot) place = name;
      ++count[place];
    }
    std::string text;
    for (const auto& entry : count) text += " " + entry.first + " " + std::to_string(entry.second);
    return text;
  };
  setup.Bind();
  setup.Bind();
  FakeLog("bound%s", places().c_str());
  const int results[] = {setup.UpdateDriver(kFirstHardwareId, kInf, 1, kOwner), setup.PreInstallPackage(kInf, "D:\\Medium"),
                         setup.UpdateDriver("", kInf, 1, kOwner), setup.UpdateDriver(kFirstHardwareId, kPath260.c_str(), 1, kOwner),
                         setup.PreInstallPackage(kPath260.c_str(), nullptr),
                         setup.UpdateDriver(kFirstHardwareId, kPath259.c_str(), 1, kOwner)};
  setup.Unbind();
  std::string text;
  for (int result : results) text += std::to_string(result);
  FakeLog("results %s%s", text.c_str(), places().c_str());
  return 0;
}

// The owner of InstallSequence.ProgramFolderThatCannotBeHad's host: "fail"
// writes a bogus folder and fails; "overflow" writes MAX_PATH bytes without a
// terminator, as GetModuleFileNameA leaves a path that does not fit.
struct HostOwner : InstallOwner {
  explicit HostOwner(const char* mode) : fails(strcmp(mode, "fail") == 0) {}
  HWND OwnerWindow() override { return nullptr; }
  int GetModuleDirectory(HMODULE, char* path) override {
    memset(path, 'x', MAX_PATH);
    return fails ? (strcpy(path, "X:\\Bogus\\"), 0) : 1;
  }
  void ShowItem(int, int) override {}
  void SetMarquee(int) override {}
  int ShowMessage(UINT style, const char*, const char* text) override { return FakeLog("message %02X %s", style, text), IDOK; }
  void Close() override {}
  bool fails;
};

}  // namespace

// "--host bind" runs BindAndCall; "--host fail" and "--host overflow" the
// install sequence for a HostOwner. Otherwise the tests.
int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--host") == 0) {
    if (strcmp(argv[2], "bind") == 0) return BindAndCall();
    HostOwner owner(argv[2]);
    return InstallSequence(reinterpret_cast<INT_PTR>(static_cast<InstallOwner*>(&owner)), 0);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
