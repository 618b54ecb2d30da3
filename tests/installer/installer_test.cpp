// The installer under Wine, from a folder laid out like the install medium
// with recording fakes of the platform's device-setup libraries: the install
// sequence run by install_sequence_host.exe, the built Bramcot.exe driven
// through its window, and Bramcot.exe's resources read back.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
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
const char kCaption[] = "Tarnvik DVB-T Driver Installer";
const char kInstalled[] = "Your new DVB-T driver was successfully installed.";
const char kPreInstalled[] = "Your new DVB-T driver was successfully pre-installed.\n\n"
                             "Please connect your DVB-T USB device now and follow the wizard.";
const char kFailed[] = "Can't install new DVB-T driver.";

// `program` (a path in the build tree), the package and the fakes in a
// program folder; a temporary folder for the staging.
struct Medium {
  explicit Medium(const std::string& program) {
    ok = CopyFileA(BuildPath(program).c_str(), folder.File(program.substr(program.rfind('\\') + 1)).c_str(), FALSE) &&
         folder.AddFake("newdev.dll", "newdev.dll") && folder.AddFake("setupapi.dll", "setupapi.dll") &&
         folder.AddFake("cfgmgr32.dll", "cfgmgr32.dll");
    for (const char* name : kPackage)
      ok = ok && CopyFileA(BuildPath(std::string("bin\\") + name).c_str(), folder.File(name).c_str(), FALSE);
  }
  FakeFolder::Environment Answers(const char* newdev, const char* setupapi) const {
    return {{"TMP", temporary.Path()}, {"TEMP", temporary.Path()},
            {"FAKE_NEWDEV_ANSWER", newdev}, {"FAKE_SETUPAPI_ANSWER", setupapi}};
  }
  bool ok = false;
  FakeFolder folder;
  ScratchFolder temporary;
};

// Under HKLM: "0160" and "0161" stand for both receivers' stale keys, "01601"
// for a decoy whose name starts like the first.
std::string DeviceKey(const std::string& tail) { return "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_14aa&Pid_" + tail; }
bool KeyExists(const std::string& tail) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DeviceKey(tail).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The host on the medium, and the device keys (with sub-keys) for the life of
// the object.
struct SequenceRun : Medium {
  SequenceRun() : Medium("testbin\\install_sequence_host.exe") {
    HKEY key;
    for (const char* tail : {"0160\\5&1a&0&1\\Device Parameters", "0161\\5&3c&0&1", "01601\\Inst"})
      if (RegCreateKeyA(HKEY_LOCAL_MACHINE, DeviceKey(tail).c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
  }
  ~SequenceRun() {
    for (const char* top : {"0160", "0161", "01601"}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, DeviceKey(top).c_str());
  }
  // What the owner was asked to do; the fakes' lines are in folder.LogLines().
  std::string Run(const char* newdev, const char* setupapi, const std::string& arguments = "") {
    DeleteFileA(folder.LogPath().c_str());
    DWORD exitCode = 1;
    const std::string results = folder.File("results.txt");
    EXPECT_TRUE(folder.Run("install_sequence_host.exe", "\"" + results + "\" " + arguments, Answers(newdev, setupapi),
                           60000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    std::string owner;
    ReadFileBytes(results, &owner);
    return owner;
  }
};

std::string OwnerCalls(bool staged, const char* text) {
  return std::string("GetModuleDirectory\n") + (staged ? "OwnerWindow\n" : "") + "ShowItem " +
         std::to_string(IDC_PROGRESS) + " 0\nSetMarquee 0\nShowMessage 0x30 " + kCaption + "|" + text +
         "\nClose\nexit 0\n";
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
    const std::string staging = run.temporary.Path() + kStaging;
    for (int f = 0; f < 4; ++f)
      EXPECT_EQ(f < c.staged, GetFileAttributesA((staging + kPackage[f]).c_str()) != INVALID_FILE_ATTRIBUTES) << f;
    std::vector<std::string> calls;
    for (const char* id : {kFirstId, kSecondId})
      calls.push_back("newdev.UpdateDriverForPlugAndPlayDevicesA hwndParent=0x00001234 HardwareId=\"" +
                      std::string(id) + "\" FullInfPath=\"" + staging + kPackage[0] +
                      "\" InstallFlags=0x00000001 bRebootRequired=set");
    calls.push_back("setupapi.SetupCopyOEMInfA SourceInfFileName=\"" + staging + kPackage[0] +
                    "\" OEMSourceMediaLocation=null OEMSourceMediaType=1 CopyStyle=0x00000000 "
                    "DestinationInfFileName=null DestinationInfFileNameSize=0 RequiredSize=null "
                    "DestinationInfFileNameComponent=null");
    EXPECT_EQ(c.staged == 4 ? calls : std::vector<std::string>(), run.folder.LogLines());
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
    const std::string arguments = std::string(module) + " \"" + current.Path() + ".\"";
    EXPECT_EQ(OwnerCalls(true, kInstalled), run.Run("TRUE", "TRUE", arguments));
  }
}

// A visible dialog titled `title`, polled for up to 20 s: the platform shows
// it once it is set up.
HWND FindDialog(const std::string& title) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
    HWND dialog = FindWindowA("#32770", title.c_str());
    if (dialog && IsWindowVisible(dialog)) return dialog;
  }
  return nullptr;
}

// Pixels of `window` on the screen that are clearly yellow or orange.
int YellowPixels(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  HDC screen = GetDC(nullptr);
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) {
      const COLORREF c = GetPixel(screen, x, y);
      count += GetRValue(c) > 180 && GetGValue(c) > 150 && GetBValue(c) < 100;
    }
  ReleaseDC(nullptr, screen);
  return count;
}

