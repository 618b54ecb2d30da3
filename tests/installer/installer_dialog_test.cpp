// Drives the built Bramcot.exe under Wine through its window: a program
// folder laid out like the install medium, recording fakes of the platform's
// device-installation libraries, and window messages from this process.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <atomic>
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
const char* const kPackage[] = {"RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys", "Coldrune.dll"};
const char kInstalled[] = "Your new DVB-T driver was successfully installed.";
const char kPreInstalled[] =
    "Your new DVB-T driver was successfully pre-installed.\n\n"
    "Please connect your DVB-T USB device now and follow the wizard.";
const char kFailed[] = "Can't install new DVB-T driver.";
const char kEnumUsb[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
const char* const kDeviceKeys[] = {"Vid_14aa&Pid_0160", "Vid_14aa&Pid_0161"};

bool KeyExists(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Stale device keys of both receivers, removed again on destruction.
struct StaleKeys {
  StaleKeys() {
    for (const char* top : kDeviceKeys) {
      HKEY key;
      if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kEnumUsb) + top + "\\5&1a&0&1").c_str(), 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
    }
  }
  ~StaleKeys() {
    for (const char* top : kDeviceKeys) RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kEnumUsb) + top).c_str());
  }
  static int Remaining() {
    int count = 0;
    for (const char* top : kDeviceKeys) count += KeyExists(std::string(kEnumUsb) + top);
    return count;
  }
};

std::string WindowText(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof(name));
  return name;
}

// Polls `find` every 20 ms for up to `timeoutMs`.
template <typename Find>
HWND WaitFor(Find find, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND found = find();
    if (found || GetTickCount() - start > timeoutMs) return found;
    Sleep(20);
  }
}

HWND FindTopLevel(const char* title) {
  // Visible: the platform shows a dialog once its initialisation is done.
  return WaitFor(
      [title] {
        HWND found = FindWindowA("#32770", title);
        return found && IsWindowVisible(found) ? found : nullptr;
      },
      20000);
}

// The children of a message box: its texts, and its icon control.
struct MessageContents {
  std::vector<std::string> texts;
  HWND icon = nullptr;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
  MessageContents* out = reinterpret_cast<MessageContents*>(data);
  if (_stricmp(ClassOf(child).c_str(), "Static") != 0) return TRUE;
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    if (IsWindowVisible(child)) out->icon = child;
  } else {
    out->texts.push_back(WindowText(child));
  }
  return TRUE;
}

MessageContents ReadMessage(HWND box) {
  MessageContents contents;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&contents));
  return contents;
}

// Copies the screen area of `window` into a 24-bit bottom-up pixel array.
struct ScreenImage {
  int width = 0, height = 0;
  std::vector<unsigned char> bits;  // BGR rows padded to 4 bytes, bottom row first

  explicit ScreenImage(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER header = {sizeof(header), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    bits.resize(Stride() * height);
    GetDIBits(memory, bitmap, 0, height, bits.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }
  size_t Stride() const { return (width * 3 + 3) & ~3; }

  // Pixels that are clearly yellow or orange (red and green high, blue low).
  int YellowPixels() const {
    int count = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const unsigned char* p = &bits[y * Stride() + x * 3];
        count += p[2] > 180 && p[1] > 150 && p[0] < 100;
      }
    return count;
  }

  // Pixels of text drawn in black or a link colour (all channels low or blue
  // clearly ahead).
  int DarkPixels() const {
    int count = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const unsigned char* p = &bits[y * Stride() + x * 3];
        count += (p[0] < 90 && p[1] < 90 && p[2] < 90) || (p[0] > 120 && p[2] < 80);
      }
    return count;
  }

