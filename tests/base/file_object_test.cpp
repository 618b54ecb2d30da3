#include "base/file_object.h"

#include <malloc.h>
#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/code_page.h"
#include "support/handle_count.h"
#include "support/campaign_random.h"
#include "support/test_support.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::ScratchFolder;
using testing_support::WriteFileBytes;

class FileObjectTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(_HEAPOK, _heapchk()); }
  ScratchFolder folder;
};
class FileObjectCp932 : public FileObjectTest {};

// One read: its result and the line.
typedef std::pair<int, std::string> Read;

// Every ReadLine result up to and including the first 0.
std::vector<Read> ReadAll(FileObject& file, int wideUnits) {
  std::vector<Read> reads;
  TextString line;
  for (int result = 1; result && reads.size() < 100000;) {
    result = file.ReadLine(line, wideUnits);
    reads.push_back(Read(result, line.Buffer() ? line.Buffer() : "<null>"));
  }
  return reads;
}

std::vector<Read> ReadFileLines(FileObject& file, const std::string& path, int wideUnits) {
  if (!file.Open(path.c_str(), FileObject::OpenRead, FILE_ATTRIBUTE_NORMAL)) return {};
  return ReadAll(file, wideUnits);
}

std::vector<Read> ReadFileLines(const std::string& path, int wideUnits) {
  FileObject file;
  return ReadFileLines(file, path, wideUnits);
}

// UTF-16 little-endian bytes of a wide text.
std::string Utf16(const std::wstring& text) {
  std::string bytes;
  for (wchar_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

// What ReadLine should deliver for a file of `bytes`, worked out unit by
// unit: line feeds end lines, CR and 0 are dropped, every other unit is
// converted alone by the platform; a lone last byte in 16-bit mode is
// dropped.
std::vector<Read> ExpectedReads(const std::string& bytes, int wideUnits) {
  std::vector<Read> reads;
  std::string line;
  size_t step = wideUnits ? 2 : 1;
  for (size_t i = 0; i + step <= bytes.size(); i += step) {
    WCHAR unit[2] = {static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) |
                                        (wideUnits ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0)), 0};
    char out[8] = "";
    if (unit[0] == 10) {
      reads.push_back(Read(1, line));
      line.clear();
    } else if (unit[0] != 13 && unit[0] != 0 &&
               WideCharToMultiByte(CP_ACP, 0, unit, -1, out, 8, nullptr, nullptr) > 0) {
      line += out;
    }
  }
  if (!line.empty()) reads.push_back(Read(1, line));
  reads.push_back(Read(0, ""));
  return reads;
}

::testing::AssertionResult SameReads(const std::vector<Read>& expected, const std::vector<Read>& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  for (const auto* reads : {&expected, &actual}) {
    failure << (reads == &expected ? "expected\n" : "actual\n");
    for (const Read& r : *reads) failure << r.first << ":" << r.second.size() << ":" << r.second.substr(0, 40) << "\n";
  }
  return failure;
}

// --- Open modes, Close ---------------------------------------------------------

