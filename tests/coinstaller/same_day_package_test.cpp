#include "coinstaller/same_day_package.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::ScratchFolder;
using testing_support::WriteFileBytes;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

SYSTEMTIME fakeToday;
void WINAPI FakeClock(LPSYSTEMTIME now) { *now = fakeToday; }

// Today is 2026-12-07 for the package step while the test runs.
class SameDayPackage : public testing::Test {
 protected:
  void SetUp() override {
    fakeToday = {};
    fakeToday.wYear = 2026;
    fakeToday.wMonth = 12;
    fakeToday.wDay = 7;
    sameDayClock = FakeClock;
  }
  void TearDown() override { sameDayClock = ::GetLocalTime; }
  ScratchFolder folder;
};

// Find data for `name` created at the given UTC date.
WIN32_FIND_DATAA Entry(const char* name, WORD year, WORD month, WORD day, DWORD attributes = 0) {
  WIN32_FIND_DATAA entry = {};
  entry.dwFileAttributes = attributes;
  SYSTEMTIME created = {};
  created.wYear = year;
  created.wMonth = month;
  created.wDay = day;
  created.wHour = 23;
  SystemTimeToFileTime(&created, &entry.ftCreationTime);
  lstrcpynA(entry.cFileName, name, MAX_PATH);
  return entry;
}

std::string Utf16(const std::string& ascii) {
  std::string bytes("\xFF\xFE", 2);
  for (char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

// The per-file step fed with synthetic find data, since Linux cannot set a
// file's creation time.
TEST_F(SameDayPackage, PerFileDecisions) {

  const std::string family3 = "[Models]\r\n%Dev% = Install, USB\\VID_14aa&PID_0160\r\n";
  std::string nulLine = "x" + std::string(3, '\0') + "usb\\vid_0bda&pid_2831\n";
  const struct {
    const char* name;
    std::string content;
    WORD day;
    DWORD attributes;
    int expectDeleted;
  } cases[] = {
      {"oem1.inf", family3, 7, 0, 1},
      {"oem2.inf", family3, 6, 0, 0},                                   // an earlier day
      {"oem3.inf", "USB\\VID_14AA&PID_0620\n", 7, 0, 0},                 // another family
      {"oem4.inf", Utf16(family3), 7, 0, 1},                            // UTF-16 text
      {"oem5.inf", family3, 7, FILE_ATTRIBUTE_DIRECTORY, 0},            // a directory
      {"OEM7.INF", family3, 7, 0, 1},                                   // upper case
      {"oem8.inf", std::string(1 << 16, 'a') + "\n" + family3, 7, 0, 1},  // a 64 KB line
      {"oem9.inf", nulLine, 7, 0, 1},                                   // NUL bytes
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " " << cases[i].name);
    std::string inf = folder.File(cases[i].name);
    std::string pnfName = cases[i].name;
    pnfName.replace(pnfName.size() - 4, 4, pnfName[pnfName.size() - 1] == 'F' ? ".PNF" : ".pnf");
    std::string pnf = folder.File(pnfName);
    if (cases[i].attributes & FILE_ATTRIBUTE_DIRECTORY) {
      CreateDirectoryA(inf.c_str(), nullptr);
    } else {
      ASSERT_TRUE(WriteFileBytes(inf, cases[i].content));
      SetFileAttributesA(inf.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ASSERT_TRUE(WriteFileBytes(pnf, "compiled"));

    SameDayWalk walk;
    walk.family = 3;
    walk.folder.Assign(folder.Path().c_str());
    WIN32_FIND_DATAA entry = Entry(cases[i].name, 2026, 12, cases[i].day, cases[i].attributes);
    EXPECT_EQ(cases[i].expectDeleted ? 0 : 1, RemoveIfSameDayPackage(&entry, &walk));
    EXPECT_EQ(!cases[i].expectDeleted, Exists(inf));
    // Upper-case OEM7.INF loses its INF but keeps OEM7.PNF.
    bool pnfGone = cases[i].expectDeleted && cases[i].name[0] == 'o';
    EXPECT_EQ(!pnfGone, Exists(pnf));
  }

  SameDayWalk unknown;
  unknown.family = 9;
  unknown.folder.Assign(folder.Path().c_str());
  ASSERT_TRUE(WriteFileBytes(folder.File("oem10.inf"), family3));
  WIN32_FIND_DATAA entry = Entry("oem10.inf", 2026, 12, 7);
  EXPECT_EQ(1, RemoveIfSameDayPackage(&entry, &unknown)) << "an unknown family matches no line";
}

// Family 0 names three IDs that differ only in their last character: each
// one alone must match, in any case, and a near miss must not.
TEST_F(SameDayPackage, EveryIdOfAFamilyMatches) {
  const struct {
    const char* line;
    int expectDeleted;
  } cases[] = {
      {"%D%=I,USB\\VID_14AA&PID_022A", 1}, {"%D%=I,usb\\vid_14aa&pid_0220&mi_00", 1},
      {"x USB\\Vid_14aa&Pid_0222", 1},     {"%D%=I,USB\\VID_14AA&PID_0221", 0},
      {"%D%=I,USB\\VID_14AA&PID_022", 0},   {"USB\\VID_14AA&PID_02 2A", 0},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " " << cases[i].line);
    std::string inf = folder.File("oem1.inf");
    ASSERT_TRUE(WriteFileBytes(inf, std::string("[Models]\r\n") + cases[i].line + "\r\n[Strings]\r\n"));
    SameDayWalk walk;
    walk.family = 0;
    walk.folder.Assign(folder.Path().c_str());
    WIN32_FIND_DATAA entry = Entry("oem1.inf", 2026, 12, 7);
    EXPECT_EQ(cases[i].expectDeleted ? 0 : 1, RemoveIfSameDayPackage(&entry, &walk));
    EXPECT_EQ(!cases[i].expectDeleted, Exists(inf));
  }
}

// Against the prefix's real INF folder: files made now carry today's date.
TEST(SameDayPackageInTheInfFolder, RemovesOnlyTheFirstMatchingPackage) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string inf = std::string(windows) + "\\inf\\";
  std::vector<std::string> made;
  auto make = [&](const std::string& name, const std::string& content) {
    made.push_back(inf + name);
    ASSERT_TRUE(WriteFileBytes(inf + name, content));
  };
  for (int i = 0; i < 50; ++i) {
    std::string id = i % 2 ? "USB\\VID_14AA&PID_0620" : "USB\\VID_14AA&PID_0225";
    make("oem97" + std::to_string(10 + i) + ".inf", "[Models]\n%Dev% = Install, " + id + "\n");
    make("oem97" + std::to_string(10 + i) + ".pnf", "compiled");
  }
  make("oem9790.inf", "[Models]\n%Dev% = Install, USB\\VID_14AA&PID_0160\n");
  make("oem9790.pnf", "compiled");
  RemoveSameDayPackage(3);
  int left = 0;
  for (const std::string& path : made) {
    if (Exists(path)) ++left;
    DeleteFileA(path.c_str());
  }
  EXPECT_EQ(100, left) << "only the family's INF and its .pnf go";
}

}  // namespace
