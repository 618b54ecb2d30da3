#include "base/file_object.h"

#include <malloc.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "support/campaign_random.h"
#include "support/test_support.h"

namespace {

using testing_support::WriteFileBytes;

// Every ReadLine result, up to and including the first 0, with its line.
typedef std::vector<std::pair<int, std::string>> Reads;

std::string Utf16(const std::wstring& text) {
  std::string bytes;
  for (wchar_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

// What ReadLine should deliver, worked out unit by unit: line feeds end
// lines, CR and 0 are dropped, every other unit is converted alone; a lone
// last byte in 16-bit mode is dropped.
Reads ExpectedReads(const std::string& bytes, int wideUnits) {
  Reads reads;
  std::string line;
  for (size_t i = 0, step = wideUnits ? 2 : 1; i + step <= bytes.size(); i += step) {
    WCHAR unit[2] = {static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) | (wideUnits ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0)), 0};
    char out[8] = "";
    if (unit[0] == 10) reads.push_back({1, line}), line.clear();
    else if (unit[0] != 13 && unit[0] && WideCharToMultiByte(CP_ACP, 0, unit, -1, out, 8, nullptr, nullptr) > 0) line += out;
  }
  if (!line.empty()) reads.push_back({1, line});
  reads.push_back({0, ""});
  return reads;
}

class FileObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteFileBytes(decoy, Utf16(L"1a\n1b\n"))); }
  void TearDown() override { EXPECT_EQ(_HEAPOK, _heapchk()); }
  // Reads `bytes` in both modes with one object that has just read a line of
  // another file (the reopened file must start afresh) and stays at the end.
  void ExpectUnitByUnitLines(const std::string& bytes) {
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    TextString line;
    for (int wideUnits = 0; wideUnits <= 1; ++wideUnits, file.Close()) {
      ASSERT_EQ(1, file.Open(decoy.c_str(), FileObject::OpenRead, 0) * file.ReadLine(line, wideUnits));
      Reads reads;
      for (int result = file.Open(path.c_str(), FileObject::OpenRead, 0); result && reads.size() < 100000;)
        reads.push_back({result = file.ReadLine(line, wideUnits), line.Buffer()});
      ASSERT_TRUE(ExpectedReads(bytes, wideUnits) == reads) << "mode " << wideUnits;
      EXPECT_EQ(0, file.ReadLine(line, wideUnits)) << "stays at the end";
    }
  }
  testing_support::ScratchFolder folder;
  const std::string path = folder.File("lines.txt"), decoy = folder.File("decoy.txt");
  FileObject file;
};

// Fixed files with what random ones seldom hold: line ends one before, at and
// one past the end of a 4096-byte fill, a CR LF split by a refill, a lone byte
// at the end (alone in a fill too), long runs and lines; then random files of
// twenty chunks of line feeds, carriage returns, zeros and any other byte, now
// and then thousands of bytes, across refills.
TEST_F(FileObjectTest, ReadLineGivesTheUnitByUnitLines) {
  const std::string cases[] = {
      "", std::string(4094, 'c') + "\nx", std::string(4095, 'c') + "\nx", std::string(4096, 'c') + "\nx",
      std::string(4095, 'c') + "\r\nend", Utf16(std::wstring(2047, L'w') + L"\n") + "Z",
      Utf16(std::wstring(2048, L'w')) + "Z", "Z",
      std::string(200, '\xE9') + "x" + std::string(130, '\xA7'),  // runs longer than one conversion
      std::string(1 << 20, 'm') + "\r\n"};  // one append per byte with 20 bytes of slack takes minutes
  const DWORD start = GetTickCount();
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(testing::Message() << bytes.size() << " bytes");
    ExpectUnitByUnitLines(bytes);
  }
  EXPECT_LT(GetTickCount() - start, 5000u);
  auto make = [](testing_support::CampaignRandom& random) {
    static const char special[] = {'\n', '\r', '\0', 'a', 'Z'};
    std::string bytes;
    for (int chunk = 0; chunk < 20; ++chunk)
      for (size_t n = random.OneIn(100) ? 4000 + random.Below(5000) : random.Below(64); n > 0; --n)
        bytes += random.OneIn(4) ? random.Pick(special) : static_cast<char>(random.Next());
    return bytes;
  };
  testing_support::RunCampaign(20240611, 500, make, [&](const std::string& bytes) { ExpectUnitByUnitLines(bytes); });
  TextString line;
  EXPECT_EQ(0, file.Open(path.c_str(), 6, 0) + file.Open(nullptr, 0, 0) + file.ReadLine(line, 0)) << "bad mode, no path, no file";
}

