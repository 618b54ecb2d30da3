#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coinstaller/install_medium.h"
#include "coinstaller/process_enumeration.h"
#include "coinstaller/program_launcher.h"
#include "coinstaller/same_day_package.h"
#include "fakes/fake_folder.h"
#include "support/handle_count.h"

using namespace testing_support;

namespace {

std::string Root(char letter) { return std::string(1, letter) + ":\\"; }

// Puts "Zovodav\setup.exe" on drives (a lower-case letter: a folder of that
// name); removes it from all of the prefix's drives on destruction.
struct Markers {
  explicit Markers(const char* letters) {
    for (const char* at = letters; *at; ++at) {
      std::string marker = Root(static_cast<char>(toupper(*at))) + "Zovodav";
      CreateDirectoryA(marker.c_str(), nullptr);
      marker += "\\setup.exe";
      if (islower(*at)) CreateDirectoryA(marker.c_str(), nullptr); else WriteFileBytes(marker, "MZ");
    }
  }
  ~Markers() {
    for (const char* at = "ADEFGH"; *at; ++at) RemoveFolderTree(Root(*at) + "Zovodav");
  }
};

// The test prefix's drives: A:, D:, E:, F: are CD-ROM, G: fixed, H: network.
TEST(InstallMedium, FirstCdRomDriveWithTheMarkerFileFromBToZ) {
  const struct {
    const char* markers;
    char expected;
  } cases[] = {{"DF", 'D'}, {"GHF", 'F'}, {"A", ' '}, {"dF", 'F'}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " markers \"" << cases[i].markers << "\"");
    Markers markers(cases[i].markers);
    EXPECT_EQ(cases[i].expected, LocateInstallMedium());
    EXPECT_EQ(nullptr, DriveList().First()) << "records were left in the drive list";
  }
}

int StopAtSecond(const char*, DWORD, int method, void* reports) {
  return ++*static_cast<int*>(reports) < 2 && method == kMethodToolHelp;
}
int GoOn(const char*, DWORD, int, void*) { return 1; }

// Every call that opens handles, repeated after a first round (in which
// libraries load and keep their own): none may be left open. The programs
// sleep, so a run that is not waited for has no exit code yet; a WM_APP
// posted before a run must be taken from the queue only by a run that pumps.
// The process-status walk runs over the platform's functions, the package
// removal reads a same-day package of another family.
TEST(Handles, RepeatedCallsWorkAndLeaveNoneOpen) {
  if (!HandleCountWorks()) GTEST_SKIP() << "no handle count on this system";
  ScratchFolder folder;
  const std::string direct = folder.File("direct"), shell = folder.File("shell.exe");  // ".exe": through the shell
  for (const std::string& copy : {direct, shell}) ASSERT_TRUE(CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), copy.c_str(), FALSE));
  char inf[MAX_PATH];
  GetWindowsDirectoryA(inf, MAX_PATH);
  const std::string package = std::string(inf) + "\\inf\\oem9801.inf";
  ASSERT_TRUE(WriteFileBytes(package, "[Models]\n%D% = I, USB\\VID_14AA&PID_0620\n"));
  Markers markers("E");
  HMODULE psapi = LoadLibraryA("psapi.dll");
  ProcessStatusApi api;
  *api.enumProcesses.Storage() = GetProcAddress(psapi, "EnumProcesses");
  *api.enumProcessModules.Storage() = GetProcAddress(psapi, "EnumProcessModules");
  *api.getModuleFileNameExA.Storage() = GetProcAddress(psapi, "GetModuleFileNameExA");
  DWORD before = 0, code = 0xDEAD;
  MSG message;
  for (int round = 0; round < 4; ++round) {
    if (round == 1) before = OwnHandleCount();
    for (int pump = 0; pump < 2; ++pump) {
      PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
      EXPECT_EQ(1, RunAndWait((pump ? shell : direct).c_str(), "sleep=200 exit=300", nullptr, SW_HIDE, 0, &code, pump));
      EXPECT_EQ(300u, code);
      EXPECT_EQ(pump == 0, PeekMessageA(&message, nullptr, WM_APP, WM_APP, PM_REMOVE) != 0);
    }
    EXPECT_EQ(0, RunAndWait(folder.File("missing").c_str(), "exit=1", nullptr, SW_HIDE, 0, &(code = 77), 0));
    EXPECT_EQ(77u, code);
    int reports = 0;
    EXPECT_EQ(0, EnumerateProcesses(StopAtSecond, 0, &reports));
    EXPECT_EQ(2, reports) << "Wine shows Windows 7: tool help, up to the callback's 0";
    EXPECT_EQ(1, WalkProcessStatus(api, GoOn, 0, nullptr));
    EXPECT_EQ('E', LocateInstallMedium());
    RemoveSameDayPackage(3);
  }
  EXPECT_EQ(before, OwnHandleCount()) << "a handle was left open";
  EXPECT_TRUE(DeleteFileA(package.c_str())) << "the other family's package was removed";
  FreeLibrary(psapi);
}

}  // namespace
