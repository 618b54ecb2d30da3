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
class FileObject1252 : public FileObjectTest {};
class FileObjectCp932 : public FileObjectTest {};

std::string Text(const TextString& s) { return s.Buffer() ? std::string(s.Buffer()) : "<null>"; }

// One read: its result and the line.
typedef std::pair<int, std::string> Read;

// Every ReadLine result up to and including the first 0.
std::vector<Read> ReadAll(FileObject& file, int wideUnits, size_t limit = 100000) {
  std::vector<Read> reads;
  TextString line;
  for (size_t i = 0; i < limit; ++i) {
    int result = file.ReadLine(line, wideUnits);
    reads.push_back(Read(result, Text(line)));
    if (!result) break;
  }
  return reads;
}

std::vector<Read> ReadFileLines(const std::string& path, int wideUnits) {
  FileObject file;
  if (!file.Open(path.c_str(), FileObject::OpenRead, FILE_ATTRIBUTE_NORMAL)) return {};
  return ReadAll(file, wideUnits);
}

// UTF-16 little-endian bytes of a wide text.
std::string Utf16(const std::wstring& text) {
  std::string bytes;
  for (wchar_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  return bytes;
}

// The ANSI bytes of one UTF-16 unit, as the platform converts it.
std::string Ansi(unsigned unit) {
  WCHAR text[2] = {static_cast<WCHAR>(unit), 0};
  char out[8];
  int written = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof(out), nullptr, nullptr);
  return written > 0 ? std::string(out) : std::string();
}

// What ReadLine should deliver for a file of `bytes`, worked out
// independently of FileObject: units, line feeds end lines, CR and 0 are
// dropped, everything else is converted; a lone last byte in 16-bit mode is
// dropped.
std::vector<Read> ExpectedReads(const std::string& bytes, int wideUnits) {
  std::vector<unsigned> units;
  if (!wideUnits) {
    for (unsigned char b : bytes) units.push_back(b);
  } else {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<unsigned char>(bytes[i]) |
                      (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8));
  }
  std::vector<Read> reads;
  std::string line;
  for (unsigned unit : units) {
    if (unit == 10) {
      reads.push_back(Read(1, line));
      line.clear();
    } else if (unit != 13 && unit != 0) {
      line += Ansi(unit);
    }
  }
  if (!line.empty()) reads.push_back(Read(1, line));
  reads.push_back(Read(0, ""));
  return reads;
}

std::string Describe(const std::vector<Read>& reads) {
  std::string out;
  for (const Read& r : reads) {
    char head[32];
    snprintf(head, sizeof(head), "%d:%u:", r.first, static_cast<unsigned>(r.second.size()));
    out += head;
    out += r.second.substr(0, 40);
    out += "\n";
  }
  return out;
}

// --- Open modes ---------------------------------------------------------------

bool CanRead(HANDLE handle) {
  char byte;
  DWORD got = 0;
  SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
  return ReadFile(handle, &byte, 1, &got, nullptr) != 0;
}

bool CanWrite(HANDLE handle, const char* text) {
  DWORD written = 0;
  return WriteFile(handle, text, static_cast<DWORD>(strlen(text)), &written, nullptr) != 0;
}

TEST_F(FileObjectTest, OpenReadOnlyExisting) {
  std::string path = folder.File("read.txt");
  ASSERT_TRUE(WriteFileBytes(path, "abcdef"));
  FileObject file;
  EXPECT_EQ(0, file.Open(folder.File("missing.txt").c_str(), FileObject::OpenRead, 0));
  EXPECT_EQ(nullptr, file.Handle());
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenRead, FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(CanRead(file.Handle()));
  EXPECT_FALSE(CanWrite(file.Handle(), "x"));
  // Shared for reading and writing: another writer gets in.
  HANDLE other = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, other);
  if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
}

