#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coinstaller/directx_version.h"
#include "coinstaller/install_medium.h"
#include "coinstaller/process_enumeration.h"
#include "coinstaller/program_launcher.h"
#include "coinstaller/same_day_package.h"
#include "fakes/fake_folder.h"
#include "support/handle_count.h"

using namespace testing_support;

namespace {

// The helper under several names; a WM_APP posted to the thread before each
// run must be taken from the queue during the wait only when it pumps.
TEST(RunAndWait, StartsWaitsAndDeliversTheExitCode) {
  ScratchFolder folder, work;
  const struct {
    const char* name;
    bool there;
    const char* parameters;
    int pump;
    bool wantCode;
    DWORD code;      // 0xDEAD: left untouched
    const char* seen;  // the parameters the helper saw; null: it did not run
  } cases[] = {
      {"shell_a.exe", true, "sleep=300 exit=7 alpha", 1, true, 7, "sleep=300 exit=7 alpha"},
      // Started directly the parameters are the whole command line: their
      // first word stands where the program's name would.
      {"direct_b.Exe", true, "sleep=300 exit=300 beta", 0, true, 300, "exit=300 beta"},
      {"direct_c", true, "exit=5", 0, false, 0xDEAD, ""},
      {"missing.EXE", false, "exit=1", 0, true, 0xDEAD, nullptr},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.name);
    const std::string program = folder.File(c.name), record = folder.File("launch_record.txt");
    if (c.there) CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), program.c_str(), FALSE);
    DWORD code = 0xDEAD;
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    EXPECT_EQ(c.seen ? 1 : 0, RunAndWait(program.c_str(), c.parameters, work.Path().c_str(), SW_HIDE, 0,
                                  c.wantCode ? &code : nullptr, c.pump));
    MSG message;
    EXPECT_EQ(c.pump == 0, PeekMessageA(&message, nullptr, WM_APP, WM_APP, PM_REMOVE) != 0);
    EXPECT_EQ(c.code, code);
    const std::string directory = work.Path().substr(0, work.Path().size() - 1);
    EXPECT_EQ(c.seen ? std::vector<std::string>{program + "|" + c.seen + "|" + directory + "|-"} : std::vector<std::string>(),
              ReadLines(record));
    DeleteFileA(record.c_str());
  }
}

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

std::vector<std::string> rootsAsked;

UINT WINAPI RecordingDriveType(LPCSTR root) {
  rootsAsked.push_back(root);
  return ::GetDriveTypeA(root);
}

DWORD WINAPI EveryBit() { return 0xFFFFFFFFu; }

// The test prefix's drives: A:, D:, E:, F: are CD-ROM, G: fixed, H: network.
TEST(InstallMedium, FirstCdRomDriveWithTheMarkerFileFromBToZ) {
  for (const char* at = "ADEF"; *at; ++at)
    if (GetDriveTypeA(Root(*at).c_str()) != DRIVE_CDROM) GTEST_SKIP() << *at << ": is no CD-ROM drive in this prefix";
  if (GetDriveTypeA("G:\\") != DRIVE_FIXED || GetDriveTypeA("H:\\") != DRIVE_REMOTE)
    GTEST_SKIP() << "G: and H: are not the fixed and network drives";
  driveTypeQuery = RecordingDriveType;
  const struct {
    const char* markers;
    char expected;
    bool everyBit;  // the drive mask has bits past Z:
  } cases[] = {
      {"DF", 'D', false}, {"EF", 'E', false}, {"GH", ' ', false}, {"GHF", 'F', false}, {"A", ' ', false}, {"dF", 'F', false},
      {"AF", 'F', true},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " markers \"" << c.markers << "\"");
    logicalDrivesQuery = c.everyBit ? EveryBit : ::GetLogicalDrives;
    Markers markers(c.markers);
    rootsAsked.clear();
    EXPECT_EQ(c.expected, LocateInstallMedium());
    EXPECT_EQ(nullptr, DriveList().First()) << "records were left in the drive list";
    std::vector<std::string> expected;
    for (int bit = 1; bit < 26; ++bit)
      if ((c.everyBit ? 0xFFFFFFFFu : ::GetLogicalDrives()) & (1u << bit)) expected.push_back(Root('A' + bit));
    EXPECT_EQ(expected, rootsAsked);
  }
  logicalDrivesQuery = ::GetLogicalDrives;
  driveTypeQuery = ::GetDriveTypeA;
}

int StopAtSecond(const char*, DWORD, int, void* reports) { return ++*static_cast<int*>(reports) < 2; }

// Every call that opens handles, repeated after a first round (in which
// libraries load and keep their own): none may be left open. The process
// walks run over the platform's functions, the package removal reads a
// same-day package of another family.
TEST(Handles, RepeatedCallsLeaveNoneOpen) {
  if (!HandleCountWorks()) GTEST_SKIP() << "no handle count on this system";
  ScratchFolder folder;
  const std::string direct = folder.File("direct");  // no ".exe": started directly
  ASSERT_TRUE(CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), direct.c_str(), FALSE));
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
  DWORD before = 0;
  for (int round = 0; round < 4; ++round) {
    if (round == 1) before = OwnHandleCount();
    EXPECT_EQ(1, RunAndWait(direct.c_str(), "exit=0", folder.Path().c_str(), SW_HIDE, 0, nullptr, 0));
    int reports = 0;
    EXPECT_EQ(0, EnumerateProcesses(StopAtSecond, 0, &reports));
    EXPECT_EQ(2, reports) << "the walk went on after the callback's 0";
    EXPECT_EQ(1, WalkProcessStatus(api, [](const char*, DWORD, int, void*) { return 1; }, 0, nullptr));
    EXPECT_EQ('E', LocateInstallMedium());
    RemoveSameDayPackage(3);
    ReadDirectXVersion();
  }
  EXPECT_EQ(before, OwnHandleCount()) << "a handle was left open";
  EXPECT_TRUE(DeleteFileA(package.c_str())) << "the other family's package was removed";
  FreeLibrary(psapi);
}

}  // namespace
