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

// The lines the fake setup libraries write for their two calls.
std::string UpdateLine(HWND owner, const char* id, const std::string& inf) {
  char owned[16];
  snprintf(owned, sizeof(owned), "%08lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(owner)));
  return std::string("UpdateDriver ") + owned + " " + id + " " + inf + " 1 set";
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
    entered = CreateEventA(nullptr, TRUE, FALSE, (name + "_entered").c_str());
    block = CreateEventA(nullptr, TRUE, FALSE, (name + "_block").c_str());
    FakeFolder::Environment environment = Environment(newdev, setupapi);
    environment.insert(environment.end(), {{"FAKE_NEWDEV_ENTERED", name + "_entered"}, {"FAKE_NEWDEV_BLOCK", name + "_block"}});
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey})
      RegSetKeyValueA(HKEY_LOCAL_MACHINE, (key + std::string("\\5&1a&0&1")).c_str(), "Driver", REG_SZ, "x", 2);
    runner = std::thread([this, environment] {
      if (!folder.Run("Bramcot.exe", "", environment, 60000, &exitCode)) exitCode = 0xDEAD;
    });
    dialog = FindDialog(std::string(kMessageCaption) + " [1.02]");
  }
  ~InstallerRun() {
    SetEvent(block);
    Finish();
    CloseHandle(entered);
    CloseHandle(block);
    for (const char* key : {kFirstDeviceKey, kSecondDeviceKey}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
  }
  // The program's exit code once it ended; 0xDEAD when it had to be ended.
  DWORD Finish() {
    if (runner.joinable()) runner.join();
    return exitCode;
  }
  // "P" the progress bar shown, "M" its marquee on, "I" Install and "E" Exit
  // enabled; "-" for each that is not.
  std::string State() const {
    HWND progress = GetDlgItem(dialog, IDC_PROGRESS);
    std::string state = IsWindowVisible(progress) ? "P" : "-";
    state += GetWindowLongA(progress, GWL_STYLE) & PBS_MARQUEE ? "M" : "-";
    state += IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL)) ? "I" : "-";
    return state + (IsWindowEnabled(GetDlgItem(dialog, IDC_EXIT)) ? "E" : "-");
  }
  HWND dialog = nullptr;
  HANDLE entered, block;
  std::thread runner;
  DWORD exitCode = 0xDEAD;
};

bool KeyGone(const char* key) {
  HKEY opened;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return true;
  RegCloseKey(opened);
  return false;
}

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
    // Files copied from a CD are read-only, and so are the staged copies a
    // run from it leaves.
    CreateDirectoryA((run.temporary.Path() + kStagingFolderName).c_str(), nullptr);
    for (const char* const* name = kStagedFiles; *name && i == 0; ++name)
      WriteFileBytes(run.Staged(*name), "old"), SetFileAttributesA(run.Staged(*name).c_str(), FILE_ATTRIBUTE_READONLY);
    // The items in tab order, with the texts the program leaves in them: the
    // labels draw their own.
    std::string items;
    for (HWND item = GetWindow(run.dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
      char text[32] = "";
      if (GetDlgCtrlID(item) != 0xFFFF) GetWindowTextA(item, text, sizeof(text));  // not the picture's ordinal
      items += std::to_string(GetDlgCtrlID(item)) + (GetWindowLongA(item, GWL_STYLE) & WS_TABSTOP ? "* " : " ") + text + "|";
    }
    EXPECT_EQ("1000* Exit|1003* Install|65535 |1004 |1007 |1006 |1005 Progress1|1008 |", items);
    EXPECT_EQ("--IE", run.State());

    PostMessageA(run.dialog, WM_COMMAND, IDC_INSTALL, 0);
    if (!c.missing) {
      ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.entered, 20000)) << "the sequence never reached newdev";
      EXPECT_EQ("PM--", run.State());
    }
    SetEvent(run.block);
    HWND box = FindDialog(kMessageCaption);
    ASSERT_TRUE(box) << "no result message";
    EXPECT_EQ(run.dialog, GetWindow(box, GW_OWNER));
    EXPECT_EQ("----", run.State());
    EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", c.text));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, run.Finish());

    const std::string inf = run.Staged(kPackageInf);
    std::vector<std::string> calls = {UpdateLine(run.dialog, kFirstHardwareId, inf),
                                      UpdateLine(run.dialog, kSecondHardwareId, inf), CopyLine(inf, "(null)")};
    EXPECT_EQ(c.missing ? std::vector<std::string>() : calls, run.folder.LogLines());
    for (int f = 0; f < 4; ++f)  // the copies stop at the first that fails
      EXPECT_EQ(!c.missing || f < 2, GetFileAttributesA(run.Staged(kStagedFiles[f]).c_str()) != INVALID_FILE_ATTRIBUTES) << f;
    EXPECT_EQ(c.keysRemoved, KeyGone(kFirstDeviceKey));
    EXPECT_EQ(c.keysRemoved, KeyGone(kSecondDeviceKey));
  }
}

// Exit before an install, or Escape or the close box while the sequence is
// held inside the device installer: the program ends at once with 0.
TEST(Installer, Ends) {
  const struct {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } ways[] = {{WM_COMMAND, IDC_EXIT, 0}, {WM_KEYDOWN, VK_ESCAPE, 0x00010001}, {WM_SYSCOMMAND, SC_CLOSE, 0}};
  for (size_t i = 0; i < sizeof(ways) / sizeof(ways[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "way " << i);
    InstallerRun run("1", "1");
    ASSERT_TRUE(run.ok && run.dialog);
    if (i > 0) {
      PostMessageA(run.dialog, WM_COMMAND, IDC_INSTALL, 0);
      ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(run.entered, 20000));
    }
    const DWORD asked = GetTickCount();
    PostMessageA(run.dialog, ways[i].message, ways[i].wParam, ways[i].lParam);
    EXPECT_EQ(0u, run.Finish());
    EXPECT_LT(GetTickCount() - asked, 5000u) << "ended late";
  }
}