  // Writes a .bmp file, then converts it to PNG with ImageMagick from the
  // host (Wine starts Linux programs given by their path). True when the
  // PNG was written.
  bool SavePng(const std::string& name) const {
    const std::string bmp = OutputPath(name + ".bmp");
    BITMAPINFOHEADER info = {sizeof(info), width, height, 1, 24, BI_RGB, static_cast<DWORD>(bits.size()), 0, 0, 0, 0};
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof(file) + sizeof(info) + bits.size()), 0, 0,
                             sizeof(file) + sizeof(info)};
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(reinterpret_cast<const char*>(bits.data()), bits.size());
    if (!WriteFileBytes(bmp, bytes)) return false;
    const std::string png = OutputPath(name + ".png");
    DeleteFileA(png.c_str());
    for (const char* convert : {"Z:\\usr\\local\\bin\\convert", "Z:\\usr\\bin\\convert"}) {
      if (GetFileAttributesA(convert) == INVALID_FILE_ATTRIBUTES) continue;
      DWORD exitCode = 1;
      char unixBmp[MAX_PATH], unixPng[MAX_PATH];
      if (!ToUnixPath(bmp, unixBmp) || !ToUnixPath(png, unixPng)) return false;
      RunProgram(std::string(convert) + " " + unixBmp + " " + unixPng, 60000, &exitCode);
      // Wine's process handle for a Linux program may end before the program.
      for (int wait = 0; wait < 200; ++wait, Sleep(100))
        if (GetFileAttributesA(png.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
      return false;
    }
    return false;
  }

  static bool ToUnixPath(const std::string& path, char* out) {
    typedef char*(__cdecl * Convert)(const WCHAR*);
    Convert toUnix = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return false;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* unixPath = toUnix(wide);
    if (!unixPath) return false;
    lstrcpynA(out, unixPath, MAX_PATH);
    HeapFree(GetProcessHeap(), 0, unixPath);
    return true;
  }
};

// One run of Bramcot.exe from a folder laid out like the install medium,
// with the recording fakes beside it, on a thread of this test so that the
// test can drive its window meanwhile.
class InstallerRun {
 public:
  // `missing`: a package file left out of the folder.
  explicit InstallerRun(const char* missing = nullptr) {
    ok = CopyFileA(BuildPath("bin\\Bramcot.exe").c_str(), folder.File("Bramcot.exe").c_str(), FALSE) &&
         folder.AddFake("newdev.dll", "newdev.dll") && folder.AddFake("setupapi.dll", "setupapi.dll") &&
         folder.AddFake("cfgmgr32.dll", "cfgmgr32.dll");
    for (const char* name : kPackage)
      if (!missing || strcmp(name, missing) != 0)
        ok = ok && CopyFileA(BuildPath(std::string("bin\\") + name).c_str(), folder.File(name).c_str(), FALSE);
    static int serial = 0;
    const std::string suffix = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    enteredName = "bramtest_newdev_entered_" + suffix;
    blockName = "bramtest_newdev_block_" + suffix;
    entered = CreateEventA(nullptr, TRUE, FALSE, enteredName.c_str());
    block = CreateEventA(nullptr, TRUE, FALSE, blockName.c_str());
  }
  ~InstallerRun() {
    SetEvent(block);
    if (runner.joinable()) runner.join();
    CloseHandle(entered);
    CloseHandle(block);
  }

  // Starts the program; `hold` keeps the fake newdev.dll inside its first
  // call until Release.
  void Start(FakeFolder::Environment environment, bool hold) {
    environment.emplace_back("TMP", temporary.Path());
    environment.emplace_back("TEMP", temporary.Path());
    environment.emplace_back("FAKE_NEWDEV_ENTERED", enteredName);
    if (hold) environment.emplace_back("FAKE_NEWDEV_BLOCK", blockName);
    runner = std::thread([this, environment] {
      DWORD code = 99;
      const bool ended = folder.Run("Bramcot.exe", "", environment, 60000, &code);
      endTick = GetTickCount();
      exitCode = ended ? code : 0xDEAD;
      finished = true;
    });
  }
  void Release() { SetEvent(block); }
  bool WaitEntered(DWORD timeoutMs) { return WaitForSingleObject(entered, timeoutMs) == WAIT_OBJECT_0; }

  // Waits for the program's end; its exit code, or 0xDEAD when it had to be
  // terminated.
  DWORD Finish() {
    if (runner.joinable()) runner.join();
    return exitCode;
  }
  // Milliseconds from `since` until the program ended, waiting at most
  // `timeoutMs`; -1 when it did not end in that time.
  long EndedWithin(DWORD since, DWORD timeoutMs) {
    while (!finished && GetTickCount() - since < timeoutMs) Sleep(10);
    return finished ? static_cast<long>(endTick - since) : -1;
  }