TEST_F(FileObjectTest, CreateWriteTruncates) {
  std::string path = folder.File("create.txt");
  ASSERT_TRUE(WriteFileBytes(path, "old content"));
  {
    FileObject file;
    ASSERT_EQ(1, file.Open(path.c_str(), FileObject::CreateWrite, FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(CanRead(file.Handle()));
    EXPECT_TRUE(CanWrite(file.Handle(), "new"));
  }
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, &bytes));
  EXPECT_EQ("new", bytes);
  FileObject fresh;
  EXPECT_EQ(1, fresh.Open(folder.File("created.txt").c_str(), FileObject::CreateWrite, 0));
}

TEST_F(FileObjectTest, OpenWriteNeedsAnExistingFile) {
  std::string path = folder.File("write.txt");
  FileObject file;
  EXPECT_EQ(0, file.Open(path.c_str(), FileObject::OpenWrite, 0));
  ASSERT_TRUE(WriteFileBytes(path, "abcdef"));
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenWrite, 0));
  EXPECT_TRUE(CanWrite(file.Handle(), "XY"));
  file.Close();
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, &bytes));
  EXPECT_EQ("XYcdef", bytes) << "written at the start, not truncated";
}

TEST_F(FileObjectTest, OpenOrCreateWriteStartsAtTheBeginning) {
  std::string path = folder.File("always.txt");
  FileObject file;
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenOrCreateWrite, 0));
  EXPECT_TRUE(CanWrite(file.Handle(), "abcdef"));
  file.Close();
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenOrCreateWrite, 0));
  EXPECT_FALSE(CanRead(file.Handle()));
  EXPECT_TRUE(CanWrite(file.Handle(), "XY"));
  file.Close();
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, &bytes));
  EXPECT_EQ("XYcdef", bytes);
}

TEST_F(FileObjectTest, ReadWriteModes) {
  std::string path = folder.File("rw.txt");
  FileObject file;
  EXPECT_EQ(0, file.Open(path.c_str(), FileObject::OpenReadWrite, 0)) << "mode 5 needs the file";
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenOrCreateReadWrite, 0));
  EXPECT_TRUE(CanWrite(file.Handle(), "abc"));
  EXPECT_TRUE(CanRead(file.Handle()));
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenReadWrite, 0));
  EXPECT_TRUE(CanRead(file.Handle()));
  EXPECT_TRUE(CanWrite(file.Handle(), "Z"));
  file.Close();
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, &bytes));
  EXPECT_EQ("aZc", bytes);
}

TEST_F(FileObjectTest, OpenModeOutsideTableClosesAndFails) {
  std::string path = folder.File("six.txt");
  ASSERT_TRUE(WriteFileBytes(path, "x"));
  FileObject file;
  EXPECT_EQ(0, file.Open(path.c_str(), 6, 0));
  EXPECT_EQ(nullptr, file.Handle());
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenRead, 0));
  HANDLE before = file.Handle();
  ASSERT_NE(nullptr, before);
  EXPECT_EQ(0, file.Open(path.c_str(), 6, 0));
  EXPECT_EQ(nullptr, file.Handle()) << "the open file was closed";
  DWORD flags;
  EXPECT_FALSE(GetHandleInformation(before, &flags)) << "its handle is gone";
  EXPECT_EQ(0, file.Close());
  EXPECT_EQ(0, file.Open(path.c_str(), -1, 0));
  EXPECT_EQ(0, file.Open(nullptr, FileObject::OpenRead, 0));
}

TEST_F(FileObjectTest, Close) {
  std::string path = folder.File("close.txt");
  ASSERT_TRUE(WriteFileBytes(path, "line\n"));
  FileObject file;
  EXPECT_EQ(0, file.Close());
  ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenRead, 0));
  EXPECT_EQ(1, file.Close());
  EXPECT_EQ(0, file.Close());
  TextString line;
  line.Assign("stale");
  EXPECT_EQ(0, file.ReadLine(line, 0)) << "no file open";
}

// --- ReadLine -----------------------------------------------------------------------

void ExpectReads(const std::vector<Read>& expected, const std::vector<Read>& actual) {
  EXPECT_TRUE(expected == actual) << "expected\n" << Describe(expected) << "actual\n"
                                  << Describe(actual);
}

TEST_F(FileObjectTest, ReadLineCrLf) {
  std::string path = folder.File("crlf.txt");
  ASSERT_TRUE(WriteFileBytes(path, "a\r\nb"));
  ExpectReads({{1, "a"}, {1, "b"}, {0, ""}}, ReadFileLines(path, 0));
}