TEST_F(FileObjectTest, OpenModes) {
  const struct {
    int mode;
    const char* before;  // null: no file
    int result;
    bool read, write;
    const char* after;  // after "XY" was written at the start, when writable
  } cases[] = {
      {FileObject::OpenRead, nullptr, 0, false, false, nullptr},
      {FileObject::OpenRead, "abcdef", 1, true, false, "abcdef"},
      {FileObject::CreateWrite, "old content", 1, false, true, "XY"},
      {FileObject::OpenWrite, nullptr, 0, false, false, nullptr},
      {FileObject::OpenWrite, "abcdef", 1, false, true, "XYcdef"},
      {FileObject::OpenOrCreateWrite, "abcdef", 1, false, true, "XYcdef"},
      {FileObject::OpenOrCreateReadWrite, nullptr, 1, true, true, "XY"},
      {FileObject::OpenReadWrite, "abcdef", 1, true, true, "XYcdef"},
      {6, "abcdef", 0, false, false, "abcdef"},
  };
  // One object that has a file open before each row: every Open closes it,
  // whatever its own outcome, and a failed one leaves nothing open.
  std::string decoy = folder.File("decoy.txt");
  ASSERT_TRUE(WriteFileBytes(decoy, "line\n"));
  ASSERT_TRUE(HandleCountWorks());
  FileObject file;
  EXPECT_EQ(0, file.Close()) << "nothing open";
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    std::string path = folder.File("mode" + std::to_string(i) + ".txt");
    if (cases[i].before) {
      ASSERT_TRUE(WriteFileBytes(path, cases[i].before));
    }
    DWORD handles = OwnHandleCount();
    ASSERT_EQ(1, file.Open(decoy.c_str(), FileObject::OpenRead, 0));
    ASSERT_EQ(cases[i].result, file.Open(path.c_str(), cases[i].mode, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(handles + cases[i].result, OwnHandleCount());
    EXPECT_EQ(cases[i].result != 0, file.Handle() != nullptr);
    if (cases[i].result) {
      DWORD done = 0;
      char byte;
      EXPECT_EQ(cases[i].write, WriteFile(file.Handle(), "XY", 2, &done, nullptr) != 0);
      SetFilePointer(file.Handle(), 0, nullptr, FILE_BEGIN);
      EXPECT_EQ(cases[i].read, ReadFile(file.Handle(), &byte, 1, &done, nullptr) != 0);
      // Shared for reading and writing: another writer gets in.
      HANDLE other = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
      EXPECT_NE(INVALID_HANDLE_VALUE, other);
      CloseHandle(other);
      EXPECT_EQ(1, file.Close());
    }
    EXPECT_EQ(0, file.Close());
    std::string bytes;
    EXPECT_EQ(cases[i].after != nullptr, ReadFileBytes(path, &bytes));
    EXPECT_EQ(cases[i].after ? cases[i].after : "", bytes);
  }
  EXPECT_EQ(0, file.Open(nullptr, FileObject::OpenRead, 0));
  TextString line;
  EXPECT_EQ(0, file.ReadLine(line, 0)) << "no file open";
}

// --- ReadLine -------------------------------------------------------------------

// Each file read by one object that has just read a line of another file:
// the reopened file must start afresh. The rows are what random files seldom
// hold: a lone byte at the end, long runs and lines, a CR LF split by a
// refill; the random files below do the rest.
TEST_F(FileObjectTest, ReadLineGivesTheUnitByUnitLines) {
  const struct {
    int wideUnits;
    std::string bytes;
  } cases[] = {
      {1, ""},
      {1, Utf16(std::wstring(2048, L'w')) + "Z"},  // alone in the second fill
      {1, "Z"},  // nothing but a lone byte: no line at all
      {0, std::string(200, '\xE9') + "x" + std::string(130, '\xA7')},  // runs longer than one conversion
      {0, std::string(4095, 'c') + "\r\nend"},  // CR LF split by a refill
      {0, std::string(1 << 20, 'm') + "\r\n"},  // one append per byte with 20 bytes of slack takes minutes
  };
  std::string decoy = folder.File("decoy.txt"), path = folder.File("lines.txt");
  ASSERT_TRUE(WriteFileBytes(decoy, Utf16(L"1a\n1b\n1c\n")));
  FileObject file;
  TextString line;
  DWORD start = GetTickCount();
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    ASSERT_TRUE(WriteFileBytes(path, cases[i].bytes));
    ASSERT_EQ(1, file.Open(decoy.c_str(), FileObject::OpenRead, 0));
    ASSERT_EQ(1, file.ReadLine(line, cases[i].wideUnits));
    EXPECT_TRUE(SameReads(ExpectedReads(cases[i].bytes, cases[i].wideUnits),
                          ReadFileLines(file, path, cases[i].wideUnits))) << "case " << i;
    file.Close();
  }
  EXPECT_LT(GetTickCount() - start, 5000u);
}

// A pipe delivers what was written so far: reads of odd byte counts in the
// middle of the data. Each unit must still be two consecutive bytes.
struct PipeWriter {
  HANDLE pipe;
  std::string data;
  static DWORD WINAPI Run(void* context) {
    PipeWriter* writer = static_cast<PipeWriter*>(context);
    ConnectNamedPipe(writer->pipe, nullptr);
    DWORD at = 0, written = 0;
    for (DWORD n : {3, 1, 5, 4097, 7, 1, 100000}) {
      WriteFile(writer->pipe, writer->data.data() + at, std::min<DWORD>(n, writer->data.size() - at), &written, nullptr);
      at += written;
      Sleep(30);
    }
    // Closes once the reader has taken everything: its next read fails.
    FlushFileBuffers(writer->pipe);
    CloseHandle(writer->pipe);
    return 0;
  }
};

TEST_F(FileObjectTest, UnitModeWithOddShortReadsFromAPipe) {
  char name[64];
  snprintf(name, sizeof(name), "\\\\.\\pipe\\bramcot-lines-%lu", GetCurrentProcessId());
  PipeWriter writer = {CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                                        nullptr), Utf16(L"odd\r\nreads\n" + std::wstring(2500, L'p') + L"\nend\n")};
  ASSERT_NE(INVALID_HANDLE_VALUE, writer.pipe);
  HANDLE thread = CreateThread(nullptr, 0, PipeWriter::Run, &writer, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  Sleep(20);
  std::vector<Read> reads = ReadFileLines(name, 1);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  EXPECT_TRUE(SameReads({{1, "odd"}, {1, "reads"}, {1, std::string(2500, 'p')}, {1, "end"}, {0, ""}}, reads));
}

