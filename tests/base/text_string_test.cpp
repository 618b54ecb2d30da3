#include "base/text_string.h"

#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "support/campaign_random.h"
#include "support/guarded_bytes.h"

namespace {

using testing_support::GuardedBytes;

const unsigned kCeiling = TextString::kFormatCeiling;
const int kBufferless = -2;  // the state an unmended allocation failure leaves

// Every test ends with a consistent runtime heap: a write before or past a
// buffer that hit a block header shows here.
class TextStringTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(_HEAPOK, _heapchk()); }
};
class TextString1252 : public TextStringTest {};
class TextStringCp932 : public TextStringTest {};

std::string Text(const TextString& s) { return s.Buffer() ? std::string(s.Buffer()) : "<null>"; }
// Offset of a returned pointer in the string's buffer, -1 for null.
int At(const TextString& s, const void* p) {
  return p ? static_cast<int>(static_cast<const char*>(p) - s.Buffer()) : -1;
}

// One operation on a fresh string of `start` bytes (-1: TextString(); or
// kBufferless) with `initial` text assigned first. Afterwards the text ("=":
// unchanged), Length() matching it, and the capacity (-1: not checked).
struct Step {
  int start;
  const char* initial;
  int (*op)(TextString&);
  int result;
  std::string text;
  int capacity;
};