TEST_F(FileObjectTest, ReadLineEmptyLineInside) {
  std::string path = folder.File("lflf.txt");
  ASSERT_TRUE(WriteFileBytes(path, "a\n\n"));
  ExpectReads({{1, "a"}, {1, ""}, {0, ""}}, ReadFileLines(path, 0));
}

TEST_F(FileObjectTest, ReadLineDropsLoneCarriageReturns) {
  std::string path = folder.File("cr.txt");
  ASSERT_TRUE(WriteFileBytes(path, "x\ry\n\r\r\nz\r"));
  ExpectReads({{1, "xy"}, {1, ""}, {1, "z"}, {0, ""}}, ReadFileLines(path, 0));
}

TEST_F(FileObjectTest, ReadLineEmptyFile) {
  std::string path = folder.File("empty.txt");
  ASSERT_TRUE(WriteFileBytes(path, ""));
  ExpectReads({{0, ""}}, ReadFileLines(path, 0));
  ExpectReads({{0, ""}}, ReadFileLines(path, 1));
}

TEST_F(FileObjectTest, ReadLineOf5000BytesAcrossRefills) {
  std::string path = folder.File("long.txt");
  std::string longLine;
  for (int i = 0; i < 5000; ++i) longLine += static_cast<char>('a' + i % 26);
  std::string bytes = "first\r\n" + longLine + "\r\n" + longLine + longLine + "\nlast";
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  ExpectReads({{1, "first"}, {1, longLine}, {1, longLine + longLine}, {1, "last"}, {0, ""}},
              ReadFileLines(path, 0));
}

TEST_F(FileObjectTest, ReadLineZeroBytesAddNothing) {
  std::string path = folder.File("zero.txt");
  ASSERT_TRUE(WriteFileBytes(path, std::string("a\0b\n\0\n", 6)));
  ExpectReads({{1, "ab"}, {1, ""}, {0, ""}}, ReadFileLines(path, 0));
}

TEST_F(FileObjectTest, Utf16FileInByteMode) {
  std::string path = folder.File("utf16.txt");
  ASSERT_TRUE(WriteFileBytes(path, "\xFF\xFE" + Utf16(L"one\r\ntwo\r\n\r\nthree")));
  ExpectReads({{1, Ansi(0xFF) + Ansi(0xFE) + "one"}, {1, "two"}, {1, ""}, {1, "three"}, {0, ""}},
              ReadFileLines(path, 0));
}

TEST_F(FileObjectTest, Utf16FileInUnitMode) {
  std::string path = folder.File("units.txt");
  ASSERT_TRUE(WriteFileBytes(path, Utf16(L"one\r\ntwo\n\nthree\x0A00")));
  // 0x0A00 is no line feed in 16-bit mode: only its low byte is 10.
  ExpectReads({{1, "one"}, {1, "two"}, {1, ""}, {1, "three" + Ansi(0x0A00)}, {0, ""}},
              ReadFileLines(path, 1));
}

TEST_F(FileObjectTest, UnitModeAcrossRefills) {
  std::string path = folder.File("units-long.txt");
  std::wstring longLine;
  for (int i = 0; i < 3000; ++i) longLine += static_cast<wchar_t>('A' + i % 26);
  ASSERT_TRUE(WriteFileBytes(path, Utf16(longLine + L"\n" + longLine + L"\r\nend\n")));
  std::string narrow(longLine.begin(), longLine.end());
  ExpectReads({{1, narrow}, {1, narrow}, {1, "end"}, {0, ""}}, ReadFileLines(path, 1));
}