// The random files below check the conversion under either code page; here
// two bytes per character fill the line's buffer with one byte of room
// beside the terminator over and over: no growth may lose the line.
TEST_F(FileObjectCp932, DoubleByteLinesGrowWhole) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  std::string path = folder.File("high.txt"), kana;
  for (int i = 0; i < 1000; ++i) kana += "\x82\xA0";
  ASSERT_TRUE(WriteFileBytes(path, Utf16(std::wstring(1000, L'\x3042') + L"\n")));
  EXPECT_TRUE(SameReads({{1, kana}, {0, ""}}, ReadFileLines(path, 1)));
}

// A case is one random chunk (line feeds, carriage returns, zeros and any
// other byte; now and then thousands of bytes, across refills), read in both
// modes. Twenty chunks make one file: each file must read as worked out unit
// by unit, and stay at its end afterwards.
TEST_F(FileObjectTest, RandomFilesReadLineByLine) {
  const unsigned kSeed = 20240611;
  const int kFiles = 500, kChunksPerFile = 20;
  std::string path = folder.File("random.bin");
  testing_support::CampaignRandom random(kSeed);
  const char special[] = {'\n', '\r', '\0', 'a', 'Z'};
  FileObject file;  // one object: the read buffer is reused across files
  for (int round = 0; round < kFiles; ++round) {
    std::string bytes;
    for (int chunk = 0; chunk < kChunksPerFile; ++chunk) {
      size_t length = random.OneIn(100) ? 4000 + random.Below(5000) : random.Below(64);
      for (size_t i = 0; i < length; ++i)
        bytes += random.OneIn(4) ? random.Pick(special) : static_cast<char>(random.Next());
    }
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    for (int wideUnits = 0; wideUnits <= 1; ++wideUnits) {
      ASSERT_TRUE(SameReads(ExpectedReads(bytes, wideUnits), ReadFileLines(file, path, wideUnits)))
          << "file " << round << " of seed " << kSeed << ", " << bytes.size() << " bytes, mode " << wideUnits;
      TextString line;
      EXPECT_EQ(0, file.ReadLine(line, wideUnits)) << "stays at the end";
      file.Close();
    }
  }
}

// --- Exists, Delete, ForEachMatch ---------------------------------------------------