// A capped read delivers a line of 5000 characters at a cap of 5000 or
// 5001, and not at 4999, where it says the line was too long; both modes.
TEST_F(FileObjectTest, ReadLineStopsAtItsCap) {
  TextString line;
  for (int wide = 0; wide < 2; ++wide) {
    ASSERT_TRUE(WriteFileBytes(path, wide ? Utf16(std::wstring(5000, L'q') + L"\nx") : std::string(5000, 'q') + "\nx"));
    for (unsigned cap : {4999u, 5000u, 5001u}) {
      ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenRead, 0));
      EXPECT_EQ(cap >= 5000, file.ReadLine(line, wide, cap)) << wide << " " << cap;
      EXPECT_EQ(cap < 5000, file.LineTooLong()) << wide << " " << cap;
      file.Close();
    }
  }
}

// The attempts of one CreateFolderPath call. Paths in `refused` fail with
// ERROR_BAD_NETPATH, or with ERROR_ALREADY_EXISTS when listed with a
// leading '+'; the rest are created.
std::vector<std::string> attempts, refused;

BOOL WINAPI RecordFolder(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  attempts.push_back(path);
  bool missing = std::count(refused.begin(), refused.end(), path), exists = std::count(refused.begin(), refused.end(), "+" + attempts.back());
  return SetLastError(exists ? ERROR_ALREADY_EXISTS : ERROR_BAD_NETPATH), !missing && !exists;
}

// Paths of 260 and 261 characters pass whole: no MAX_PATH buffer on the way.
TEST(FileObjectFolders, AttemptsPerPathShape) {
  const std::string at260 = "C:\\" + std::string(255, 'p') + "\\f", at261 = "C:\\" + std::string(256, 'p') + "\\f";
  const struct {
    std::string path;
    int stopBeforeLast, result;
    std::vector<std::string> refused, expected;
  } cases[] = {
      {"C:\\one\\two\\", 0, 1, {"+C:\\one\\two\\"}, {"C:\\one", "C:\\one\\two", "C:\\one\\two\\"}},
      {"C:\\one\\two\\file.txt", 1, 1, {}, {"C:\\one", "C:\\one\\two"}}, {"C:\\file.txt", 1, 0, {}, {}},
      {"\\top\\sub", 0, 1, {}, {"\\top", "\\top\\sub"}}, {"", 0, 0, {""}, {""}},
      {"\\\\server\\share\\dir\\f.txt", 1, 1, {"\\\\server", "\\\\server\\share"}, {"\\\\server", "\\\\server\\share", "\\\\server\\share\\dir"}},
      // An earlier failure does not count; a failing last attempt does.
      {"C:\\bad\\good", 0, 1, {"C:\\bad"}, {"C:\\bad", "C:\\bad\\good"}}, {"C:\\good\\bad", 0, 0, {"C:\\good\\bad"}, {"C:\\good", "C:\\good\\bad"}},
      {at260, 0, 1, {}, {at260.substr(0, 258), at260}}, {at261, 0, 1, {}, {at261.substr(0, 259), at261}}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    attempts.clear();
    refused = cases[i].refused;
    EXPECT_EQ(cases[i].result, FileObject::CreateFolderPath(cases[i].path.c_str(), cases[i].stopBeforeLast, RecordFolder)) << i;
    EXPECT_EQ(cases[i].expected, attempts) << "case " << i;
  }
  EXPECT_EQ(0, FileObject::CreateFolderPath(nullptr, 0));
}

}  // namespace