void RunSteps(const Step* steps, size_t count) {
  DWORD startTick = GetTickCount();
  for (size_t i = 0; i < count; ++i) {
    const Step& c = steps[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    std::unique_ptr<TextString> s(c.start >= 0 ? new TextString(c.start) : new TextString());
    if (c.start == kBufferless) {
      volatile unsigned huge = 0xFFFFFFFFu;  // no allocator gives 4 GiB - 1 to a 32-bit process
      ASSERT_EQ(0, s->SetCapacity(huge));
    }
    if (c.initial) {
      ASSERT_EQ(1, s->Assign(c.initial));
    }
    EXPECT_EQ(c.result, c.op(*s));
    EXPECT_EQ(c.text == "=" ? std::string(c.initial ? c.initial : "<null>") : c.text, Text(*s));
    if (s->Buffer()) {
      EXPECT_EQ(strlen(s->Buffer()), static_cast<size_t>(s->Length()));
    }
    if (c.capacity >= 0) {
      EXPECT_EQ(c.capacity, s->Capacity());
    }
  }
  // The 3 MiB refusal by 260-byte retries takes minutes.
  EXPECT_LT(GetTickCount() - startTick, 10000u);
}

// Formats `length` zeros into a default string whose buffer grows back over
// 'Z' bytes; the count of bytes behind the text that are not zero.
int ZerosBehindFormat(TextString& s, int length) {
  s.SetCapacity(length + 100);
  memset(s.Buffer(), 'Z', length + 100);
  s.Reset(260);
  if (!s.Format("%0*d", length, 0)) return -1;
  return static_cast<int>(
      std::count_if(s.Buffer() + length + 1, s.Buffer() + s.Capacity() + 1, [](char c) { return c != 0; }));
}

#define STEPS(table) RunSteps(table, sizeof(table) / sizeof(table[0]))
typedef TextString& S;

TEST_F(TextStringTest, Operations) {
  static GuardedBytes guard;  // sources that end where readable memory ends
  const Step steps[] = {
      // Storage
      {0, nullptr, [](S s) { return s.Length(); }, 0, "", 0},
      {-1, "abcdef", [](S s) { return s.SetCapacity(4); }, 1, "abc", 3},
      {-1, "text", [](S s) { return s.Reset(50), 1; }, 1, "", 49},
      {16, nullptr, [](S s) { return memset(s.Buffer(), 'x', 16), s.Recount(), 1; }, 1, std::string(15, 'x'), 15},
      {10, nullptr, [](S s) { return memset(s.Buffer(), 'x', 10), s.SetLength(9); }, 1, "xxxxxxxx", 9},
      {10, "hello", [](S s) { return s.SetLength(10) + s.SetLength(0); }, 0, "=", 9},
      {10, "hello", [](S s) { return s.SetLength(3); }, 1, "he", 9},
      {8, nullptr, [](S s) { return memset(s.Buffer(), 'x', 8), s.Assign("ab"), s.CharAt(2) + s.CharAt(3) +
          s.CharAt(-1); }, 0, "ab", 7},
      // Assignment
      {-1, "x", [](S s) { return s.Assign(static_cast<const char*>(nullptr)); }, 1, "", 259},
      {-1, "x", [](S s) { return s.AssignN(nullptr, 5) * 10 + s.Assign("y") + s.AssignWide(nullptr); }, 12, "", -1},
      {4, nullptr, [](S s) { return s.AssignN("abcdefgh", 8); }, 1, "abcdefgh", 8},
      {4, nullptr, [](S s) { return s.AssignN(reinterpret_cast<const char*>(guard.Place("abc", 4)), 100); },
       1, "abc", 100},
      {-1, nullptr, [](S s) { return s.AssignWideN(reinterpret_cast<const WCHAR*>(guard.Place(L"wide", 10)), 1000); },
       1, "wide", -1},
      {3, nullptr, [](S s) { return s.AssignWideN(L"abcdef", 6); }, 1, "abcdef", 6},
      {-1, nullptr, [](S s) { return s.AssignWideN(L"abcdef", 3); }, 1, "abc", -1},
      {-1, "hello world", [](S s) { return s.Assign(s.Buffer() + 6); }, 1, "world", -1},
      {4, "abc", [](S s) { return s.AssignN(s.Buffer() + 1, 10); }, 1, "bc", 10},  // grows: the source moves
      {-1, nullptr, [](S s) { return s = L"wi", s += "d", s += 'e', s += L"!", s = s.Buffer() + 1, 1; }, 1, "ide!", -1},
      {-1, nullptr, [](S s) { TextString t; t.Assign("copy"); s = t;
          return static_cast<int>(s.Buffer() != t.Buffer()); }, 1, "copy", -1},
      {-1, "keep?", [](S s) { return s.AssignN("abc", 0xFFFFFFFFu); }, 0, "", 259},  // count + 1 overflows
      {-1, "keep?", [](S s) { return s.AssignWideN(L"abc", 0xFFFFFFFFu); }, 0, "", 259},
      // Appending
      {-1, nullptr, [](S s) { return s.Assign(std::string(259, 'a').c_str()) + s.AppendChar('b'); },
       2, std::string(259, 'a') + "b", 280},
      {10, "abcde", [](S s) { return s.Append("fghi"); }, 1, "abcdefghi", 9},
      {10, "abcdefghi", [](S s) { return s.Append("j"); }, 1, "abcdefghij", 30},
      {4, "abc", [](S s) { return s.Append(s.Buffer() + 1); }, 1, "abcbc", 25},
      {-1, "ab", [](S s) { return s.Append("") + s.Append(nullptr) + s.AppendChar(0) + s.AppendWide(nullptr) +
          s.AppendWide(L"") + s.AppendWideChar(0); }, 6, "ab", -1},
      {5, "ab", [](S s) { return s.AppendWide(L"cd"); }, 1, "abcd", 4},
      {5, "abcd", [](S s) { return s.AppendWide(L"e") + s.AppendWideChar(L'f'); }, 2, "abcdef", 25},
      {10, "abc", [](S s) { return s.AppendBytes("defghijk", 8); }, 1, "abcdefghijk", 19},  // doubles
      {4, "a", [](S s) { return s.AppendBytes("bcdefghij", 9); }, 1, "abcdefghij", 10},    // more than double
      {-1, "C:\\Temp", [](S s) { return At(s, s.EnsureTrailingBackslash()) + At(s, s.EnsureTrailingBackslash()); },
       0, "C:\\Temp\\", -1},
      {-1, "", [](S s) { return At(s, s.EnsureTrailingBackslash()); }, 0, "", -1},
      // Formatting: the exact fit is terminated (also over 'Z' bytes), one
      // more character takes one step of 260; past 3 MiB is refused.
      {-1, "", [](S s) { return s.Format("%s_%08X_%d_%I64d", "n", 0xBEEFu, -5, 1234567890123ll); },
       1, "n_0000BEEF_-5_1234567890123", 259},
      {-1, "old", [](S s) { return s.Format(nullptr); }, 0, "", -1},
      {11, nullptr, [](S s) { return memset(s.Buffer(), 'Z', 11), s.Format("%s", "0123456789"); }, 1, "0123456789", 10},
      {11, nullptr, [](S s) { return s.Format("%s", "0123456789A"); }, 1, "0123456789A", 270},
      {-1, "old", [](S s) { return s.Format("%*s", 3145739, ""); }, 1, std::string(3145739, ' '), 3145739},
      {-1, "old", [](S s) { return s.Format("%*s", 3145740, ""); }, 0, "", 259},
      {-1, "old", [](S s) { return s.Format("%*s", 64 << 20, "x") + s.Format("%d", 7); }, 1, "7", 259},
      // Growth leaves zeros behind the text, also where the old bytes were
      // 'Z': 260 -> 520 (too small) -> 780.
      {-1, nullptr, [](S s) { return ZerosBehindFormat(s, 600); }, 0, std::string(600, '0'), 779},
      // Comparison and search
      {-1, "abc", [](S s) { return s.Compare("abd"); }, -1, "=", -1},
      {-1, "abc", [](S s) { return s.Compare("ab"); }, 1, "=", -1},
      {-1, "abc", [](S s) { return s.Compare("ABC"); }, 1, "=", -1},
      {-1, "abc", [](S s) { return s.Compare(nullptr); }, 1, "=", -1},
      {-1, "abc", [](S s) { return s.CompareN("abX", 2); }, 0, "=", -1},
      {-1, "abc", [](S s) { return s.CompareN("abz", 3); }, -1, "=", -1},
      {-1, "abc", [](S s) { TextString t; t.Assign("abd"); return s.Differs(t) * 2 + s.Differs(s); }, 2, "=", -1},
      {-1, "hello world", [](S s) { return s.Find("o w"); }, 4, "=", -1},
      {-1, "hello world", [](S s) { return s.Find("worlds") + s.Find("O") + s.Find(nullptr); }, -3, "=", -1},
      {-1, "hello world", [](S s) { return At(s, s.FindAt("world")) * 10 + At(s, s.FindAt("x")); }, 59, "=", -1},
      {-1, "ROOT\\x;usb\\vid_14aa&pid_0161;uSB\\vid_14AA&pid_0160&REV",
          [](S s) { return s.FindNoCase("USB\\VID_14aa&PID_0160"); }, 29, "=", -1},
      {-1, "abcUS", [](S s) { return s.FindNoCase("usb") + s.FindNoCase(nullptr); }, -2, "=", -1},  // ends inside
      {-1, "x", [](S s) { return s.FindNoCase(""); }, 0, "=", -1},
      {-1, "C:\\Temp\\x", [](S s) { return s.FindChar('\\', 2) * 10 + s.FindChar('\\', 3); }, 27, "=", -1},
      {-1, "C:\\Temp\\x", [](S s) { return s.FindChar('x', 9) + s.FindChar('x', 10) + s.FindChar('C', -1) +
          s.FindChar(0, 0) + s.FindChar('q', 0); }, -5, "=", -1},
      {-1, "C:\\Temp\\x", [](S s) { return s.FindLastChar('\\') * 10 + s.FindLastChar('q') + s.FindLastChar(0); },
       68, "=", -1},
      {-1, "C:\\Temp\\x", [](S s) { return At(s, s.FindCharNoCase('t')) * 10 + At(s, s.FindCharNoCase('c')); },
       30, "=", -1},
      {-1, "copy", [](S s) { char d[8]; WCHAR w[8]; return At(s, s.CopyTo(d)) + strcmp(d, "copy") +
          (s.ToWide(w) != w) + wcscmp(w, L"copy") + wcscmp(s.ToWide(nullptr), L"copy"); }, 0, "=", -1},
      // Editing in place
      {-1, "abcdef", [](S s) { return At(s, s.Truncate(1000)) + At(s, s.Truncate(6)); }, 0, "=", -1},
      {-1, "abcdef", [](S s) { return At(s, s.Truncate(3)); }, 0, "abc", -1},
      {-1, "abcdef", [](S s) { return At(s, s.Truncate(-5)); }, 0, "", -1},
      {-1, ",a,b,,c", [](S s) { return At(s, s.Tokenize(1, ",")) * 10 + !strcmp("b", s.Tokenize(0, ",")) +
          !strcmp("c", s.Tokenize(2, ",")) + !s.Tokenize(0, ",") + !s.Tokenize(1, nullptr); }, 14, ",a", -1},
      // ReplaceAll: the capacity changes by the length difference at each
      // replacement; the search starts again from the beginning, so "ab"
      // made across a join is replaced too.
      {-1, "C:\\Windows\\inf\\oem12.inf", [](S s) { return At(s, s.ReplaceAll(".inf", ".pnf")); },
       0, "C:\\Windows\\inf\\oem12.pnf", 259},
      {-1, "a.inf.inf-b.inf", [](S s) { return At(s, s.ReplaceAll(".inf", ".x")); }, 0, "a.x.x-b.x", 253},
      {-1, "a-b", [](S s) { return At(s, s.ReplaceAll("-", "+++")); }, 0, "a+++b", 261},
      {-1, "xxaaabbbyy", [](S s) { return At(s, s.ReplaceAll("ab", "c")); }, 0, "xxaacbbyy", -1},
      {-1, "xxaaabbbyy", [](S s) { return At(s, s.ReplaceAll("ab", nullptr)); }, 0, "xxyy", -1},
      {-1, "abc", [](S s) { return At(s, s.ReplaceAll("", "x")) + At(s, s.ReplaceAll(nullptr, "x")); }, 0, "=", -1},
      {-1, "abc", [](S s) { return At(s, s.ReplaceAll("b", "bb")) + At(s, s.ReplaceAll("b", "b")); }, -2, "=", -1},
      // Without a buffer: nothing is read or written, every store takes a
      // fresh buffer.
      {kBufferless, nullptr, [](S s) { return s.Length() + s.Capacity() + s.CharAt(0) + s.SetLength(1) +
          (s.Recount(), s.Length()); }, 0, "<null>", 0},
      {kBufferless, nullptr, [](S s) { char d[4] = "xyz"; return At(s, s.CopyTo(d)) + strcmp(d, "xyz"); },
       -1, "<null>", -1},
      {kBufferless, nullptr, [](S s) { return s.Compare("") + s.Compare("a") + s.CompareN("a", 0) + s.Differs(s); },
       -1, "<null>", -1},
      {kBufferless, nullptr, [](S s) { return s.Find("a") + s.Find("") + s.FindNoCase("") + s.FindChar('a', 0) +
          s.FindLastChar('a'); }, -5, "<null>", -1},
      {kBufferless, nullptr, [](S s) { WCHAR w[4]; return At(s, s.FindAt("a")) + At(s, s.FindCharNoCase('a')) +
          At(s, s.Truncate(0)) + At(s, s.ReplaceAll("a", "b")) + At(s, s.Tokenize(1, ",")) +
          At(s, s.ToWide(nullptr)) + At(s, s.ToWide(w)) + At(s, s.EnsureTrailingBackslash()); }, -8, "<null>", -1},
      {kBufferless, nullptr, [](S s) { return s.Append("ab"); }, 1, "ab", 259},
      {kBufferless, nullptr, [](S s) { return s.Assign("abc"); }, 1, "abc", 3},
      {kBufferless, nullptr, [](S s) { return s.Format("%d", 42); }, 1, "42", -1},
      {kBufferless, nullptr, [](S s) { return s.Reset(8), 1; }, 1, "", 7},
  };
  STEPS(steps);
}

// Where the plain loop (grow by 260 bytes and format again until the output
// fits, giving up once the capacity has reached 3 MiB) ends for an output
// of `length` from `start` bytes: the result and the capacity in bytes.
std::pair<int, unsigned> PlainLoop(unsigned start, unsigned length) {
  unsigned long long capacity = start;
  while (length > capacity - 1) {
    if (capacity >= kCeiling) return {0, 260};
    capacity += 260;
  }
  return {1, static_cast<unsigned>(capacity)};
}

void ExpectPlainLoop(unsigned start, unsigned length, const std::string& output, int result, const TextString& s) {
  std::pair<int, unsigned> expected = PlainLoop(start, length);
  ASSERT_EQ(expected.first, result);
  ASSERT_EQ(expected.second, static_cast<unsigned>(s.Capacity() + 1));
  ASSERT_TRUE((expected.first ? output : "") == Text(s));
}

// Outputs that fill each 260-byte step exactly and by one more, from small
// starts and from starts and lengths around the 3 MiB ceiling.
TEST_F(TextStringTest, FormatEndsWhereThePlainLoopEnds) {
  std::vector<std::pair<unsigned, long long>> cases;
  for (unsigned start : {1u, 260u, 1000u, kCeiling - 260, kCeiling - 1, kCeiling, kCeiling + 1})
    for (int offset : {0, 1, 260, 261, 520, 521}) cases.push_back({start, static_cast<long long>(start) + offset - 1});
  for (unsigned length : {3145739u, 3145740u}) cases.push_back({260, length});
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": start " << cases[i].first << " length " << cases[i].second);
    unsigned length = static_cast<unsigned>(cases[i].second);
    std::string output(length, 'f');
    TextString s(cases[i].first);
    int result = s.Format("%s", output.c_str());
    ASSERT_NO_FATAL_FAILURE(ExpectPlainLoop(cases[i].first, length, output, result, s));
  }
}