TEST_F(FileObjectTest, ExistsAndDelete) {
  std::string path = folder.File("exists.txt"), dir = folder.Path(), missing = folder.File("missing.txt");
  ASSERT_TRUE(WriteFileBytes(path, "x"));
  FileObject open;
  ASSERT_EQ(1, open.Open(path.c_str(), FileObject::OpenReadWrite, 0));
  const struct {
    const char* path;
    int exists;
  } cases[] = {{path.c_str(), 1}, {dir.c_str(), 0}, {missing.c_str(), 0}, {nullptr, 0}};
  DWORD handles = OwnHandleCount();
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
    EXPECT_EQ(cases[i].exists, FileObject::Exists(cases[i].path)) << "case " << i;
  EXPECT_EQ(handles, OwnHandleCount()) << "a handle leaked";
  open.Close();

  std::string guard = folder.File("guard.txt");
  ASSERT_TRUE(WriteFileBytes(guard, "x"));
  ASSERT_TRUE(SetFileAttributesA(guard.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_FALSE(DeleteFileA(guard.c_str())) << "read-only must be enforced for this test to mean anything";
  EXPECT_EQ(1, FileObject::Delete(path.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
  EXPECT_EQ(0, FileObject::Delete(path.c_str())) << "already gone";
  EXPECT_EQ(0, FileObject::Delete(nullptr));
}

struct Walk {
  std::vector<std::string> names;
  int stopAfter;
  UINT modeInside;
  static int Collect(const WIN32_FIND_DATAA* entry, void* context) {
    Walk* walk = static_cast<Walk*>(context);
    walk->names.push_back(entry->cFileName);
    walk->modeInside = GetErrorMode();
    return static_cast<int>(walk->names.size()) != walk->stopAfter;
  }
};

TEST_F(FileObjectTest, ForEachMatch) {
  for (const char* name : {"one.inf", "two.inf", "three.pnf"}) ASSERT_TRUE(WriteFileBytes(folder.File(name), "1"));
  ASSERT_TRUE(CreateDirectoryA(folder.File("sub.inf").c_str(), nullptr));
  UINT before = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  DWORD handles = OwnHandleCount();
  const struct {
    std::string pattern;
    int stopAfter;
    int result;
    std::vector<std::string> names;  // sorted
  } cases[] = {
      {folder.File("*.inf"), -1, 1, {"one.inf", "sub.inf", "two.inf"}},
      {folder.File("*.inf"), 1, 0, {"?"}},
      {folder.File("*.none"), -1, 0, {}},
      {folder.File("missing\\*.inf"), -1, 0, {}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    Walk walk = {{}, cases[i].stopAfter, 0};
    EXPECT_EQ(cases[i].result, FileObject::ForEachMatch(cases[i].pattern.c_str(), Walk::Collect, &walk))
        << "case " << i;
    if (cases[i].names.size() && cases[i].names[0] == "?") walk.names.assign(walk.names.size(), "?");
    std::sort(walk.names.begin(), walk.names.end());
    EXPECT_EQ(cases[i].names, walk.names) << "case " << i;
    if (!walk.names.empty()) {
      EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), walk.modeInside) << "case " << i;
    }
    EXPECT_EQ(static_cast<UINT>(SEM_NOOPENFILEERRORBOX), GetErrorMode()) << "case " << i << ": restored";
  }
  Walk walk = {{}, -1, 0};
  EXPECT_EQ(0, FileObject::ForEachMatch(nullptr, Walk::Collect, &walk));
  EXPECT_EQ(0, FileObject::ForEachMatch(folder.File("*").c_str(), nullptr, &walk));
  EXPECT_EQ(handles, OwnHandleCount()) << "a handle leaked";
  SetErrorMode(before);
}

// --- CreateFolderPath ---------------------------------------------------------------

// The attempts of one CreateFolderPath call. Paths in `missing` fail with
// ERROR_BAD_NETPATH, those in `existing` with ERROR_ALREADY_EXISTS; the rest
// are created.
struct FolderAttempts {
  std::vector<std::string> paths, missing, existing;
};
FolderAttempts* attempts = nullptr;

BOOL WINAPI RecordFolder(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  attempts->paths.push_back(path);
  auto listed = [path](const std::vector<std::string>& list) {
    return std::find(list.begin(), list.end(), path) != list.end();
  };
  if (!listed(attempts->missing) && !listed(attempts->existing)) return TRUE;
  SetLastError(listed(attempts->missing) ? ERROR_BAD_NETPATH : ERROR_ALREADY_EXISTS);
  return FALSE;
}

TEST(FileObjectFolders, AttemptsPerPathShape) {
  struct Case {
    const char* path;
    int stopBeforeLast;
    std::vector<std::string> missing, existing, expected;
    int result;
  } cases[] = {
      {"C:\\one\\two\\", 0, {}, {"C:\\one\\two\\"}, {"C:\\one", "C:\\one\\two", "C:\\one\\two\\"}, 1},
      {"C:\\one\\two\\file.txt", 1, {}, {}, {"C:\\one", "C:\\one\\two"}, 1},
      {"C:\\file.txt", 1, {}, {}, {}, 0},
      {"\\top\\sub", 0, {}, {}, {"\\top", "\\top\\sub"}, 1},
      {"\\\\server\\share\\dir\\f.txt", 1, {"\\\\server", "\\\\server\\share"}, {},
       {"\\\\server", "\\\\server\\share", "\\\\server\\share\\dir"}, 1},
      // An earlier failure does not count; a failing last attempt does.
      {"C:\\bad\\good", 0, {"C:\\bad"}, {}, {"C:\\bad", "C:\\bad\\good"}, 1},
      {"C:\\good\\bad", 0, {"C:\\bad", "C:\\good\\bad"}, {}, {"C:\\good", "C:\\good\\bad"}, 0},
      {"", 0, {""}, {}, {""}, 0},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    FolderAttempts recorded;
    recorded.missing = cases[i].missing;
    recorded.existing = cases[i].existing;
    attempts = &recorded;
    EXPECT_EQ(cases[i].result, FileObject::CreateFolderPath(cases[i].path, cases[i].stopBeforeLast, RecordFolder))
        << "case " << i;
    EXPECT_EQ(cases[i].expected, recorded.paths) << "case " << i;
    attempts = nullptr;
  }
  EXPECT_EQ(0, FileObject::CreateFolderPath(nullptr, 0));
}

// Against the platform: the existing parents answer "already exists".
TEST(FileObjectFolders, CreatesFoldersOnDisk) {
  ScratchFolder scratch;
  const std::string file = scratch.File("a\\b\\file.txt");
  EXPECT_EQ(1, FileObject::CreateFolderPath(file.c_str(), 1));
  EXPECT_TRUE(GetFileAttributesA(scratch.File("a\\b").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));
  EXPECT_EQ(1, FileObject::CreateFolderPath(scratch.File("a\\b\\").c_str(), 0)) << "all of it exists";
}

}  // namespace
