#include "coinstaller/install_medium.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "coinstaller/handle_count.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

// The test prefix's drives: A:, D:, E:, F: are CD-ROM, G: fixed, H: network.
const char kPrefixDrives[] = "ADEFGH";

std::string Root(char letter) { return std::string(1, letter) + ":\\"; }

// Puts "Zovodav\setup.exe" on drives; removes it from all of them on
// destruction. A lower-case letter puts a folder of that name instead.
class Markers {
 public:
  explicit Markers(const char* letters) {
    for (const char* at = letters; *at; ++at) {
      char letter = static_cast<char>(toupper(*at));
      CreateDirectoryA((Root(letter) + "Zovodav").c_str(), nullptr);
      std::string marker = Root(letter) + "Zovodav\\setup.exe";
      if (islower(*at))
        CreateDirectoryA(marker.c_str(), nullptr);
      else
        WriteFileBytes(marker, "MZ");
    }
  }
  ~Markers() {
    for (const char* at = kPrefixDrives; *at; ++at) RemoveFolderTree(Root(*at) + "Zovodav");
  }
};

class InstallMedium : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* at = "ADEF"; *at; ++at)
      if (GetDriveTypeA(Root(*at).c_str()) != DRIVE_CDROM) GTEST_SKIP() << *at << ": is no CD-ROM drive in this prefix";
    if (GetDriveTypeA("G:\\") != DRIVE_FIXED || GetDriveTypeA("H:\\") != DRIVE_REMOTE)
      GTEST_SKIP() << "G: and H: are not the fixed and network drives";
  }
  void TearDown() override {
    logicalDrivesQuery = ::GetLogicalDrives;
    driveTypeQuery = ::GetDriveTypeA;
  }
};

TEST_F(InstallMedium, FirstCdRomDriveWithTheMarkerFile) {
  const struct {
    const char* markers;
    char expected;
  } cases[] = {
      {"DF", 'D'},   // two media: the lower letter
      {"F", 'F'},    // D: and E: lack the file and are passed over
      {"EF", 'E'},
      {"GH", ' '},   // fixed and network drives never qualify
      {"GHF", 'F'},
      {"A", ' '},    // A: is never examined
      {"", ' '},
      {"dF", 'F'},   // a folder of the marker's name is no file
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " markers \"" << cases[i].markers << "\"");
    Markers markers(cases[i].markers);
    EXPECT_EQ(cases[i].expected, LocateInstallMedium());
    EXPECT_EQ(nullptr, DriveList().First()) << "records were left in the drive list";
  }
}

std::vector<std::string> rootsAsked;

UINT WINAPI RecordingDriveType(LPCSTR root) {
  rootsAsked.push_back(root);
  return ::GetDriveTypeA(root);
}

DWORD WINAPI EveryBit() { return 0xFFFFFFFFu; }

DWORD HandleCount() { return OwnHandleCount(); }

TEST_F(InstallMedium, ExaminesLettersBToZOnlyInOrder) {
  if (!HandleCountWorks()) GTEST_SKIP() << "the system's handle list does not count handles here";
  driveTypeQuery = RecordingDriveType;
  const struct {
    bool everyBit;
    const char* markers;
    char expected;
  } cases[] = {{false, "AE", 'E'}, {true, "AF", 'F'}, {true, "", ' '}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    logicalDrivesQuery = c.everyBit ? EveryBit : ::GetLogicalDrives;
    Markers markers(c.markers);
    rootsAsked.clear();
    DWORD handles = HandleCount();
    EXPECT_EQ(c.expected, LocateInstallMedium());
    EXPECT_EQ(handles, HandleCount()) << "a handle was left open";
    EXPECT_EQ(nullptr, DriveList().First());
    std::vector<std::string> expected;
    const DWORD mask = c.everyBit ? 0xFFFFFFFFu : ::GetLogicalDrives();
    for (int bit = 1; bit < 26; ++bit)
      if (mask & (1u << bit)) expected.push_back(Root(static_cast<char>('A' + bit)));
    EXPECT_EQ(expected, rootsAsked);
  }
}

}  // namespace