  std::vector<std::string> Log() const { return folder.LogLines(); }

  bool ok = false;
  FakeFolder folder;
  ScratchFolder temporary;

 private:
  std::string enteredName, blockName;
  HANDLE entered = nullptr, block = nullptr;
  std::thread runner;
  std::atomic<bool> finished{false};
  std::atomic<DWORD> endTick{0};
  DWORD exitCode = 0xDEAD;
};

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }
bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != 0; }
bool Marquee(HWND dialog) { return (GetWindowLongA(GetDlgItem(dialog, IDC_PROGRESS), GWL_STYLE) & PBS_MARQUEE) != 0; }

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

TEST(InstallerDialog, WindowBeforeAndWhileInstalling) {
  StaleKeys keys;
  InstallerRun run;
  ASSERT_TRUE(run.ok);
  run.Start({{"FAKE_NEWDEV_ANSWER", "TRUE"}, {"FAKE_SETUPAPI_ANSWER", "TRUE"}}, true);
  HWND dialog = FindTopLevel(kTitle);
  ASSERT_TRUE(dialog) << "no window titled " << kTitle;

  EXPECT_EQ("Install", WindowText(GetDlgItem(dialog, IDC_INSTALL)));
  EXPECT_EQ("Exit", WindowText(GetDlgItem(dialog, IDC_EXIT)));
  // The labels draw their texts themselves (read them in the screenshot);
  // the controls' own texts are cleared once the labels take them over.
  Sleep(300);  // let the window paint before it is captured
  for (int id : {IDC_TITLE, IDC_PROMPT, IDC_LINK}) {
    SCOPED_TRACE(testing::Message() << "item " << id);
    EXPECT_EQ("", WindowText(GetDlgItem(dialog, id)));
    EXPECT_GT(ScreenImage(GetDlgItem(dialog, id)).DarkPixels(), 20) << "nothing drawn";
  }
  EXPECT_FALSE(Visible(dialog, IDC_PROGRESS));
  EXPECT_TRUE(Enabled(dialog, IDC_INSTALL));
  EXPECT_TRUE(Enabled(dialog, IDC_EXIT));
  EXPECT_TRUE(ScreenImage(dialog).SavePng("installer_dialog")) << "no screenshot written";

  Press(dialog, IDC_INSTALL);
  ASSERT_TRUE(run.WaitEntered(20000)) << "the install sequence never reached the device installer";
  // Held inside the device installer: busy, both buttons off.
  for (int look = 0; look < 3; ++look, Sleep(150)) {
    SCOPED_TRACE(testing::Message() << "look " << look);
    EXPECT_TRUE(Visible(dialog, IDC_PROGRESS));
    EXPECT_TRUE(Marquee(dialog));
    EXPECT_FALSE(Enabled(dialog, IDC_INSTALL));
    EXPECT_FALSE(Enabled(dialog, IDC_EXIT));
  }
  EXPECT_EQ(nullptr, FindWindowA("#32770", kCaption)) << "the result appeared while the device installer held";
  run.Release();

  HWND box = FindTopLevel(kCaption);
  ASSERT_TRUE(box) << "no result message";
  EXPECT_EQ(dialog, GetWindow(box, GW_OWNER));
  // The buttons stay off and the busy indicator is gone while the result shows.
  EXPECT_FALSE(Enabled(dialog, IDC_INSTALL));
  EXPECT_FALSE(Enabled(dialog, IDC_EXIT));
  EXPECT_FALSE(Visible(dialog, IDC_PROGRESS));
  EXPECT_FALSE(Marquee(dialog));
  const MessageContents contents = ReadMessage(box);
  EXPECT_NE(contents.texts.end(), std::find(contents.texts.begin(), contents.texts.end(), kInstalled));
  ASSERT_TRUE(contents.icon) << "the message has no icon";
  Sleep(300);
  EXPECT_GT(ScreenImage(contents.icon).YellowPixels(), 20) << "the icon is not the yellow exclamation mark";
  EXPECT_TRUE(ScreenImage(box).SavePng("installer_result")) << "no screenshot written";
  EXPECT_EQ(2, StaleKeys::Remaining()) << "a receiver was updated, so its keys stay";

  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(0u, run.Finish());
}

