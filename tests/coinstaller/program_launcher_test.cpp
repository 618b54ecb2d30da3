#include "coinstaller/program_launcher.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

std::string PlaceStub(const ScratchFolder& folder, const std::string& name) {
  std::string path = folder.File(name);
  CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), path.c_str(), FALSE);
  return path;
}

std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

bool IsRunning(const char* exeName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
    found = _stricmp(entry.szExeFile, exeName) == 0;
  CloseHandle(snapshot);
  return found;
}

bool WaitFor(bool (*condition)(const void*), const void* argument, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
    if (condition(argument)) return true;
  return condition(argument);
}

TEST(RunAndWait, StartsWaitsAndDeliversTheExitCode) {
  ScratchFolder folder, work;
  const struct {
    const char* name;
    const char* parameters;
    int pump;
    bool wantCode;
    DWORD code;
    bool direct;  // CreateProcessA: the parameters are the whole command line
  } cases[] = {
      {"shell_a.exe", "exit=7 alpha", 0, true, 7, false},
      {"shell_b.exe", "exit=0", 1, true, 0, false},
      {"direct_a.EXE", "exit=9 alpha beta", 0, true, 9, true},
      {"direct_b.Exe", "exit=300", 1, true, 300, true},
      {"direct_c", "exit=5", 0, false, 0, true},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.name);
    std::string program = PlaceStub(folder, c.name);
    DWORD code = 0xDEADu;
    ASSERT_EQ(1, RunAndWait(program.c_str(), c.parameters, work.Path().c_str(), SW_HIDE, 0,
                            c.wantCode ? &code : nullptr, c.pump));
    if (c.wantCode) {
      EXPECT_EQ(c.code, code);
    }
    std::vector<std::string> record = ReadLines(folder.File("launch_record.txt"));
    ASSERT_EQ(2u, record.size()) << "the program did not run to its end";
    if (c.direct) {
      EXPECT_EQ(c.parameters, record[0]);
    } else {
      EXPECT_NE(std::string::npos, record[0].find(c.name)) << record[0];
      EXPECT_NE(std::string::npos, record[0].find(c.parameters)) << record[0];
    }
    EXPECT_EQ(0, _stricmp(WithoutTrailingBackslash(work.Path()).c_str(), WithoutTrailingBackslash(record[1]).c_str()))
        << record[1];
    DeleteFileA(folder.File("launch_record.txt").c_str());
  }
}

int appMessages = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++appMessages;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(RunAndWait, OnlyThePumpingWaitDispatchesMessages) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "LauncherCountingWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("LauncherCountingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  ScratchFolder folder;
  std::string program = PlaceStub(folder, "pump.EXE");
  for (int pump = 1; pump >= 0; --pump) {
    SCOPED_TRACE(testing::Message() << "pump " << pump);
    appMessages = 0;
    PostMessageA(window, WM_APP, 0, 0);
    ASSERT_EQ(1, RunAndWait(program.c_str(), "sleep=300", nullptr, SW_HIDE, 0, nullptr, pump));
    EXPECT_EQ(pump, appMessages);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EXPECT_EQ(1, appMessages);
  }
  DestroyWindow(window);
}

// Closes the shell's error boxes that appear on this process's windows.
class BoxCloser {
 public:
  BoxCloser() : stop(0), boxes(0) { thread = CreateThread(nullptr, 0, Run, this, 0, nullptr); }
  ~BoxCloser() {
    InterlockedExchange(&stop, 1);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
  }
  LONG Boxes() const { return boxes; }
  std::string title;

 private:
  static BOOL CALLBACK Visit(HWND window, LPARAM param) {
    BoxCloser* self = reinterpret_cast<BoxCloser*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || strcmp(className, "#32770") != 0) return TRUE;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    self->title = text;
    InterlockedIncrement(&self->boxes);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return FALSE;
  }
  static DWORD WINAPI Run(void* param) {
    BoxCloser* self = static_cast<BoxCloser*>(param);
    while (!self->stop) {
      EnumWindows(Visit, reinterpret_cast<LPARAM>(self));
      Sleep(200);
    }
    return 0;
  }

  volatile LONG stop;
  volatile LONG boxes;
  HANDLE thread;
};

TEST(RunAndWait, MissingProgramIsNotStartedNorWaitedFor) {
  ScratchFolder folder;
  DWORD code = 77;
  DWORD start = GetTickCount();
  EXPECT_EQ(0, RunAndWait(folder.File("missing.EXE").c_str(), "exit=1", nullptr, SW_HIDE, 0, &code, 0));
  EXPECT_LT(GetTickCount() - start, 5000u);
  EXPECT_EQ(77u, code);

  // Through the shell, which reports the missing file in a box of its own.
  BoxCloser closer;
  EXPECT_EQ(0, RunAndWait(folder.File("missing.exe").c_str(), "exit=1", nullptr, SW_HIDE, 0, &code, 1));
  EXPECT_EQ(77u, code);
  EXPECT_EQ(0, ShellRun(folder.File("missing.exe").c_str(), nullptr, nullptr, SW_HIDE));
  EXPECT_EQ(2, closer.Boxes()) << "the shell showed no error box; last title \"" << closer.title << "\"";
}

TEST(ShellRun, ReturnsWhileTheProgramRuns) {
  ScratchFolder folder;
  std::string program = PlaceStub(folder, "shellrun_stub.exe");
  DWORD start = GetTickCount();
  ASSERT_EQ(1, ShellRun(program.c_str(), "sleep=8000", folder.Path().c_str(), SW_HIDE));
  EXPECT_LT(GetTickCount() - start, 5000u);
  std::string record = folder.File("launch_record.txt");
  EXPECT_TRUE(WaitFor([](const void* path) {
    return GetFileAttributesA(static_cast<const std::string*>(path)->c_str()) != INVALID_FILE_ATTRIBUTES;
  }, &record, 5000));
  EXPECT_TRUE(IsRunning("shellrun_stub.exe"));
  // The folder can go only once the program has ended.
  EXPECT_TRUE(WaitFor([](const void*) { return !IsRunning("shellrun_stub.exe"); }, nullptr, 20000));
}

}  // namespace