TEST_F(FileObjectTest, UnitModeDropsALoneLastByte) {
  std::string path = folder.File("odd.txt");
  ASSERT_TRUE(WriteFileBytes(path, Utf16(L"ab\ncd") + "Z"));
  ExpectReads({{1, "ab"}, {1, "cd"}, {0, ""}}, ReadFileLines(path, 1));
  ASSERT_TRUE(WriteFileBytes(path, Utf16(L"ab\n") + "Z"));
  ExpectReads({{1, "ab"}, {0, ""}}, ReadFileLines(path, 1));  // no line of the lone byte
  ASSERT_TRUE(WriteFileBytes(path, "Z"));
  ExpectReads({{0, ""}}, ReadFileLines(path, 1));
  // 4097 bytes: the lone byte is alone in the second fill.
  std::wstring block(2048, L'w');
  ASSERT_TRUE(WriteFileBytes(path, Utf16(block) + "Z"));
  ExpectReads({{1, std::string(2048, 'w')}, {0, ""}}, ReadFileLines(path, 1));
}

TEST_F(FileObjectTest, ReopenStartsAtTheNewFile) {
  std::string first = folder.File("first.txt");
  std::string second = folder.File("second.txt");
  ASSERT_TRUE(WriteFileBytes(first, "1a\n1b\n"));
  ASSERT_TRUE(WriteFileBytes(second, "2a\n2b\n"));
  FileObject file;
  TextString line;
  ASSERT_EQ(1, file.Open(first.c_str(), FileObject::OpenRead, 0));
  ASSERT_EQ(1, file.ReadLine(line, 0));
  EXPECT_EQ("1a", Text(line));
  ASSERT_EQ(1, file.Open(second.c_str(), FileObject::OpenRead, 0));
  ASSERT_EQ(1, file.ReadLine(line, 0));
  EXPECT_EQ("2a", Text(line));
  ASSERT_EQ(1, file.ReadLine(line, 0));
  EXPECT_EQ("2b", Text(line));
  EXPECT_EQ(0, file.ReadLine(line, 0));
}

// A pipe delivers what was written so far: reads of odd byte counts in the
// middle of the data. Each unit must still be two consecutive bytes.
struct PipeWriter {
  HANDLE pipe;
  std::vector<std::string> chunks;
};