// The three outcomes end to end: the message, and what became of the stale
// device keys.
TEST(InstallerDialog, Outcomes) {
  struct Case {
    const char* label;
    const char* newdevAnswer;
    const char* missing;
    const char* message;
    int keysLeft;
    size_t deviceCalls;
  } cases[] = {
      {"installed", "TRUE", nullptr, kInstalled, 2, 3},
      {"pre-installed", "FALSE", nullptr, kPreInstalled, 0, 3},
      {"co-installer missing", "TRUE", "Coldrune.dll", kFailed, 2, 0},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.label);
    StaleKeys keys;
    InstallerRun run(c.missing);
    ASSERT_TRUE(run.ok);
    run.Start({{"FAKE_NEWDEV_ANSWER", c.newdevAnswer}, {"FAKE_SETUPAPI_ANSWER", "TRUE"}}, false);
    HWND dialog = FindTopLevel(kTitle);
    ASSERT_TRUE(dialog);
    Press(dialog, IDC_INSTALL);
    HWND box = FindTopLevel(kCaption);
    ASSERT_TRUE(box) << "no result message";
    const MessageContents contents = ReadMessage(box);
    EXPECT_NE(contents.texts.end(), std::find(contents.texts.begin(), contents.texts.end(), c.message))
        << "first text: " << (contents.texts.empty() ? "none" : contents.texts[0]);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, run.Finish());
    EXPECT_EQ(c.keysLeft, StaleKeys::Remaining());
    EXPECT_EQ(c.deviceCalls, run.Log().size());
    const std::string staged = run.temporary.File("Tarnvik DVB-T Driver\\RTL2831UBDA.inf");
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(staged.c_str()));
  }
}

enum EndBy { kByExit, kByEscape, kByCloseBox };

void EndDialog(HWND dialog, EndBy how) {
  switch (how) {
    case kByExit:
      Press(dialog, IDC_EXIT);
      break;
    case kByEscape:
      // The dialog manager of the modal loop turns the key into IDCANCEL.
      PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      break;
    case kByCloseBox:
      PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
  }
}

TEST(InstallerDialog, EndsBeforeInstall) {
  const EndBy ways[] = {kByExit, kByEscape, kByCloseBox};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(testing::Message() << "way " << i);
    InstallerRun run;
    ASSERT_TRUE(run.ok);
    run.Start({}, false);
    HWND dialog = FindTopLevel(kTitle);
    ASSERT_TRUE(dialog);
    EndDialog(dialog, ways[i]);
    EXPECT_EQ(0u, run.Finish());
    EXPECT_TRUE(run.Log().empty()) << "the install sequence ran";
  }
}

// Ending the program while the sequence is held inside the device installer
// stops the worker during process exit; it must neither hang nor crash.
TEST(InstallerDialog, EndsWhileTheSequenceIsHeld) {
  for (int round = 0; round < 6; ++round) {
    const EndBy how = round % 2 ? kByCloseBox : kByEscape;
    SCOPED_TRACE(testing::Message() << "round " << round << (how == kByEscape ? " Escape" : " close box"));
    InstallerRun run;
    ASSERT_TRUE(run.ok);
    run.Start({{"FAKE_NEWDEV_ANSWER", "TRUE"}}, true);
    HWND dialog = FindTopLevel(kTitle);
    ASSERT_TRUE(dialog);
    Press(dialog, IDC_INSTALL);
    ASSERT_TRUE(run.WaitEntered(20000));
    const DWORD asked = GetTickCount();
    EndDialog(dialog, how);
    const long took = run.EndedWithin(asked, 5000);
    EXPECT_NE(-1, took) << "still running 5 s after it was asked to end";
    EXPECT_EQ(0u, run.Finish());
  }
}

}  // namespace
