#include "base/text_string.h"

#include <malloc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "support/guarded_bytes.h"

#define HYO "\x95\x5C"     // 表 in 932: its trail byte is a backslash
#define KANA_A "\x82\xA0"  // あ

namespace {

const unsigned kCeiling = TextString::kFormatCeiling;
const int kBufferless = -2;  // the state an unmended allocation failure leaves

// Every test ends with a consistent runtime heap: a write before or past a
// buffer that hit a block header shows here.
class TextStringTest : public ::testing::Test {
  void TearDown() override { EXPECT_EQ(_HEAPOK, _heapchk()); }
};

std::string Text(const TextString& s) { return s.Buffer() ? std::string(s.Buffer()) : "<null>"; }
// Results in the order written (the operands of + have none).
int Sum(std::initializer_list<int> results) { return std::accumulate(results.begin(), results.end(), 0); }
// Offset of a returned pointer in the string's buffer, -1 for null.
int At(const TextString& s, const void* p) { return p ? static_cast<int>(static_cast<const char*>(p) - s.Buffer()) : -1; }

// One operation on a fresh string of `start` bytes (or kBufferless) with
// `initial` text assigned first; then its result, the text ("=":
// unchanged) and the capacity (-1: not checked).
struct Step { int start; const char* initial; int (*op)(TextString&); int result; std::string text; int capacity; };
typedef TextString& S;

template <size_t N>
void RunSteps(const Step (&steps)[N]) {
  for (size_t i = 0; i < N; ++i) {
    const Step& c = steps[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    TextString s(c.start < 0 ? 260 : c.start);
    volatile unsigned huge = 0xFFFFFFFFu;  // no allocator gives 4 GiB - 1 to a 32-bit process
    if (c.start == kBufferless) { ASSERT_EQ(0, s.SetCapacity(huge)); }
    if (c.initial) { ASSERT_EQ(1, s.Assign(c.initial)); }
    EXPECT_EQ(c.result, c.op(s));
    EXPECT_EQ(c.text == "=" ? std::string(c.initial) : c.text, Text(s));
    if (s.Buffer()) { EXPECT_EQ(strlen(s.Buffer()), static_cast<size_t>(s.Length())); }
    if (c.capacity >= 0) { EXPECT_EQ(c.capacity, s.Capacity()); }
  }
}

TEST_F(TextStringTest, Operations) {
  static testing_support::GuardedBytes guard;  // sources that end where readable memory ends
  const Step steps[] = {
      // Lengths one below, at and past the capacity; a buffer filled to its end.
      {10, "abc", [](S s) { return Sum({s.Append("defgh"), s.Append("i"), s.Capacity() * 10, s.Append("j")}); }, 93, "abcdefghij", 30},
      {5, "a", [](S s) { return Sum({s.AppendWide(L"bc"), s.AppendWide(L"d"), s.Capacity() * 10, s.AppendWideChar('e')}); }, 43, "abcde", 25},
      {-1, nullptr, [](S s) { return Sum({s.Assign(std::string(259, 'a').c_str()), s.AppendChar('b')}); }, 2, std::string(259, 'a') + "b", 280},
      {4, nullptr, [](S s) { return Sum({s.AssignN("abc", 3) * 10, s.AssignN("abcdefgh", 8)}); }, 11, "abcdefgh", 8},
      {4, "a", [](S s) { return s.AppendBytes("bcdefghij", 9); }, 1, "abcdefghij", 10},  // more than double
      {16, nullptr, [](S s) { return memset(s.Buffer(), 'x', 16), s.Recount(), 1; }, 1, std::string(15, 'x'), 15},
      {10, nullptr, [](S s) { return memset(s.Buffer(), 'x', 10), Sum({s.SetLength(10) * 100, s.SetLength(9) * 10, s.SetLength(8)}); },
       11, "xxxxxxx", 9},
      {-1, "x", [](S s) { return s.AssignN("abc", 0xFFFFFFFFu) * 10 + s.AssignWideN(L"abc", 0xFFFFFFFFu); }, 0, "", 259},
      // Never past a source's terminator; sources inside the own buffer, which moves.
      {4, nullptr, [](S s) { return s.AssignN(reinterpret_cast<char*>(guard.Place("abc", 4)), 100); }, 1, "abc", 100},
      {3, nullptr, [](S s) { return s.AssignWideN(reinterpret_cast<WCHAR*>(guard.Place(L"wide", 10)), 99); }, 1, "wide", 99},
      {4, "abc", [](S s) { return s.AssignN(s.Buffer() + 1, 10); }, 1, "bc", 10},
      {3, "ab", [](S s) { return s.Append(s.Buffer()); }, 1, "abab", 24},
      // Null and empty arguments store nothing, zero included.
      {-1, "ab", [](S s) { return s.Append(nullptr) + s.AppendChar(0) + s.AppendWide(nullptr) + s.Format(nullptr) * 10; }, 3, "", -1},
      {-1, "C:\\T", [](S s) { return At(s, s.EnsureTrailingBackslash()) + At(s, s.EnsureTrailingBackslash()); }, 0, "C:\\T\\", -1},
      // Growth leaves zeros behind the text, also over old bytes: 260 -> 520 -> 780.
      {-1, nullptr, [](S s) { s.SetCapacity(700), memset(s.Buffer(), 'Z', 700), s.Reset(260), s.Format("%0*d", 600, 0);
          return static_cast<int>(std::count(s.Buffer() + 601, s.Buffer() + 780, 0)); }, 179, std::string(600, '0'), 779},
      // Comparison and search.
      {-1, "abc", [](S s) { return s.Compare("abd") + s.Compare("ab") * 10 + s.Compare("ABC") * 100 + s.Compare(nullptr) * 1000 +
          s.CompareN("abX", 2) + s.CompareN("abz", 3) * 10000; }, -8891, "=", -1},
      {-1, "usb\\vid_14aa&pid_0161;uSB\\vid_14AA&pid_0160", [](S s) { return s.FindNoCase("USB\\VID_14aa&PID_0160") * 10 +
          s.FindNoCase("vid_14aa&pid_0160;") + s.FindNoCase(nullptr) + s.Find("0160") + s.Find("x"); }, 256, "=", -1},
      {-1, "C:\\Temp\\x", [](S s) { return s.FindChar('\\', 2) * 10 + s.FindChar('\\', 3) + s.FindChar('x', 8) * 100 +
          s.FindChar('x', 9) + s.FindChar('x', 10) + s.FindLastChar('\\') * 1000 + At(s, s.FindCharNoCase('t')); }, 7828, "=", -1},
      // Editing in place; ReplaceAll changes the capacity by the length
      // difference and searches again from the start ("ab" made across a join).
      {-1, "abcdef", [](S s) { return At(s, s.Truncate(1000)) + At(s, s.Truncate(6)) + At(s, s.Truncate(-5)); }, 0, "", -1},
      {-1, "a-b", [](S s) { return At(s, s.ReplaceAll("-", "+++")); }, 0, "a+++b", 261},
      {-1, "xxaaabbbyy", [](S s) { return At(s, s.ReplaceAll("ab", "c")); }, 0, "xxaacbbyy", -1},
      {-1, "abc", [](S s) { return At(s, s.ReplaceAll("", "x")) + At(s, s.ReplaceAll(nullptr, "x")) + At(s, s.ReplaceAll("b", "bb")); },
       -1, "=", -1},
      // Without a buffer nothing is read or written; every store takes a fresh one.
      {kBufferless, nullptr, [](S s) { char d[4] = "xyz"; return s.Capacity() + s.SetLength(1) + (s.Recount(), s.Length()) +
          At(s, s.CopyTo(d)) + strcmp(d, "xyz") + s.Compare("a") + s.Find("") + s.FindChar('a', 0) + At(s, s.Truncate(0)) +
          At(s, s.ReplaceAll("a", "b")) + At(s, s.EnsureTrailingBackslash()); }, -7, "<null>", 0},
      {kBufferless, nullptr, [](S s) { return Sum({s.Append("ab") * 10, s.Assign("abcdefghijklmnopqrstuvwxyz")}); }, 11,
       "abcdefghijklmnopqrstuvwxyz", 259},
  };
  RunSteps(steps);
}

// Outputs one below, at and one past each 260-byte step from small starts,
// from both sides of the 1 KB stack pass and around the 3 MiB ceiling. The
// plain loop grows by 260 bytes and formats again until the output fits,
// giving up (an empty text in 260 bytes) once the capacity has reached 3 MiB.
TEST_F(TextStringTest, FormatEndsWhereThePlainLoopEnds) {
  for (unsigned start : {1u, 260u, 1023u, 1024u, 1025u, kCeiling - 260, kCeiling - 1, kCeiling, kCeiling + 1})
    for (int offset : {-1, 0, 1, 260, 261}) {
      SCOPED_TRACE(testing::Message() << "start " << start << " length " << start + offset - 1);
      std::string output(std::max(0, static_cast<int>(start) + offset - 1), 'f');
      unsigned long long capacity = start;
      while (output.size() > capacity - 1 && capacity < kCeiling) capacity += 260;
      const bool fits = output.size() <= capacity - 1;
      TextString s(start);
      ASSERT_EQ(fits ? 1 : 0, s.Format("%s", output.c_str()));
      ASSERT_EQ(fits ? capacity : 260, static_cast<unsigned>(s.Capacity() + 1));
      ASSERT_TRUE((fits ? output : "") == Text(s));
    }
}

// 表's trail byte is no backslash, and no character starts on it.
TEST_F(TextStringTest, DoubleByteCharactersStayWholeIn932) {
  if (GetACP() != 932) GTEST_SKIP() << "runs in base_test.cp932 only";
  const Step steps[] = {
      {-1, "C:\\" HYO "\\x", [](S s) { return s.FindChar('\\', 0) * 100 + s.FindChar('\\', 4) * 10 + s.FindLastChar('\\'); }, 255, "=", -1},
      {-1, HYO "\\x", [](S s) { return s.Find("\\") * 100 + s.FindNoCase("\\X") * 10 + At(s, s.FindCharNoCase('\\')); }, 222, "=", -1},
      // 表's trail byte is a backslash: never the last one, nor a trailing one.
      {-1, "C:\\" HYO, [](S s) { return s.FindLastChar('\\') * 10 + At(s, s.EnsureTrailingBackslash()); }, 20,
       "C:\\" HYO "\\", -1},
      {-1, KANA_A "x", [](S s) { return s.CompareN(KANA_A "y", 2) * 10 + s.CompareN(KANA_A "y", 3) + s.CompareN("\x82\xA1", 1) * 100 +
          s.Compare("\xB1") * 1000; }, 999, "=", -1},  // a double-byte character cut by the limit: its lead byte alone
      // One byte of room beside the terminator: the two bytes of あ must still go in.
      {6, "abcd", [](S s) { return s.AppendWideChar(0x3042); }, 1, "abcd" KANA_A, -1},
      {4, nullptr, [](S s) { return s.AssignWide(L"\x3042\x3042\x3042"); }, 1, KANA_A KANA_A KANA_A, -1},
  };
  RunSteps(steps);
}

}  // namespace