// A negative width pads on the right, as printf's "*" takes it.
std::string Padded(const std::string& piece, int width) {
  std::string padding(std::max(0, abs(width) - static_cast<int>(piece.size())), ' ');
  return width < 0 ? piece + padding : padding + piece;
}

// Literal format text: printable ASCII, "%%" now and then.
void AddLiteral(testing_support::CampaignRandom& random, std::string* format, std::string* output) {
  for (unsigned n = random.Below(8); n > 0; --n) {
    char c = random.OneIn(6) ? '%' : static_cast<char>('&' + random.Below(89));  // '&' to '~'
    *format += c == '%' ? "%%" : std::string(1, c);
    *output += c;
  }
}

// A case is one format of literal text and three "%*.*s" conversions
// (right or, by a negative width, left-justified) of random texts (most short, some of a few hundred KB, a few
// near 3 MiB), the last width stretched so that the output ends at, one
// before or one past a 260-byte step from a random start capacity.
TEST_F(TextStringTest, RandomFormatsAroundTheSteps) {
  const unsigned kSeed = 20240614;
  static const unsigned kStarts[] = {1, 2, 100, 259, 260, 261, 1000};
  testing_support::CampaignRandom random(kSeed);
  for (int i = 0; i < 10000; ++i) {
    unsigned start = random.OneIn(2) ? random.Pick(kStarts) : 1 + random.Below(5000);
    std::string format, output, texts[3], pieces[3], tail;
    int widths[3], precisions[3];
    for (int k = 0; k < 3; ++k) {
      AddLiteral(random, &format, &output);
      size_t length = random.OneIn(50) ? random.Below(300000) : random.Below(300);
      if (random.OneIn(1000)) length = kCeiling - 2000 + random.Below(3000);
      texts[k].assign(length, static_cast<char>('a' + random.Below(26)));
      if (length) texts[k][random.Below(length)] = '#';
      precisions[k] = static_cast<int>(random.OneIn(3) ? random.Below(length + 1) : length + random.Below(9));
      pieces[k] = texts[k].substr(0, precisions[k]);
      widths[k] = random.OneIn(3) ? 0 : std::max(0, static_cast<int>(pieces[k].size() + random.Below(24)) - 4);
      // A left-justified conversion is given as a negative width.
      if (random.OneIn(2)) widths[k] = -widths[k];
      format += "%*.*s";
      if (k < 2) output += Padded(pieces[k], widths[k]);
    }
    AddLiteral(random, &format, &tail);
    // Stretch the last conversion's width to end near a step boundary.
    long long shortest = output.size() + std::max<size_t>(pieces[2].size(), abs(widths[2])) + tail.size();
    long long target = start - 1 + 260 * ((std::max(shortest - start + 1, 0ll) + 259) / 260) + random.Below(4) - 2;
    if (target < shortest) target += 260;
    widths[2] = (widths[2] < 0 ? -1 : 1) * static_cast<int>(target - output.size() - tail.size());
    output += Padded(pieces[2], widths[2]) + tail;
    ASSERT_EQ(static_cast<size_t>(target), output.size());

    SCOPED_TRACE(testing::Message() << "format \"" << format << "\", output of " << output.size()
                                    << " bytes from capacity " << start << ", case " << i << " of seed " << kSeed);
    TextString s(start);
    int result = s.Format(format.c_str(), widths[0], precisions[0], texts[0].c_str(), widths[1], precisions[1],
                          texts[1].c_str(), widths[2], precisions[2], texts[2].c_str());
    ASSERT_NO_FATAL_FAILURE(ExpectPlainLoop(start, static_cast<unsigned>(output.size()), output, result, s));
  }
}