// Bramcot.exe on the medium, started on a thread of this test; every device
// call succeeds, and the fake newdev.dll holds its first call until `block`
// is set.
struct InstallerRun : Medium {
  InstallerRun() : Medium("bin\\Bramcot.exe") {
    static int serial = 0;
    const std::string name = "bramtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    entered = CreateEventA(nullptr, TRUE, FALSE, (name + "_entered").c_str());
    block = CreateEventA(nullptr, TRUE, FALSE, (name + "_block").c_str());
    FakeFolder::Environment environment = Answers("TRUE", "TRUE");
    environment.insert(environment.end(),
                       {{"FAKE_NEWDEV_ENTERED", name + "_entered"}, {"FAKE_NEWDEV_BLOCK", name + "_block"}});
    runner = std::thread([this, environment] {
      if (!folder.Run("Bramcot.exe", "", environment, 60000, &exitCode)) exitCode = 0xDEAD;
    });
    dialog = FindDialog(std::string(kCaption) + " [1.02]");
  }
  ~InstallerRun() {
    SetEvent(block);
    Finish();
    CloseHandle(entered);
    CloseHandle(block);
  }
  // The program's exit code once it ended; 0xDEAD when it had to be ended.
  DWORD Finish() {
    if (runner.joinable()) runner.join();
    return exitCode;
  }
  bool Entered() { return WaitForSingleObject(entered, 20000) == WAIT_OBJECT_0; }
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

TEST(InstallerDialog, WindowThroughAnInstall) {
  InstallerRun run;
  HWND dialog = run.dialog;
  ASSERT_TRUE(run.ok && dialog) << "no installer window";
  // The items in tab order. The labels draw their texts themselves and clear
  // the controls' own.
  const struct {
    int id;
    const char* className;
    bool tabStop;
    const char* text;
  } items[] = {{IDC_EXIT, "Button", true, "Exit"},       {IDC_INSTALL, "Button", true, "Install"},
               {0xFFFF, "Static", false, nullptr},       {IDC_SEPARATOR, "Static", false, nullptr},
               {IDC_TITLE, "Static", false, ""},         {IDC_LINK, "Static", false, ""},
               {IDC_PROGRESS, PROGRESS_CLASSA, false, nullptr}, {IDC_PROMPT, "Static", false, ""}};
  HWND child = GetWindow(dialog, GW_CHILD);
  for (size_t i = 0; i < sizeof(items) / sizeof(items[0]); ++i, child = GetWindow(child, GW_HWNDNEXT)) {
    SCOPED_TRACE(testing::Message() << "item " << i);
    ASSERT_TRUE(child);
    char name[64] = "", text[64] = "";
    GetClassNameA(child, name, sizeof(name));
    GetWindowTextA(child, text, sizeof(text));
    EXPECT_EQ(items[i].id, GetDlgCtrlID(child));
    EXPECT_STRCASEEQ(items[i].className, name);
    EXPECT_EQ(items[i].tabStop, (GetWindowLongA(child, GWL_STYLE) & WS_TABSTOP) != 0);
    EXPECT_STREQ(items[i].text ? items[i].text : text, text);
  }
  EXPECT_TRUE(SendMessageA(GetDlgItem(dialog, 0xFFFF), STM_GETIMAGE, IMAGE_BITMAP, 0)) << "no picture";
  EXPECT_EQ("--IE", run.State());

  PostMessageA(dialog, WM_COMMAND, IDC_INSTALL, 0);
  ASSERT_TRUE(run.Entered()) << "the install sequence never reached the device installer";
  EXPECT_EQ("PM--", run.State());
  SetEvent(run.block);

  HWND box = FindDialog(kCaption);
  ASSERT_TRUE(box) << "no result message";
  EXPECT_EQ(dialog, GetWindow(box, GW_OWNER));
  EXPECT_EQ("----", run.State());
  EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", kInstalled));
  HWND icon = nullptr;
  while ((icon = FindWindowExA(box, icon, "Static", nullptr)) &&
         (GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
  }
  ASSERT_TRUE(icon) << "the message has no icon";
  // Read from the screen once the box has painted it.
  for (DWORD start = GetTickCount(); YellowPixels(icon) <= 20 && GetTickCount() - start < 5000;) Sleep(50);
  EXPECT_GT(YellowPixels(icon), 20) << "not the yellow exclamation mark";
  // The device installer's windows are owned by the dialog.
  const std::vector<std::string> log = run.folder.LogLines();
  char owner[32];
  snprintf(owner, sizeof(owner), "hwndParent=0x%08lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(dialog)));
  ASSERT_EQ(3u, log.size());
  EXPECT_NE(std::string::npos, log[0].find(owner)) << log[0];
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(0u, run.Finish());
}

// Exit before an install, or Escape or the close box while the sequence is
// held inside the device installer: the program ends at once with 0.
TEST(InstallerDialog, Ends) {
  const struct {
    bool install;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  } ways[] = {{false, WM_COMMAND, IDC_EXIT, 0},
              {true, WM_KEYDOWN, VK_ESCAPE, 0x00010001},
              {true, WM_SYSCOMMAND, SC_CLOSE, 0}};
  for (size_t i = 0; i < sizeof(ways) / sizeof(ways[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "way " << i);
    InstallerRun run;
    ASSERT_TRUE(run.ok && run.dialog);
    if (ways[i].install) {
      PostMessageA(run.dialog, WM_COMMAND, IDC_INSTALL, 0);
      ASSERT_TRUE(run.Entered());
    }
    const DWORD asked = GetTickCount();
    PostMessageA(run.dialog, ways[i].message, ways[i].wParam, ways[i].lParam);
    EXPECT_EQ(0u, run.Finish());
    EXPECT_LT(GetTickCount() - asked, 5000u) << "ended late";
    EXPECT_EQ(ways[i].install, WaitForSingleObject(run.entered, 0) == WAIT_OBJECT_0) << "install sequence run or not";
  }
}

// What the window does not show: the template's style, the title and prompt
// texts, the icon, the link's cursor and the manifest.
TEST(InstallerResources, ReadBack) {
  const std::string path = BuildPath("bin\\Bramcot.exe");
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  auto resource = [module](LPCSTR type, int id) {
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
    const char* bytes = found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : "";
    return std::string(bytes, found ? SizeofResource(module, found) : 0);
  };
  const std::string dialog = resource(RT_DIALOG, IDD_INSTALLER);
  ASSERT_GE(dialog.size(), sizeof(DLGTEMPLATE));
  EXPECT_EQ(0x80C808C0u, reinterpret_cast<const DLGTEMPLATE*>(dialog.data())->style);
  char text[128] = "";
  LoadStringA(module, IDS_TITLE, text, sizeof(text));
  EXPECT_STREQ(kCaption, text);
  LoadStringA(module, IDS_PROMPT, text, sizeof(text));
  EXPECT_STREQ("Please press 'Install' to start installation.", text);
  HANDLE icon = LoadImageA(module, MAKEINTRESOURCEA(IDI_INSTALLER), IMAGE_ICON, 16, 16, 0);
  HANDLE cursor = LoadImageA(module, MAKEINTRESOURCEA(IDR_LINK_CURSOR), IMAGE_CURSOR, 0, 0, 0);
  EXPECT_TRUE(icon && cursor) << "icon " << icon << ", cursor " << cursor;
  DestroyIcon(static_cast<HICON>(icon));
  DestroyCursor(static_cast<HCURSOR>(cursor));
  const std::string manifest = resource(RT_MANIFEST, 1);
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                           "publicKeyToken=\"6595b64144ccf1df\"", "level=\"asInvoker\""})
    EXPECT_NE(std::string::npos, manifest.find(part)) << part;
  FreeLibrary(module);
}

}  // namespace
