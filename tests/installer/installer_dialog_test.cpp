// Drives the built Bramcot.exe under Wine through its window, from a folder
// laid out like the install medium with recording fakes of the platform's
// device-installation libraries; and reads its resources back.
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

const char kTitle[] = "Tarnvik DVB-T Driver Installer [1.02]";
const char kCaption[] = "Tarnvik DVB-T Driver Installer";

// Polls `found` every 20 ms for up to 20 s.
template <typename Found>
bool WaitFor(Found found) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20))
    if (found()) return true;
  return false;
}

// A visible dialog titled `title`: the platform shows it once it is set up.
HWND FindDialog(const char* title) {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = FindWindowA("#32770", title)) && IsWindowVisible(dialog); });
  return dialog;
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

// Bramcot.exe started on a thread of this test from a folder with the
// package and the fakes (every device call succeeds); the fake newdev.dll
// holds its first call until Release.
struct InstallerRun {
  InstallerRun() {
    ok = CopyFileA(BuildPath("bin\\Bramcot.exe").c_str(), folder.File("Bramcot.exe").c_str(), FALSE) &&
         folder.AddFake("newdev.dll", "newdev.dll") && folder.AddFake("setupapi.dll", "setupapi.dll") &&
         folder.AddFake("cfgmgr32.dll", "cfgmgr32.dll");
    for (const char* name : {"RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys", "Coldrune.dll"})
      ok = ok && CopyFileA(BuildPath(std::string("bin\\") + name).c_str(), folder.File(name).c_str(), FALSE);
    static int serial = 0;
    const std::string name = "bramtest_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    entered = CreateEventA(nullptr, TRUE, FALSE, (name + "_entered").c_str());
    block = CreateEventA(nullptr, TRUE, FALSE, (name + "_block").c_str());
    const FakeFolder::Environment environment = {
        {"TMP", temporary.Path()}, {"TEMP", temporary.Path()}, {"FAKE_NEWDEV_ANSWER", "TRUE"},
        {"FAKE_SETUPAPI_ANSWER", "TRUE"}, {"FAKE_NEWDEV_ENTERED", name + "_entered"}, {"FAKE_NEWDEV_BLOCK", name + "_block"}};
    // With no window manager on the test display, Wine waits 2 s for each
    // managed window that is hidden. The run removes the key again.
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Bramcot.exe\\X11 Driver", "Managed", REG_SZ, "N", 2);
    runner = std::thread([this, environment] {
      if (!folder.Run("Bramcot.exe", "", environment, 60000, &exitCode)) exitCode = 0xDEAD;
    });
    dialog = FindDialog(kTitle);
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
  void Press(int id) { PostMessageA(dialog, WM_COMMAND, id, 0); }
  bool Entered() { return WaitForSingleObject(entered, 20000) == WAIT_OBJECT_0; }
  // "P" the progress bar shown, "M" its marquee on, "I" Install and "E" Exit
  // enabled; "-" for each that is not.
  std::string State() const {
    HWND progress = GetDlgItem(dialog, IDC_PROGRESS);
    return std::string(IsWindowVisible(progress) ? "P" : "-") + (GetWindowLongA(progress, GWL_STYLE) & PBS_MARQUEE ? "M" : "-") +
           (IsWindowEnabled(GetDlgItem(dialog, IDC_INSTALL)) ? "I" : "-") + (IsWindowEnabled(GetDlgItem(dialog, IDC_EXIT)) ? "E" : "-");
  }

  bool ok = false;
  FakeFolder folder;
  ScratchFolder temporary;
  HWND dialog = nullptr;
  HANDLE entered, block;
  std::thread runner;
  DWORD exitCode = 0xDEAD;
};

TEST(InstallerDialog, WindowThroughAnInstall) {
  InstallerRun run;
  ASSERT_TRUE(run.ok);
  HWND dialog = run.dialog;
  ASSERT_TRUE(dialog) << "no window titled " << kTitle;
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

  run.Press(IDC_INSTALL);
  ASSERT_TRUE(run.Entered()) << "the install sequence never reached the device installer";
  EXPECT_EQ("PM--", run.State());
  EXPECT_FALSE(FindWindowA("#32770", kCaption)) << "the result showed while the device installer held";
  SetEvent(run.block);

  HWND box = FindDialog(kCaption);
  ASSERT_TRUE(box) << "no result message";
  EXPECT_EQ(dialog, GetWindow(box, GW_OWNER));
  EXPECT_EQ("----", run.State());
  EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", "Your new DVB-T driver was successfully installed."));
  HWND icon = nullptr;
  while ((icon = FindWindowExA(box, icon, "Static", nullptr)) && (GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
  }
  EXPECT_TRUE(icon && WaitFor([&] { return YellowPixels(icon) > 20; })) << "no yellow exclamation mark";
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
  } ways[] = {{false, WM_COMMAND, IDC_EXIT, 0}, {true, WM_KEYDOWN, VK_ESCAPE, 0x00010001}, {true, WM_SYSCOMMAND, SC_CLOSE, 0}};
  for (size_t i = 0; i < sizeof(ways) / sizeof(ways[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "way " << i);
    InstallerRun run;
    ASSERT_TRUE(run.ok && run.dialog);
    if (ways[i].install) {
      run.Press(IDC_INSTALL);
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
// texts, the icon, the link's cursor, the version text and the manifest.
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
  std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), nullptr) + 1);
  char* version = nullptr;
  UINT length = 0;
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) &&
              VerQueryValueA(info.data(), "\\StringFileInfo\\040704B0\\FileVersion", reinterpret_cast<void**>(&version), &length));
  EXPECT_STREQ("1.02", version);
}

}  // namespace