TEST_F(TextStringTest, ReplaceAllAllocationFailureRecovers) {
  // A 64 MiB string, then the address space is taken in 16 MiB blocks until
  // none is left: the replacement's new 64 MiB buffer cannot be had.
  TextString s(64u << 20);
  if (!s.Buffer()) GTEST_SKIP() << "no 64 MiB block to start with";
  s.Assign("oem1.inf");
  std::vector<void*> held;
  for (void* block; held.size() < 512 && (block = malloc(16u << 20)) != nullptr;) held.push_back(block);
  char* result = s.ReplaceAll(".inf", ".pnf");
  for (void* block : held) free(block);
  ASSERT_LT(held.size(), 512u) << "the address space did not run out";
  EXPECT_EQ(nullptr, result);
  EXPECT_EQ(259, s.Capacity()) << "the usual recovery: an empty 260-byte string";
  // A size of 0 with a live buffer would make this write at index -1.
  EXPECT_EQ(1, s.Append("after"));
  EXPECT_EQ("after", Text(s));
}

// --- Code pages: 1252, and 932 (Shift-JIS), where 表 is 0x95 0x5C: its
// trail byte is a backslash.

TEST(CodePageRun, IsTheOneRequested) {
  const char* lcAll = getenv("LC_ALL");
  std::string requested = lcAll ? lcAll : "";
  if (requested.compare(0, 5, "ja_JP") == 0)
    EXPECT_EQ(932u, GetACP()) << "LC_ALL=" << requested << " must give Shift-JIS";
  else if (requested == "C")
    EXPECT_EQ(1252u, GetACP());
  else
    GTEST_SKIP() << "LC_ALL=" << requested << ": no code page expected";
}

