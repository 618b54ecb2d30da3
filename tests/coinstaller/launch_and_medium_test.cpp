#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/handle_count.h"
#include "coinstaller/install_medium.h"
#include "coinstaller/program_launcher.h"
#include "fakes/fake_folder.h"

using namespace testing_support;

namespace {

// The helper under several names; a WM_APP posted to the thread before each
// run must be taken from the queue during the wait only when it pumps.
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
      {"shell_a.exe", "exit=7 alpha", 1, true, 7, false}, {"direct_b.Exe", "exit=300 beta", 0, true, 300, true},
      {"direct_c", "exit=5", 0, false, 0, true},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.name);
    std::string program = folder.File(c.name);
    CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), program.c_str(), FALSE);
    DWORD code = 0xDEAD;
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    DWORD handles = OwnHandleCount();
    ASSERT_EQ(1, RunAndWait(program.c_str(), c.parameters, work.Path().c_str(), SW_HIDE, 0,
                            c.wantCode ? &code : nullptr, c.pump));
    // The shell's first use keeps handles of its own.
    EXPECT_TRUE(i == 0 || handles == OwnHandleCount()) << "a handle was left open";
    MSG message;
    EXPECT_EQ(c.pump == 0, PeekMessageA(&message, nullptr, WM_APP, WM_APP, PM_REMOVE) != 0);
    EXPECT_EQ(c.wantCode ? c.code : 0xDEAD, code);
    std::vector<std::string> record = ReadLines(folder.File("launch_record.txt"));
    ASSERT_EQ(1u, record.size()) << "the program did not run";
    const std::string line = c.direct ? c.parameters : "\"" + program + "\" " + c.parameters;
    EXPECT_EQ(0u, record[0].find("-|" + program + "|" + line + "|")) << record[0];
    std::string directory = work.Path();
    directory.pop_back();
    EXPECT_NE(std::string::npos, record[0].find("|" + directory + "|-")) << record[0];
    DeleteFileA(folder.File("launch_record.txt").c_str());
  }
}

// Started directly; the shell's way is the install step's without its setup.
TEST(RunAndWait, MissingProgramIsNotWaitedFor) {
  DWORD code = 77;
  EXPECT_EQ(0, RunAndWait("C:\\missing.EXE", "exit=1", nullptr, SW_HIDE, 0, &code, 0));
  EXPECT_EQ(77u, code);
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
    DWORD handles = OwnHandleCount();
    EXPECT_EQ(c.expected, LocateInstallMedium());
    EXPECT_EQ(handles, OwnHandleCount()) << "a handle was left open";
    EXPECT_GT(handles, 0u) << "no handle count";
    EXPECT_EQ(nullptr, DriveList().First()) << "records were left in the drive list";
    std::vector<std::string> expected;
    for (int bit = 1; bit < 26; ++bit)
      if ((c.everyBit ? 0xFFFFFFFFu : ::GetLogicalDrives()) & (1u << bit)) expected.push_back(Root('A' + bit));
    EXPECT_EQ(expected, rootsAsked);
  }
  logicalDrivesQuery = ::GetLogicalDrives;
  driveTypeQuery = ::GetDriveTypeA;
}

}  // namespace