DWORD WINAPI WriteChunks(void* context) {
  PipeWriter* writer = static_cast<PipeWriter*>(context);
  ConnectNamedPipe(writer->pipe, nullptr);
  for (const std::string& chunk : writer->chunks) {
    DWORD written = 0;
    WriteFile(writer->pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
    Sleep(30);
  }
  // Waits until the reader has taken everything, then closes: the reader's
  // next read fails (broken pipe).
  FlushFileBuffers(writer->pipe);
  CloseHandle(writer->pipe);
  return 0;
}

TEST_F(FileObjectTest, UnitModeWithOddShortReadsFromAPipe) {
  char name[64];
  snprintf(name, sizeof(name), "\\\\.\\pipe\\bramcot-lines-%lu", GetCurrentProcessId());
  std::string data = Utf16(L"odd\r\nreads\n" + std::wstring(2500, L'p') + L"\nend\n");
  PipeWriter writer;
  writer.pipe = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                 65536, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer.pipe);
  const size_t sizes[] = {3, 1, 5, 4097, 7, 1};
  size_t at = 0;
  for (size_t n : sizes) {
    writer.chunks.push_back(data.substr(at, n));
    at += n;
  }
  writer.chunks.push_back(data.substr(at));
  HANDLE thread = CreateThread(nullptr, 0, WriteChunks, &writer, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  std::vector<Read> reads;
  {
    FileObject file;
    Sleep(20);
    ASSERT_EQ(1, file.Open(name, FileObject::OpenRead, 0));
    reads = ReadAll(file, 1);
  }
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  // The data ends with a line feed; the broken pipe then fails the read (0).
  ExpectReads({{1, "odd"}, {1, "reads"}, {1, std::string(2500, 'p')}, {1, "end"}, {0, ""}}, reads);
}

// The reader takes plain bytes and bytes 0x80-0xFF in runs, four bytes at a
// time where it can; whatever the grouping, the lines must be those of the
// unit-by-unit rule (ExpectedReads), under either code page.
TEST_F(FileObjectTest, ReadLineRunsGiveTheUnitByUnitLines) {
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  std::string offsets;  // each special byte at each place in a four-byte word
  for (const char* special : {"\n", "\r", "\0", "\x7F", "\x80", "\xFF", "\x5C"})
    for (int at = 0; at < 4; ++at) offsets += std::string(at, 'w') + std::string(special, 1) + "abcdefg";
  const struct {
    int wideUnits;
    std::string bytes;
  } cases[] = {
      {0, "a" + high + "z\n" + high},                                  // every high byte in one run
      {0, std::string(200, '\xE9') + "x" + std::string(130, '\xA7')},  // runs longer than one conversion
      {0, std::string("ab\rc\0d\x80\r\xFF\0\x7F\\\n\n", 14)},   // CR, NUL, 0x7F, backslash
      {0, offsets},
      {0, std::string(4090, 'p') + "\r\n" + std::string(5000, 'q')},     // a plain run across a refill
      {0, std::string(4090, 'x') + high + "\n"},                         // a high run across a refill
      {0, std::string(4095, 'c') + "\r\nend"},                          // CR LF split by a refill
      {1, Utf16(L"a\x7F\x80\xFF\\\xD800\xDC00\x3042\r\nz\x0100")},   // surrogate halves one by one
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    std::string path = folder.File("runs.txt");
    ASSERT_TRUE(WriteFileBytes(path, cases[i].bytes));
    ExpectReads(ExpectedReads(cases[i].bytes, cases[i].wideUnits), ReadFileLines(path, cases[i].wideUnits));
  }
}

TEST_F(FileObjectTest, ReadLineOfOneMegabyteInLinearTime) {
  std::string path = folder.File("mega.txt");
  std::string line(1 << 20, 'm');
  ASSERT_TRUE(WriteFileBytes(path, line + "\r\n"));
  DWORD start = GetTickCount();
  std::vector<Read> reads = ReadFileLines(path, 0);
  DWORD elapsed = GetTickCount() - start;
  ASSERT_EQ(2u, reads.size());
  EXPECT_TRUE(reads[0] == Read(1, line));
  EXPECT_LT(elapsed, 5000u) << "one append per byte with 20 bytes of slack took minutes";
}

// --- Conversion of bytes 0x80-0xFF ----------------------------------------------------

TEST_F(FileObject1252, HighBytesGoThroughTheCodePage) {
  REQUIRE_ANSI_CODE_PAGE(1252u);
  std::string path = folder.File("high.txt");
  // Byte 0x8A is U+008A, which 1252 lacks ('?'), not Š (0x8A in 1252);
  // byte 0xE9 is U+00E9 é, 0xE9 in 1252.
  ASSERT_TRUE(WriteFileBytes(path, "a\x8A\xE9z\n"));
  ExpectReads({{1, "a?\xE9z"}, {0, ""}}, ReadFileLines(path, 0));
  ASSERT_TRUE(WriteFileBytes(path, Utf16(L"a\x008A\x00E9\x0160z\n")));
  ExpectReads({{1, "a?\xE9\x8Az"}, {0, ""}}, ReadFileLines(path, 1));
}

TEST_F(FileObjectCp932, HighBytesGoThroughTheCodePage) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  std::string path = folder.File("high.txt");
  // 0x8A (U+008A) has no Shift-JIS form: '?'; 0xE9 (é) becomes 'e' by best
  // fit; 0xA7 (§) becomes the double-byte 0x81 0x98. No byte is copied
  // unconverted, so no stray lead byte gets into the line.
  ASSERT_TRUE(WriteFileBytes(path, "a\x8A\xE9\xA7z\n"));
  ExpectReads({{1, "a?e\x81\x98z"}, {0, ""}}, ReadFileLines(path, 0));
  ASSERT_TRUE(WriteFileBytes(path, Utf16(L"a\x008A\x00E9\x00A7\x3042z\n")));
  ExpectReads({{1, "a?e\x81\x98\x82\xA0z"}, {0, ""}}, ReadFileLines(path, 1));
}