// What the window does not show: the labels' texts, the link's cursor and the
// request for common controls 6, without which there is no marquee.
TEST(Installer, Resources) {
  HMODULE module = LoadLibraryExA(BuildPath("bin\\Bramcot.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  char title[64] = "", prompt[64] = "";
  LoadStringA(module, IDS_TITLE, title, sizeof(title));
  LoadStringA(module, IDS_PROMPT, prompt, sizeof(prompt));
  EXPECT_EQ(std::string(kMessageCaption) + "|Please press 'Install' to start installation.", title + std::string("|") + prompt);
  EXPECT_TRUE(LoadImageA(module, MAKEINTRESOURCEA(IDR_LINK_CURSOR), IMAGE_CURSOR, 0, 0, 0));
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_TRUE(found);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
  EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
  FreeLibrary(module);
}

// This program run as the host beside the fakes (see main); the lines the
// fakes and the host wrote.
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
    SCOPED_TRACE(mode);
    const std::vector<std::string> log = RunHost(mode, "setupapi.dll");
    EXPECT_EQ(std::string("message 30 ") + kInstalledText, log.empty() ? "" : log.back());
  }
}

// Where the slots point (see BindAndCall), the operations' results in order,
// and the calls that reached the fakes.
TEST(DeviceSetup, BindAndCall) {
  const HWND owner = reinterpret_cast<HWND>(0x12345);
  const struct {
    const char* library;  // under newdev.dll and setupapi.dll; the fake is cfgmgr32.dll
    std::vector<std::string> log;
  } cases[] = {
      // setupapi.dll has the configuration manager: cfgmgr32.dll is not
      // loaded. Any non-zero BOOL is 1; bad input is refused before any call.
      {"setupapi.dll",
       {"bound newdev.dll 1 setupapi.dll 6 system 1 loaded 110", UpdateLine(owner, kFirstHardwareId, kInf),
        CopyLine(kInf, "D:\\Medium"), UpdateLine(owner, kFirstHardwareId, kPath259),
        "results 11000001 unbound 0 loaded 000"}},
      // Nothing to call; every CM_ slot but CM_Reenumerate_DevNode_Ex is
      // taken from cfgmgr32.dll.
      {"fake_empty.dll", {"bound cfgmgr32.dll 3 system 1 loaded 111", "results 00000000 unbound 0 loaded 000"}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(cases[i].log, RunHost("bind", cases[i].library));
  }
}

// An owner whose program folder cannot be had ("fail": the call fails after
// writing a bogus folder; "overflow": MAX_PATH bytes without a terminator, as
// GetModuleFileNameA leaves a path that does not fit).
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

std::string Loaded() {
  std::string loaded;
  for (const char* name : {"newdev.dll", "setupapi.dll", "cfgmgr32.dll"}) loaded += GetModuleHandleA(name) ? "1" : "0";
  return loaded;
}

// Binds twice and logs how many slots point into each library (its file name,
// "system" outside this folder, "mismatch" for a slot that is not what
// GetProcAddress gives); calls the operations, unbinds, logs what is left.
int BindAndCall() {
  char self[MAX_PATH] = "";
  const size_t folder = strrchr((GetModuleFileNameA(nullptr, self, MAX_PATH), self), '\\') + 1 - self;
  DeviceSetup setup;
  setup.Bind();
  setup.Bind();
  std::map<std::string, int> places;
  for (size_t i = 0; i < DeviceSetup::kSlotCount; ++i) {
    const ProcBinding& row = setup.Table()[i];
    HMODULE module = nullptr;
    char path[MAX_PATH] = "";
    if (!*row.slot || !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                          reinterpret_cast<const char*>(*row.slot), &module))
      continue;
    GetModuleFileNameA(module, path, MAX_PATH);
    ++places[GetProcAddress(module, row.name) != *row.slot ? "mismatch" : _strnicmp(path, self, folder) ? "system" : path + folder];
  }
  std::string bound = "bound";
  for (const auto& place : places) bound += " " + place.first + " " + std::to_string(place.second);
  FakeLog("%s loaded %s", bound.c_str(), Loaded().c_str());
  const HWND owner = reinterpret_cast<HWND>(0x12345);
  const int results[] = {setup.UpdateDriver(kFirstHardwareId, kInf, 1, owner), setup.PreInstallPackage(kInf, "D:\\Medium"),
                         setup.UpdateDriver("", kInf, 1, owner), setup.UpdateDriver(kFirstHardwareId, nullptr, 1, owner),
                         setup.UpdateDriver(kFirstHardwareId, kPath260.c_str(), 1, owner),
                         setup.PreInstallPackage(nullptr, nullptr), setup.PreInstallPackage(kPath260.c_str(), nullptr),
                         setup.UpdateDriver(kFirstHardwareId, kPath259.c_str(), 1, owner)};
  setup.Unbind();
  std::string text;
  for (int result : results) text += std::to_string(result);
  int left = 0;
  for (size_t i = 0; i < DeviceSetup::kSlotCount; ++i) left += *setup.Table()[i].slot != nullptr;
  FakeLog("results %s unbound %d loaded %s", text.c_str(), left, Loaded().c_str());
  return 0;
}

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