TEST_F(TextString1252, HighBytesAreSingleCharacters) {
  REQUIRE_ANSI_CODE_PAGE(1252u);
  const Step steps[] = {
      {-1, "C:\\\x95\x5C\\x", [](S s) { return s.FindChar('\\', 3) * 10 + s.FindLastChar('\\'); }, 45, "=", -1},
      {-1, "C:\\\x95\x5C", [](S s) { return At(s, s.EnsureTrailingBackslash()); }, 0, "=", -1},
      {-1, "\xB1", [](S s) { return s.Compare("\x82\xA0"); }, 1, "=", -1},
      {-1, "une \xC9" "COLE", [](S s) { return s.FindNoCase("\xE9" "cole") * 10 + At(s, s.FindCharNoCase('\xE9')); },
       44, "=", -1},
      {-1, nullptr, [](S s) { WCHAR w[16]; return s.AssignWide(L"caf\x00E9 \x20AC") +
          !wcscmp(L"caf\x00E9 \x20AC", s.ToWide(w)); }, 2, "caf\xE9 \x80", -1},
  };
  STEPS(steps);
}

#define HYO "\x95\x5C"
#define KANA_A "\x82\xA0"  // あ

TEST_F(TextStringCp932, DoubleByteCharactersStayWhole) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  const Step steps[] = {
      {-1, "C:\\" HYO "\\x", [](S s) { return s.FindChar('\\', 0) * 100 + s.FindChar('\\', 4) * 10 +
          s.FindLastChar('\\'); }, 255, "=", -1},
      {-1, HYO, [](S s) { return s.FindChar('\\', 0) + s.FindLastChar('\\') + s.Find("\\") + s.FindNoCase("\\") +
          At(s, s.FindCharNoCase('\\')); }, -5, "=", -1},
      {-1, HYO "\\x", [](S s) { return s.Find("\\x") * 100 + s.FindNoCase("\\X") * 10 +
          At(s, s.FindCharNoCase('\\')); }, 222, "=", -1},
      {-1, "C:\\" HYO, [](S s) { return At(s, s.EnsureTrailingBackslash()) + At(s, s.EnsureTrailingBackslash()); },
       0, "C:\\" HYO "\\", -1},
      {-1, HYO "\\x", [](S s) { return At(s, s.ReplaceAll("\\", "/")); }, 0, HYO "/x", -1},
      {-1, "\xB1", [](S s) { return s.Compare(KANA_A); }, -1, "=", -1},
      {-1, KANA_A "x", [](S s) { return s.CompareN(KANA_A "y", 2) * 10 + s.CompareN(KANA_A "y", 3); }, -1, "=", -1},
      {-1, KANA_A "x", [](S s) { return s.CompareN("\x82\xA1", 1); }, 0, "=", -1},  // cut: the lead byte alone
      {4, nullptr, [](S s) { return s.AssignWide(L"\x3042\x3042\x3042"); }, 1, KANA_A KANA_A KANA_A, -1},
      // One byte of room beside the terminator: the two bytes of あ must still go in.
      {6, "abcd", [](S s) { WCHAR w[16]; return s.AppendWideChar(0x3042) + s.AppendWide(L"\x3042\x3042") +
          !wcscmp(L"abcd\x3042\x3042\x3042", s.ToWide(w)); }, 3, "abcd" KANA_A KANA_A KANA_A, -1},
  };
  STEPS(steps);
  TextString s;
  s.Assign(HYO "\\x\\" HYO);
  EXPECT_STREQ(HYO, s.Tokenize(1, "\\"));
  EXPECT_STREQ("x", s.Tokenize(0, "\\"));
  EXPECT_STREQ(HYO, s.Tokenize(0, "\\"));
  EXPECT_EQ(nullptr, s.Tokenize(0, "\\"));
}

}  // namespace