TEST_F(FileObjectCp932, LongDoubleByteLinesAreNotWiped) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  // Two bytes per character fill the line's buffer with one byte of room
  // beside the terminator over and over; no growth may lose the line.
  std::string path = folder.File("kana.txt");
  std::wstring kana(1000, L'\x3042');
  ASSERT_TRUE(WriteFileBytes(path, Utf16(kana + L"\n")));
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += "\x82\xA0";
  ExpectReads({{1, expected}, {0, ""}}, ReadFileLines(path, 1));
  std::string bytes;
  for (int i = 0; i < 700; ++i) bytes += '\xA7';
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  std::string sections;
  for (int i = 0; i < 700; ++i) sections += "\x81\x98";
  ExpectReads({{1, sections}, {0, ""}}, ReadFileLines(path, 0));
}

// --- Random files ------------------------------------------------------------------------

// A case is one random chunk (line feeds, carriage returns, zeros and any
// other byte; now and then thousands of bytes, across refills), read in both
// modes. Twenty chunks make one file, so that files stay few: each file must
// read exactly as worked out independently, and stay at its end afterwards.
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
      ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenRead, 0));
      std::vector<Read> actual = ReadAll(file, wideUnits);
      std::vector<Read> expected = ExpectedReads(bytes, wideUnits);
      ASSERT_TRUE(expected == actual) << "file " << round << " of seed " << kSeed << ", " << bytes.size()
                                      << " bytes, mode " << wideUnits << "\nexpected\n" << Describe(expected)
                                      << "actual\n" << Describe(actual);
      TextString line;
      EXPECT_EQ(0, file.ReadLine(line, wideUnits)) << "stays at the end";
      file.Close();
    }
  }
}

// --- Exists, Delete ----------------------------------------------------------------------------

TEST_F(FileObjectTest, Exists) {
  std::string path = folder.File("exists.txt");
  ASSERT_TRUE(WriteFileBytes(path, "x"));
  EXPECT_EQ(1, FileObject::Exists(path.c_str()));
  {
    FileObject file;
    ASSERT_EQ(1, file.Open(path.c_str(), FileObject::OpenReadWrite, 0));
    EXPECT_EQ(1, file.Exists(path.c_str())) << "while open, shared";
  }
  EXPECT_EQ(0, FileObject::Exists(folder.Path().c_str())) << "a directory";
  std::string dir = folder.Path();
  dir.pop_back();
  EXPECT_EQ(0, FileObject::Exists(dir.c_str())) << "a directory without backslash";
  EXPECT_EQ(0, FileObject::Exists(folder.File("missing.txt").c_str()));
  EXPECT_EQ(0, FileObject::Exists("R:\\no-such-drive.txt"));
  EXPECT_EQ(0, FileObject::Exists(""));
  EXPECT_EQ(0, FileObject::Exists(nullptr));
}

TEST_F(FileObjectTest, DeleteReadOnlyFile) {
  std::string guard = folder.File("guard.txt");
  std::string path = folder.File("readonly.txt");
  ASSERT_TRUE(WriteFileBytes(guard, "x"));
  ASSERT_TRUE(WriteFileBytes(path, "x"));
  ASSERT_TRUE(SetFileAttributesA(guard.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_FALSE(DeleteFileA(guard.c_str())) << "read-only must be enforced for this test to mean anything";
  EXPECT_EQ(1, FileObject::Delete(path.c_str()));
  EXPECT_EQ(0, FileObject::Exists(path.c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
  EXPECT_EQ(0, FileObject::Delete(path.c_str())) << "already gone";
  EXPECT_EQ(0, FileObject::Delete(nullptr));
  EXPECT_EQ(1, FileObject::Delete(guard.c_str()));
}

// --- ForEachMatch ------------------------------------------------------------------------------

struct Walk {
  std::vector<std::string> names;
  int stopAfter;
  UINT modeInside;
};

int Collect(const WIN32_FIND_DATAA* entry, void* context) {
  Walk* walk = static_cast<Walk*>(context);
  walk->names.push_back(entry->cFileName);
  walk->modeInside = GetErrorMode();
  return static_cast<int>(walk->names.size()) != walk->stopAfter;
}

TEST_F(FileObjectTest, ForEachMatchVisitsEveryEntry) {
  ASSERT_TRUE(WriteFileBytes(folder.File("one.inf"), "1"));
  ASSERT_TRUE(WriteFileBytes(folder.File("two.inf"), "2"));
  ASSERT_TRUE(WriteFileBytes(folder.File("three.pnf"), "3"));
  ASSERT_TRUE(CreateDirectoryA(folder.File("sub.inf").c_str(), nullptr));
  UINT before = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  Walk walk = {{}, -1, 0};
  EXPECT_EQ(1, FileObject::ForEachMatch(folder.File("*.inf").c_str(), Collect, &walk));
  EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), walk.modeInside);
  EXPECT_EQ(static_cast<UINT>(SEM_NOOPENFILEERRORBOX), GetErrorMode()) << "restored";
  std::sort(walk.names.begin(), walk.names.end());
  EXPECT_EQ((std::vector<std::string>{"one.inf", "sub.inf", "two.inf"}), walk.names)
      << "folders are reported too";
  Walk all = {{}, -1, 0};
  EXPECT_EQ(1, FileObject::ForEachMatch(folder.File("*").c_str(), Collect, &all));
  std::sort(all.names.begin(), all.names.end());
  EXPECT_EQ((std::vector<std::string>{".", "..", "one.inf", "sub.inf", "three.pnf", "two.inf"}),
            all.names);
  SetErrorMode(before);
}

TEST_F(FileObjectTest, ForEachMatchStopsWhenTheCallbackSaysSo) {
  ASSERT_TRUE(WriteFileBytes(folder.File("a.txt"), "1"));
  ASSERT_TRUE(WriteFileBytes(folder.File("b.txt"), "2"));
  ASSERT_TRUE(WriteFileBytes(folder.File("c.txt"), "3"));
  Walk first = {{}, 1, 0};
  EXPECT_EQ(0, FileObject::ForEachMatch(folder.File("*.txt").c_str(), Collect, &first));
  EXPECT_EQ(1u, first.names.size());
  Walk second = {{}, 2, 0};
  EXPECT_EQ(0, FileObject::ForEachMatch(folder.File("*.txt").c_str(), Collect, &second));
  EXPECT_EQ(2u, second.names.size());
}

TEST_F(FileObjectTest, ForEachMatchWithoutMatch) {
  UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
  Walk walk = {{}, -1, 0};
  EXPECT_EQ(0, FileObject::ForEachMatch(folder.File("*.none").c_str(), Collect, &walk));
  EXPECT_EQ(0, FileObject::ForEachMatch(folder.File("missing\\*.inf").c_str(), Collect, &walk));
  EXPECT_EQ(0, FileObject::ForEachMatch("R:\\*.inf", Collect, &walk)) << "no such drive";
  EXPECT_EQ(0, FileObject::ForEachMatch(nullptr, Collect, &walk));
  EXPECT_EQ(0, FileObject::ForEachMatch(folder.File("*").c_str(), nullptr, &walk));
  EXPECT_TRUE(walk.names.empty());
  EXPECT_EQ(static_cast<UINT>(SEM_NOGPFAULTERRORBOX), GetErrorMode()) << "restored";
  SetErrorMode(before);
}


// ---------------------------------------------------------------------------
// CreateFolderPath

// The attempts of one CreateFolderPath call. Paths in `missing` fail with
// ERROR_BAD_NETPATH, those in `existing` with ERROR_ALREADY_EXISTS; the rest
// are created, by the platform when `real` is set.
struct FolderAttempts {
  std::vector<std::string> paths;
  std::vector<std::string> missing;
  std::vector<std::string> existing;
  bool real = false;
};
FolderAttempts* attempts = nullptr;

BOOL WINAPI RecordFolder(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
  attempts->paths.push_back(path);
  if (attempts->real) return CreateDirectoryA(path, security);
  auto listed = [path](const std::vector<std::string>& list) {
    return std::find(list.begin(), list.end(), path) != list.end();
  };
  if (listed(attempts->missing)) {
    SetLastError(ERROR_BAD_NETPATH);
    return FALSE;
  }
  if (listed(attempts->existing)) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  return TRUE;
}

TEST(FileObjectFolders, AttemptsPerPathShape) {
  struct Case {
    const char* path;
    int stopBeforeLast;
    std::vector<std::string> missing, existing;
    std::vector<std::string> expected;
    int result;
  } cases[] = {
      {"C:\\one\\two\\", 0, {}, {"C:\\one\\two\\"}, {"C:\\one", "C:\\one\\two", "C:\\one\\two\\"}, 1},
      {"C:\\one\\two\\file.txt", 1, {}, {}, {"C:\\one", "C:\\one\\two"}, 1},
      {"C:\\file.txt", 1, {}, {}, {}, 0},
      {"C:\\one", 0, {}, {}, {"C:\\one"}, 1},
      {"rel1\\rel2", 0, {}, {}, {"rel1", "rel1\\rel2"}, 1},
      {"\\top\\sub", 0, {}, {}, {"\\top", "\\top\\sub"}, 1},
      {"\\\\server\\share\\dir\\sub", 0, {"\\\\server", "\\\\server\\share"}, {},
       {"\\\\server", "\\\\server\\share", "\\\\server\\share\\dir", "\\\\server\\share\\dir\\sub"}, 1},
      {"\\\\server\\share", 0, {"\\\\server", "\\\\server\\share"}, {}, {"\\\\server", "\\\\server\\share"}, 0},
      {"\\\\server\\share\\dir\\f.txt", 1, {"\\\\server", "\\\\server\\share"}, {},
       {"\\\\server", "\\\\server\\share", "\\\\server\\share\\dir"}, 1},
      // An earlier failure does not count; a failing last attempt does.
      {"C:\\bad\\good", 0, {"C:\\bad"}, {}, {"C:\\bad", "C:\\bad\\good"}, 1},
      {"C:\\good\\bad", 0, {"C:\\bad", "C:\\good\\bad"}, {}, {"C:\\good", "C:\\good\\bad"}, 0},
      {"", 0, {""}, {}, {""}, 0},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const Case& c = cases[i];
    FolderAttempts recorded;
    recorded.missing = c.missing;
    recorded.existing = c.existing;
    attempts = &recorded;
    EXPECT_EQ(c.result, FileObject::CreateFolderPath(c.path, c.stopBeforeLast, RecordFolder)) << "case " << i;
    EXPECT_EQ(c.expected, recorded.paths) << "case " << i;
    attempts = nullptr;
  }
  EXPECT_EQ(0, FileObject::CreateFolderPath(nullptr, 0));
}

TEST(FileObjectFolders, CreatesFoldersOnDisk) {
  ScratchFolder scratch;
  const std::string base = scratch.Path();  // "X:\...\" with its backslash
  FolderAttempts recorded;
  recorded.real = true;
  attempts = &recorded;

  const std::string two = base + "one\\two\\";
  EXPECT_EQ(1, FileObject::CreateFolderPath(two.c_str(), 0, RecordFolder));
  ASSERT_GE(recorded.paths.size(), 3u);
  EXPECT_EQ(std::vector<std::string>({base + "one", base + "one\\two", two}),
            std::vector<std::string>(recorded.paths.end() - 3, recorded.paths.end()));
  EXPECT_EQ(std::string::npos, recorded.paths.front().find('\\', 3)) << "the first attempt is the first folder";
  EXPECT_NE(2u, recorded.paths.front().size()) << "the drive root is never attempted";
  EXPECT_TRUE(GetFileAttributesA(two.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  const std::string file = base + "a\\b\\file.txt";
  EXPECT_EQ(1, FileObject::CreateFolderPath(file.c_str(), 1));
  EXPECT_TRUE(GetFileAttributesA((base + "a\\b").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));

  char previous[MAX_PATH];
  ASSERT_NE(0u, GetCurrentDirectoryA(sizeof(previous), previous));
  ASSERT_TRUE(SetCurrentDirectoryA(base.c_str()));
  recorded.paths.clear();
  const int relative = FileObject::CreateFolderPath("rel1\\rel2", 0, RecordFolder);
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(1, relative);
  EXPECT_EQ(std::vector<std::string>({"rel1", "rel1\\rel2"}), recorded.paths);
  EXPECT_TRUE(GetFileAttributesA((base + "rel1\\rel2").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  attempts = nullptr;
}

}  // namespace
