#include "base/text_string.h"

#include <malloc.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "support/campaign_random.h"
#include "support/guarded_bytes.h"

namespace {

using testing_support::GuardedBytes;

const unsigned kCeiling = TextString::kFormatCeiling;

// Every test ends with a consistent runtime heap: a write before or past a
// buffer that hit a block header shows here.
class TextStringTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(_HEAPOK, _heapchk()); }
};
class TextString1252 : public TextStringTest {};
class TextStringCp932 : public TextStringTest {};

std::string Text(const TextString& s) { return s.Buffer() ? std::string(s.Buffer()) : "<null>"; }

// A string with no buffer: what an allocation failure that even the 260-byte
// recovery could not mend leaves.
void MakeBufferless(TextString& s) {
  volatile unsigned huge = 0xFFFFFFFFu;  // no allocator gives 4 GiB - 1 to a 32-bit process
  ASSERT_EQ(0, s.SetCapacity(huge));
  ASSERT_EQ(nullptr, s.Buffer());
}

// --- Construction and storage ------------------------------------------------

TEST_F(TextStringTest, NewStringIsEmptyWith260Bytes) {
  TextString s;
  EXPECT_EQ(0, s.Length());
  EXPECT_EQ(259, s.Capacity());
  ASSERT_NE(nullptr, s.Buffer());
  EXPECT_EQ(0, s.Buffer()[0]);
  EXPECT_EQ(0, s.CharAt(0));
}

TEST_F(TextStringTest, ConstructWithCapacity) {
  TextString ten(10);
  EXPECT_EQ(9, ten.Capacity());
  EXPECT_EQ(0, ten.Length());
  TextString zero(0);  // taken as 1
  EXPECT_EQ(0, zero.Capacity());
  ASSERT_NE(nullptr, zero.Buffer());
  EXPECT_EQ("", Text(zero));
}

TEST_F(TextStringTest, SetCapacityCutsLongerText) {
  TextString s;
  s.Assign("abcdef");
  ASSERT_EQ(1, s.SetCapacity(4));
  EXPECT_EQ("abc", Text(s));
  EXPECT_EQ(3, s.Length());
  EXPECT_EQ(3, s.Capacity());
  ASSERT_EQ(1, s.SetCapacity(100));
  EXPECT_EQ("abc", Text(s));
}

TEST_F(TextStringTest, ResetGivesEmptyTextOfCapacity) {
  TextString s;
  s.Assign("text");
  s.Reset(50);
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(49, s.Capacity());
}

TEST_F(TextStringTest, RecountAfterPlatformWrite) {
  TextString s;
  DWORD written = GetTempPathA(s.Capacity(), s.Buffer());
  ASSERT_GT(written, 0u);
  s.Recount();
  EXPECT_EQ(static_cast<int>(written), s.Length());
  EXPECT_EQ('\\', s.CharAt(s.Length() - 1));
}

TEST_F(TextStringTest, RecountOfUnterminatedBufferStaysInside) {
  TextString s(16);
  memset(s.Buffer(), 'x', 16);  // every byte, the last included
  s.Recount();
  EXPECT_EQ(15, s.Length());
  EXPECT_EQ(std::string(15, 'x'), Text(s));
}

TEST_F(TextStringTest, SetLengthKeepsFirstBytes) {
  TextString s;
  s.Reset(10);
  memcpy(s.Buffer(), "hello", 5);
  ASSERT_EQ(1, s.SetLength(6));
  EXPECT_EQ("hello", Text(s));
  EXPECT_EQ(5, s.Length());
  EXPECT_EQ(0, s.SetLength(0));
  EXPECT_EQ(0, s.SetLength(10));  // more than Capacity() (9)
  EXPECT_EQ(1, s.SetLength(9));
  EXPECT_EQ(8, s.Length());
  EXPECT_EQ(1, s.SetLength(3));
  EXPECT_EQ("he", Text(s));
}

TEST_F(TextStringTest, CopyToAndCharAt) {
  TextString s;
  s.Assign("copy me");
  char dest[16];
  memset(dest, 'Z', sizeof(dest));
  EXPECT_EQ(s.Buffer(), s.CopyTo(dest));
  EXPECT_STREQ("copy me", dest);
  EXPECT_EQ(s.Buffer(), s.CopyTo(nullptr));
  EXPECT_EQ('c', s.CharAt(0));
  EXPECT_EQ('e', s.CharAt(6));
  EXPECT_EQ(0, s.CharAt(s.Length()));
  EXPECT_EQ(0, s.CharAt(-1));
  EXPECT_EQ(0, s.CharAt(1000));
}

// --- Assignment ----------------------------------------------------------------

TEST_F(TextStringTest, AssignNullAndEmpty) {
  TextString s;
  s.Assign("x");
  EXPECT_EQ(1, s.Assign(static_cast<const char*>(nullptr)));
  EXPECT_EQ("", Text(s));
  s.Assign("x");
  EXPECT_EQ(1, s.AssignWide(nullptr));
  EXPECT_EQ("", Text(s));
  s.Assign("x");
  EXPECT_EQ(1, s.AssignWide(L""));
  EXPECT_EQ("", Text(s));
  s.Assign("x");
  EXPECT_EQ(1, s.AssignN(nullptr, 5));
  EXPECT_EQ("", Text(s));
  s.Assign("x");
  EXPECT_EQ(1, s.Assign(""));
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(259, s.Capacity());
}

TEST_F(TextStringTest, AssignNCopiesCountBytes) {
  TextString s;
  EXPECT_EQ(1, s.AssignN("abc", 2));
  EXPECT_EQ("ab", Text(s));
  EXPECT_EQ(2, s.Length());
  EXPECT_EQ(1, s.AssignN("ab\0cd", 5));
  EXPECT_EQ("ab", Text(s));
  EXPECT_EQ(2, s.Length());
}

TEST_F(TextStringTest, AssignNGrowsToExactlyCountPlusOne) {
  TextString s(4);
  ASSERT_EQ(1, s.AssignN("abcdefgh", 8));
  EXPECT_EQ(8, s.Capacity());  // 9 bytes
  EXPECT_EQ("abcdefgh", Text(s));
  ASSERT_EQ(1, s.AssignN("xy", 2));
  EXPECT_EQ(8, s.Capacity()) << "no shrinking";
}

TEST_F(TextStringTest, AssignNNeverReadsPastTheSourceTerminator) {
  GuardedBytes guard;
  const char* source = reinterpret_cast<const char*>(guard.Place("abc", 4));  // ends at the guard
  TextString s(4);
  ASSERT_EQ(1, s.AssignN(source, 100));
  EXPECT_EQ("abc", Text(s));
  EXPECT_EQ(100, s.Capacity()) << "still grows to count + 1";
}

TEST_F(TextStringTest, AssignWideNNeverReadsPastTheSourceTerminator) {
  GuardedBytes guard;
  const WCHAR* source = reinterpret_cast<const WCHAR*>(guard.Place(L"wide", 5 * sizeof(WCHAR)));
  TextString s;
  ASSERT_EQ(1, s.AssignWideN(source, 1000));
  EXPECT_EQ("wide", Text(s));
}

TEST_F(TextStringTest, AssignNOfOwnText) {
  TextString s;
  s.Assign("hello world");
  ASSERT_EQ(1, s.Assign(s.Buffer() + 6));
  EXPECT_EQ("world", Text(s));
  TextString small(4);
  small.Assign("abc");
  ASSERT_EQ(1, small.AssignN(small.Buffer() + 1, 10));  // grows, source moves
  EXPECT_EQ("bc", Text(small));
  s = s;
  EXPECT_EQ("world", Text(s));
}

TEST_F(TextStringTest, AssignChar) {
  TextString s;
  EXPECT_EQ(1, s.AssignChar('x'));
  EXPECT_EQ("x", Text(s));
  EXPECT_EQ(1, s.AssignChar(0));
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(0, s.Length());
}

TEST_F(TextStringTest, AssignmentOperators) {
  TextString s;
  TextString other;
  other.Assign("other");
  EXPECT_EQ(&s, &(s = "narrow"));
  EXPECT_EQ("narrow", Text(s));
  EXPECT_EQ(&s, &(s = L"wide"));
  EXPECT_EQ("wide", Text(s));
  EXPECT_EQ(&s, &(s = 'c'));
  EXPECT_EQ("c", Text(s));
  EXPECT_EQ(&s, &(s = other));
  EXPECT_EQ("other", Text(s));
  EXPECT_NE(s.Buffer(), other.Buffer());
  EXPECT_EQ(1, s.Assign(other));
}

TEST_F(TextStringTest, AssignWideNGrowsToUnitsPlusOne) {
  TextString s(3);
  ASSERT_EQ(1, s.AssignWideN(L"abcdef", 6));
  EXPECT_EQ(6, s.Capacity());
  EXPECT_EQ("abcdef", Text(s));
  ASSERT_EQ(1, s.AssignWideN(L"abcdef", 3));
  EXPECT_EQ("abc", Text(s));
  ASSERT_EQ(1, s.AssignWideN(L"ab\0cd", 5));
  EXPECT_EQ("ab", Text(s));
}

TEST_F(TextStringTest, AssignOfHugeCountFailsIntoRecovery) {
  TextString s;
  s.Assign("keep?");
  volatile unsigned huge = 0xFFFFFFF0u;
  EXPECT_EQ(0, s.AssignN("abc", huge));
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(259, s.Capacity());
  s.Assign("x");
  EXPECT_EQ(0, s.AssignN("abc", 0xFFFFFFFFu)) << "count + 1 does not fit 32 bits";
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(259, s.Capacity());
  s.Assign("x");
  EXPECT_EQ(0, s.AssignWideN(L"abc", 0xFFFFFFFFu));
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(259, s.Capacity());
}

// --- Appending --------------------------------------------------------------------

TEST_F(TextStringTest, AppendCharTo259CharsGrowsTo281) {
  TextString s;
  ASSERT_EQ(1, s.Assign(std::string(259, 'a').c_str()));
  ASSERT_EQ(259, s.Capacity()) << "exactly full: 259 characters and the terminator";
  ASSERT_EQ(1, s.AppendChar('b'));
  EXPECT_EQ(280, s.Capacity());  // 281 bytes
  EXPECT_EQ(260, s.Length());
  EXPECT_EQ(std::string(259, 'a') + "b", Text(s));
}

TEST_F(TextStringTest, AppendGrowsWithSlack) {
  TextString s(10);
  s.Assign("abcde");
  ASSERT_EQ(1, s.Append("fghi"));  // size 10: fits exactly
  EXPECT_EQ(9, s.Capacity());
  ASSERT_EQ(1, s.Append("j"));  // size 11 > 10: grows to 31
  EXPECT_EQ(30, s.Capacity());
  EXPECT_EQ("abcdefghij", Text(s));
  EXPECT_EQ(10, s.Length());
  EXPECT_EQ(&s, &(s += "k"));
  EXPECT_EQ(&s, &(s += 'l'));
  EXPECT_EQ("abcdefghijkl", Text(s));
}

TEST_F(TextStringTest, AppendOfOwnTextWhileGrowing) {
  TextString s(4);
  s.Assign("abc");
  ASSERT_EQ(1, s.Append(s.Buffer()));
  EXPECT_EQ("abcabc", Text(s));
  ASSERT_EQ(1, s.Append(s.Buffer() + 4));
  EXPECT_EQ("abcabcbc", Text(s));
}

TEST_F(TextStringTest, AppendNothing) {
  TextString s;
  s.Assign("ab");
  EXPECT_EQ(1, s.Append(""));
  EXPECT_EQ(1, s.Append(nullptr));
  EXPECT_EQ(1, s.AppendChar(0));
  EXPECT_EQ(1, s.AppendWide(nullptr));
  EXPECT_EQ(1, s.AppendWide(L""));
  EXPECT_EQ(1, s.AppendWideChar(0));
  EXPECT_EQ("ab", Text(s));
  EXPECT_EQ(2, s.Length());
}

TEST_F(TextStringTest, AppendWideGrowsByUnitCount) {
  TextString s(5);
  s.Assign("ab");
  ASSERT_EQ(1, s.AppendWide(L"cd"));  // needed 5, fits
  EXPECT_EQ(4, s.Capacity());
  ASSERT_EQ(1, s.AppendWide(L"efgh"));  // needed 9 > 5: grows to 29
  EXPECT_EQ(28, s.Capacity());
  ASSERT_EQ(1, s.AppendWideChar(L'i'));
  EXPECT_EQ("abcdefghi", Text(s));
  EXPECT_EQ(&s, &(s += L"j"));
  EXPECT_EQ("abcdefghij", Text(s));
}

TEST_F(TextStringTest, EnsureTrailingBackslash) {
  TextString s;
  s.Assign("C:\\Temp");
  EXPECT_EQ(s.Buffer(), s.EnsureTrailingBackslash());
  EXPECT_EQ("C:\\Temp\\", Text(s));
  EXPECT_EQ(s.Buffer(), s.EnsureTrailingBackslash());
  EXPECT_EQ("C:\\Temp\\", Text(s));
  s.Assign("");
  EXPECT_EQ(s.Buffer(), s.EnsureTrailingBackslash());
  EXPECT_EQ("", Text(s));
  TextString bufferless;
  MakeBufferless(bufferless);
  EXPECT_EQ(nullptr, bufferless.EnsureTrailingBackslash());
}

// --- Formatting -----------------------------------------------------------------------

TEST_F(TextStringTest, FormatSimple) {
  TextString s;
  ASSERT_EQ(1, s.Format("%s_%08X_%d_%I64d", "name", 0xBEEFu, -5, 1234567890123ll));
  EXPECT_EQ("name_0000BEEF_-5_1234567890123", Text(s));
  EXPECT_EQ(259, s.Capacity());
  ASSERT_EQ(1, s.Format("%s", ""));
  EXPECT_EQ("", Text(s));
}

TEST_F(TextStringTest, FormatGrowsInStepsWithZerosBehindTheText) {
  // 600 characters: 260 -> 520 (too small) -> 780. 2000 (past the short
  // outputs formatted on the stack): 260 -> ... -> 2080.
  const struct {
    int length;
    int capacity;
  } cases[] = {{600, 779}, {2000, 2079}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    std::string expected(cases[i].length, 'q');
    TextString s;
    // Dirty the memory the buffer is likely to grow back into, so the zeros
    // behind the text must come from the formatting.
    ASSERT_EQ(1, s.SetCapacity(cases[i].capacity + 1));
    memset(s.Buffer(), 'Z', cases[i].capacity + 1);
    ASSERT_EQ(1, s.SetCapacity(260));
    s.Buffer()[0] = 0;
    s.Recount();
    ASSERT_EQ(1, s.Format("%s", expected.c_str())) << "case " << i;
    EXPECT_EQ(expected, Text(s)) << "case " << i;
    EXPECT_EQ(cases[i].capacity, s.Capacity()) << "case " << i;
    // Each retry starts from a zeroed buffer: nothing behind the text.
    for (int at = cases[i].length + 1; at <= cases[i].capacity; ++at)
      ASSERT_EQ(0, s.Buffer()[at]) << "case " << i << " byte " << at;
  }
}

TEST_F(TextStringTest, FormatExactFitIsTerminated) {
  // The formatter writes exactly capacity-1 characters and no terminator;
  // the byte behind them holds whatever was there ('Z').
  TextString s(11);
  memset(s.Buffer(), 'Z', 11);
  ASSERT_EQ(1, s.Format("%s", "0123456789"));
  EXPECT_EQ(10, s.Length());
  EXPECT_EQ(10, s.Capacity()) << "fits: no retry";
  EXPECT_EQ("0123456789", Text(s));
  EXPECT_EQ(0, s.Buffer()[10]);
  // One more character does not fit: one retry of 260.
  ASSERT_EQ(1, s.Format("%s", "0123456789A"));
  EXPECT_EQ(270, s.Capacity());
  EXPECT_EQ("0123456789A", Text(s));
}

TEST_F(TextStringTest, FormatExactFitAtDefaultCapacity) {
  TextString s;
  memset(s.Buffer(), 'Z', 260);
  std::string expected(259, 'e');
  ASSERT_EQ(1, s.Format("%s", expected.c_str()));
  EXPECT_EQ(259, s.Length());
  EXPECT_EQ(259, s.Capacity());
  EXPECT_EQ(expected, Text(s));
}

TEST_F(TextStringTest, FormatRefusesPast3MiB) {
  DWORD startTick = GetTickCount();
  TextString s;
  s.Assign("old text");
  // From 260 the 260-byte steps reach 3,145,740 (the first capacity at or
  // past 3 MiB): 3,145,739 characters fit, one more is refused.
  ASSERT_EQ(1, s.Format("%*s", 3145739, ""));
  EXPECT_EQ(3145739, s.Length());
  EXPECT_EQ(3145739, s.Capacity());
  EXPECT_EQ(0, s.Format("%*s", 3145740, ""));
  EXPECT_EQ(0, s.Length());
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(259, s.Capacity()) << "back to 260 bytes";
  DWORD elapsed = GetTickCount() - startTick;
  EXPECT_LT(elapsed, 5000u) << "no thousands of 260-byte retries";
}

TEST_F(TextStringTest, FormatFarPastTheCeiling) {
  TextString s;
  s.Assign("old");
  // 64 MiB: the plain stepwise loop would take some 260,000 passes to refuse.
  EXPECT_EQ(0, s.Format("%*s", 64 << 20, "x"));
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(259, s.Capacity());
  EXPECT_EQ(1, s.Format("%d", 7)) << "usable afterwards";
  EXPECT_EQ("7", Text(s));
}

TEST_F(TextStringTest, FormatNullFormat) {
  TextString s;
  s.Assign("old");
  EXPECT_EQ(0, s.Format(nullptr));
  EXPECT_EQ("", Text(s));
}

// The plain step-by-step FormatV loop (with the terminator at
// capacity-1 written every time), over a plain heap block.
struct Outcome {
  int result;
  unsigned capacity;
  std::string text;
};

Outcome WrittenFormatLoop(unsigned startCapacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  unsigned capacity = startCapacity;
  char* buffer = static_cast<char*>(malloc(capacity));
  buffer[0] = 0;
  Outcome out = {1, 0, ""};
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    int written = _vsnprintf(buffer, capacity - 1, format, copy);
    va_end(copy);
    buffer[capacity - 1] = 0;
    if (written >= 0 && static_cast<unsigned>(written) <= capacity - 1) break;
    if (capacity >= kCeiling) {
      out.result = 0;
      capacity = 260;
      buffer[0] = 0;
      break;
    }
    capacity += 260;
    buffer = static_cast<char*>(realloc(buffer, capacity));
    memset(buffer, 0, capacity);
  }
  va_end(args);
  out.capacity = capacity;
  out.text = buffer;
  free(buffer);
  return out;
}

// The same loop counted only: where it ends for an output of `length`.
Outcome CountedFormatLoop(unsigned startCapacity, unsigned length) {
  unsigned long long capacity = startCapacity;
  while (length > capacity - 1) {
    if (capacity >= kCeiling) return {0, 260, ""};
    capacity += 260;
  }
  return {1, static_cast<unsigned>(capacity), std::string(length, 'f')};
}

Outcome FormatWithTextString(unsigned startCapacity, const std::string& output) {
  TextString s(startCapacity);
  int result = s.Format("%s", output.c_str());
  return {result, static_cast<unsigned>(s.Capacity() + 1), Text(s)};
}

void ExpectSame(const Outcome& expected, const Outcome& actual, const char* what, unsigned start,
                unsigned length) {
  EXPECT_EQ(expected.result, actual.result) << what << " start " << start << " length " << length;
  EXPECT_EQ(expected.capacity, actual.capacity)
      << what << " start " << start << " length " << length;
  EXPECT_TRUE(expected.text == actual.text) << what << " start " << start << " length " << length;
}

TEST_F(TextStringTest, FormatMatchesWrittenLoopAroundStepBoundaries) {
  const unsigned starts[] = {1, 2, 7, 100, 259, 260, 261, 1000};
  for (unsigned start : starts) {
    for (unsigned step = 0; step <= 4; ++step) {
      for (int delta = -2; delta <= 2; ++delta) {
        long long length = static_cast<long long>(start) + 260ll * step + delta - 1;
        if (length < 0) continue;
        std::string output(static_cast<size_t>(length), 'f');
        Outcome written = WrittenFormatLoop(start, "%s", output.c_str());
        Outcome counted = CountedFormatLoop(start, static_cast<unsigned>(length));
        Outcome actual = FormatWithTextString(start, output);
        ExpectSame(written, counted, "model", start, static_cast<unsigned>(length));
        ExpectSame(written, actual, "TextString", start, static_cast<unsigned>(length));
      }
    }
  }
}

TEST_F(TextStringTest, FormatMatchesWrittenLoopAroundTheCeiling) {
  // Starts near 3 MiB keep the plain stepwise loop to a few real passes.
  const unsigned starts[] = {kCeiling - 521, kCeiling - 520, kCeiling - 261, kCeiling - 260,
                             kCeiling - 259, kCeiling - 1,   kCeiling,       kCeiling + 1,
                             kCeiling + 300};
  const int offsets[] = {-1, 0, 1, 259, 260, 261, 519, 520, 521, 780};
  for (unsigned start : starts) {
    for (int offset : offsets) {
      unsigned length = start + offset - 1;
      std::string output(length, 'f');
      Outcome written = WrittenFormatLoop(start, "%s", output.c_str());
      Outcome counted = CountedFormatLoop(start, length);
      Outcome actual = FormatWithTextString(start, output);
      ExpectSame(written, counted, "model", start, length);
      ExpectSame(written, actual, "TextString", start, length);
    }
  }
}

TEST_F(TextStringTest, FormatMatchesCountedLoopFromDefaultNearTheCeiling) {
  // From 260 the plain stepwise loop takes some 12,000 passes of up to 3 MiB; the
  // counted loop stands in for it. The last capacities it reaches are
  // 3,145,480 (below 3 MiB, so it grows once more) and 3,145,740.
  const unsigned lengths[] = {3145478, 3145479, 3145480, 3145481, 3145727, 3145728,
                              3145738, 3145739, 3145740, 3145741, 3146000};
  for (unsigned length : lengths) {
    std::string output(length, 'f');
    ExpectSame(CountedFormatLoop(260, length), FormatWithTextString(260, output), "TextString",
               260, length);
  }
}

// Literal format text: printable ASCII, "%%" now and then.
void AddLiteral(testing_support::CampaignRandom& random, std::string* format, std::string* output) {
  for (unsigned n = random.Below(8); n > 0; --n) {
    if (random.OneIn(6)) {
      *format += "%%";
      *output += '%';
    } else {
      char c = static_cast<char>(' ' + random.Below(95));
      if (c == '%') c = '+';
      *format += c;
      *output += c;
    }
  }
}

std::string Padded(const std::string& piece, int width, bool left) {
  std::string padding(std::max(0, width - static_cast<int>(piece.size())), ' ');
  return left ? piece + padding : padding + piece;
}

// A case is one format of literal text and three "%*.*s" or "%-*.*s"
// conversions of random texts (most short, some of a few hundred KB, a few
// near 3 MiB), the last width stretched so that the output ends at, one
// before or one past a 260-byte step from a random start capacity. Text,
// result and capacity are those of the plain step loop.
TEST_F(TextStringTest, RandomFormatsAroundTheSteps) {
  const unsigned kSeed = 20240614;
  static const unsigned kStarts[] = {1, 2, 100, 259, 260, 261, 1000};
  testing_support::CampaignRandom random(kSeed);
  for (int i = 0; i < 10000; ++i) {
    unsigned start = random.OneIn(2) ? random.Pick(kStarts) : 1 + random.Below(5000);
    std::string format, output, texts[3], pieces[3];
    int widths[3], precisions[3];
    bool left[3];
    for (int k = 0; k < 3; ++k) {
      AddLiteral(random, &format, &output);
      size_t length = random.OneIn(50) ? random.Below(300000) : random.Below(300);
      if (random.OneIn(1000)) length = kCeiling - 2000 + random.Below(3000);
      texts[k].assign(length, static_cast<char>('a' + random.Below(26)));
      if (length) texts[k][random.Below(length)] = '#';
      precisions[k] = static_cast<int>(random.OneIn(3) ? random.Below(length + 1) : length + random.Below(9));
      pieces[k] = texts[k].substr(0, precisions[k]);
      widths[k] = random.OneIn(3) ? 0 : std::max(0, static_cast<int>(pieces[k].size() + random.Below(24)) - 4);
      left[k] = random.OneIn(2);
      format += left[k] ? "%-*.*s" : "%*.*s";
      if (k < 2) output += Padded(pieces[k], widths[k], left[k]);
    }
    std::string tail;
    AddLiteral(random, &format, &tail);
    // Stretch the last conversion's width to end near a step boundary.
    long long shortest = output.size() + std::max<size_t>(pieces[2].size(), widths[2]) + tail.size();
    long long target = start - 1 + 260 * ((std::max(shortest - start + 1, 0ll) + 259) / 260) + random.Below(4) - 2;
    if (target < shortest) target += 260;
    widths[2] = static_cast<int>(target - output.size() - tail.size());
    output += Padded(pieces[2], widths[2], left[2]) + tail;
    ASSERT_EQ(static_cast<size_t>(target), output.size());

    SCOPED_TRACE(testing::Message() << "format \"" << format << "\", output of " << output.size()
                                    << " bytes from capacity " << start << ", case " << i << " of seed " << kSeed);
    TextString s(start);
    int result = s.Format(format.c_str(), widths[0], precisions[0], texts[0].c_str(), widths[1], precisions[1],
                          texts[1].c_str(), widths[2], precisions[2], texts[2].c_str());
    Outcome expected = CountedFormatLoop(start, static_cast<unsigned>(output.size()));
    ASSERT_EQ(expected.result, result);
    ASSERT_EQ(expected.capacity, static_cast<unsigned>(s.Capacity() + 1));
    ASSERT_EQ(static_cast<int>(expected.result ? output.size() : 0), s.Length());
    ASSERT_TRUE((expected.result ? output : "") == Text(s));
  }
}

// --- Comparison and search ----------------------------------------------------------

TEST_F(TextStringTest, CompareAndDiffers) {
  TextString s;
  s.Assign("abc");
  EXPECT_EQ(0, s.Compare("abc"));
  EXPECT_LT(s.Compare("abd"), 0);
  EXPECT_GT(s.Compare("ab"), 0);
  EXPECT_LT(s.Compare("abcd"), 0);
  EXPECT_GT(s.Compare("ABC"), 0) << "case-sensitive";
  EXPECT_GT(s.Compare(nullptr), 0) << "null is the empty text";
  EXPECT_EQ(0, s.CompareN("abX", 2));
  EXPECT_LT(s.CompareN("abz", 3), 0);
  EXPECT_EQ(0, s.CompareN("zzz", 0));
  EXPECT_EQ(0, s.CompareN("abc", 100));
  TextString same;
  same.Assign("abc");
  TextString other;
  other.Assign("abd");
  EXPECT_EQ(0, s.Differs(same));
  EXPECT_EQ(1, s.Differs(other));
  TextString empty;
  EXPECT_EQ(0, empty.Compare(""));
  EXPECT_EQ(0, empty.Compare(nullptr));
}

TEST_F(TextStringTest, FindAndFindAt) {
  TextString s;
  s.Assign("hello world");
  EXPECT_EQ(4, s.Find("o w"));
  EXPECT_EQ(0, s.Find("hello"));
  EXPECT_EQ(-1, s.Find("worlds"));
  EXPECT_EQ(0, s.Find(""));
  EXPECT_EQ(-1, s.Find(nullptr));
  EXPECT_EQ(s.Buffer() + 6, s.FindAt("world"));
  EXPECT_EQ(nullptr, s.FindAt("x"));
  EXPECT_EQ(-1, s.Find("O")) << "case-sensitive";
}

TEST_F(TextStringTest, FindNoCaseHardwareId) {
  const char kId[] = "USB\\VID_14AA&PID_0160";
  const char* texts[] = {"USB\\VID_14AA&PID_0160&REV_0100", "usb\\vid_14aa&pid_0160&rev_0100",
                         "Usb\\Vid_14aa&Pid_0160&Rev_0100"};
  for (const char* text : texts) {
    TextString s;
    s.Assign(text);
    EXPECT_EQ(0, s.FindNoCase(kId)) << text;
  }
  TextString longer;
  longer.Assign("ROOT\\x;usb\\vid_14aa&pid_0161;usb\\vid_14aa&pid_0160");
  EXPECT_EQ(29, longer.FindNoCase(kId));
  EXPECT_EQ(-1, longer.FindNoCase("USB\\VID_14AA&PID_0162"));
  EXPECT_EQ(-1, longer.FindNoCase(nullptr));
  EXPECT_EQ(0, longer.FindNoCase(""));
  TextString empty;
  EXPECT_EQ(-1, empty.FindNoCase(""));
  EXPECT_EQ(-1, empty.FindNoCase("a"));
  TextString tail;
  tail.Assign("abcUS");
  EXPECT_EQ(-1, tail.FindNoCase("usb")) << "the text ends inside the pattern";
}

TEST_F(TextStringTest, FindChar) {
  TextString s;
  s.Assign("C:\\Temp\\x");
  EXPECT_EQ(2, s.FindChar('\\', 0));
  EXPECT_EQ(2, s.FindChar('\\', 2));
  EXPECT_EQ(7, s.FindChar('\\', 3));
  EXPECT_EQ(-1, s.FindChar('\\', 8));
  EXPECT_EQ(-1, s.FindChar('x', 10)) << "start equal to size";
  EXPECT_EQ(8, s.FindChar('x', 8));
  EXPECT_EQ(-1, s.FindChar('x', 9)) << "start on the terminator";
  EXPECT_EQ(-1, s.FindChar('x', 1000));
  EXPECT_EQ(-1, s.FindChar('C', -1));
  EXPECT_EQ(-1, s.FindChar('q', 0));
  EXPECT_EQ(-1, s.FindChar(0, 0));
  EXPECT_EQ(7, s.FindLastChar('\\'));
  EXPECT_EQ(-1, s.FindLastChar('q'));
  EXPECT_EQ(-1, s.FindLastChar(0));
  EXPECT_EQ(s.Buffer() + 3, s.FindCharNoCase('t'));
  EXPECT_EQ(s.Buffer() + 0, s.FindCharNoCase('c'));
  EXPECT_EQ(nullptr, s.FindCharNoCase('q'));
  EXPECT_EQ(nullptr, s.FindCharNoCase(0));
}

// --- Editing in place -------------------------------------------------------------------

TEST_F(TextStringTest, Truncate) {
  TextString s;
  s.Assign("abcdef");
  EXPECT_EQ(s.Buffer(), s.Truncate(1000));
  EXPECT_EQ("abcdef", Text(s));
  EXPECT_EQ(s.Buffer(), s.Truncate(6));
  EXPECT_EQ("abcdef", Text(s));
  s.Truncate(3);
  EXPECT_EQ("abc", Text(s));
  EXPECT_EQ(3, s.Length());
  s.Truncate(-5);
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(0, s.Length());
}

TEST_F(TextStringTest, ReplaceAll) {
  // Steps on one string: a row with a text assigns it first. The capacity
  // changes by the length difference at each replacement; removing "ab" from
  // "aabb" makes a new "ab" across the join, replaced too (the search starts
  // again from the beginning), while "a c b" is no new occurrence.
  const struct {
    const char* assign;
    const char* search;
    const char* replacement;
    const char* expected;
    int capacity;  // -1: not checked
  } steps[] = {
      {"C:\\Windows\\inf\\oem12.inf", ".inf", ".pnf", "C:\\Windows\\inf\\oem12.pnf", 259},
      {"a.inf.inf-b.inf", ".inf", ".x", "a.x.x-b.x", 253},
      {nullptr, ".x", nullptr, "a-b", -1},
      {nullptr, "-", "+++", "a+++b", 249},
      {"aabb", "ab", "", "", -1},
      {"xxaaabbbyy", "ab", "c", "xxaacbbyy", -1},
      {"xxaaabbbyy", "ab", nullptr, "xxyy", -1},
  };
  TextString s;
  for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
    if (steps[i].assign) s.Assign(steps[i].assign);
    ASSERT_NE(nullptr, s.ReplaceAll(steps[i].search, steps[i].replacement)) << "step " << i;
    EXPECT_EQ(steps[i].expected, Text(s)) << "step " << i;
    if (steps[i].capacity >= 0) {
      EXPECT_EQ(steps[i].capacity, s.Capacity()) << "step " << i;
    }
  }
  s.Assign("oem12.pnf");
  char* unchanged = s.Buffer();
  EXPECT_EQ(unchanged, s.ReplaceAll(".inf", ".pnf")) << "no occurrence";
  EXPECT_EQ(unchanged, s.Buffer());
  EXPECT_EQ("oem12.pnf", Text(s));
}

TEST_F(TextStringTest, ReplaceAllBadSearchOrReplacement) {
  TextString s;
  s.Assign("abc");
  char* buffer = s.Buffer();
  EXPECT_EQ(buffer, s.ReplaceAll("", "x")) << "empty search: no change, and it ends";
  EXPECT_EQ(buffer, s.ReplaceAll(nullptr, "x"));
  EXPECT_EQ("abc", Text(s));
  EXPECT_EQ(nullptr, s.ReplaceAll("b", "bb")) << "would never end: refused";
  EXPECT_EQ("abc", Text(s));
  EXPECT_EQ(buffer, s.Buffer());
  EXPECT_EQ(nullptr, s.ReplaceAll("b", "b"));
  EXPECT_EQ("abc", Text(s));
}

TEST_F(TextStringTest, ReplaceAllAllocationFailureRecovers) {
  // A 64 MiB string, then the address space is taken in 16 MiB blocks until
  // none is left: the replacement's new 64 MiB buffer cannot be had.
  TextString s(64u << 20);
  if (!s.Buffer()) GTEST_SKIP() << "no 64 MiB block to start with";
  s.Assign("oem1.inf");
  std::vector<void*> held;
  held.reserve(512);
  while (held.size() < 512) {
    void* block = malloc(16u << 20);
    if (!block) break;
    held.push_back(block);
  }
  char* result = s.ReplaceAll(".inf", ".pnf");
  for (void* block : held) free(block);
  ASSERT_LT(held.size(), 512u) << "the address space did not run out";
  EXPECT_EQ(nullptr, result);
  ASSERT_NE(nullptr, s.Buffer()) << "the usual recovery: an empty 260-byte string";
  EXPECT_EQ("", Text(s));
  EXPECT_EQ(0, s.Length());
  EXPECT_EQ(259, s.Capacity());
  // A size of 0 with a live buffer would make this write at index -1.
  EXPECT_EQ(1, s.Append("after"));
  EXPECT_EQ("after", Text(s));
}

TEST_F(TextStringTest, Tokenize) {
  TextString s;
  s.Assign(",a,b,,c");
  char* token = s.Tokenize(1, ",");
  ASSERT_NE(nullptr, token);
  EXPECT_STREQ("a", token);
  EXPECT_EQ(s.Buffer() + 1, token);
  EXPECT_EQ(2, s.Length()) << "counts up to the end of the first token";
  token = s.Tokenize(0, ",");
  ASSERT_NE(nullptr, token);
  EXPECT_STREQ("b", token);
  token = s.Tokenize(2, ",");
  ASSERT_NE(nullptr, token);
  EXPECT_STREQ("c", token);
  EXPECT_EQ(nullptr, s.Tokenize(0, ","));
  EXPECT_EQ(nullptr, s.Tokenize(1, nullptr));
}

// --- Conversion to UTF-16 ------------------------------------------------------------------

TEST_F(TextStringTest, ToWide) {
  TextString s;
  s.Assign("wide text");
  WCHAR dest[32];
  EXPECT_EQ(dest, s.ToWide(dest));
  EXPECT_STREQ(L"wide text", dest);
  WCHAR* owned = s.ToWide(nullptr);
  ASSERT_NE(nullptr, owned);
  EXPECT_STREQ(L"wide text", owned);
  s.Assign("again");
  owned = s.ToWide(nullptr);
  ASSERT_NE(nullptr, owned);
  EXPECT_STREQ(L"again", owned);
  TextString empty;
  owned = empty.ToWide(nullptr);
  ASSERT_NE(nullptr, owned);
  EXPECT_STREQ(L"", owned);
}

// --- Without a buffer ----------------------------------------------------------------------

TEST_F(TextStringTest, BufferlessStringIsSafeEverywhere) {
  TextString s;
  s.Assign("text");
  MakeBufferless(s);
  EXPECT_EQ(0, s.Length());
  EXPECT_EQ(0, s.Capacity());
  EXPECT_EQ(0, s.CharAt(0));
  EXPECT_EQ(0, s.CharAt(-1));
  char dest[4] = "xyz";
  EXPECT_EQ(nullptr, s.CopyTo(dest));
  EXPECT_STREQ("xyz", dest);
  EXPECT_EQ(0, s.SetLength(1));
  s.Recount();
  EXPECT_EQ(0, s.Length());
  EXPECT_EQ(0, s.Compare(""));
  EXPECT_LT(s.Compare("a"), 0);
  EXPECT_EQ(0, s.CompareN("a", 0));
  EXPECT_EQ(-1, s.Find("a"));
  EXPECT_EQ(-1, s.Find(""));
  EXPECT_EQ(nullptr, s.FindAt("a"));
  EXPECT_EQ(-1, s.FindNoCase(""));
  EXPECT_EQ(-1, s.FindChar('a', 0));
  EXPECT_EQ(-1, s.FindLastChar('a'));
  EXPECT_EQ(nullptr, s.FindCharNoCase('a'));
  EXPECT_EQ(nullptr, s.Truncate(0));
  EXPECT_EQ(nullptr, s.ReplaceAll("a", "b"));
  EXPECT_EQ(nullptr, s.Tokenize(1, ","));
  EXPECT_EQ(nullptr, s.ToWide(nullptr));
  WCHAR wide[4];
  EXPECT_EQ(nullptr, s.ToWide(wide));
  TextString other;
  other.Assign("x");
  EXPECT_EQ(1, other.Differs(s));
  EXPECT_EQ(0, s.Differs(s));
  EXPECT_EQ(1, other.Assign(s)) << "assigning a bufferless string gives the empty text";
  EXPECT_EQ("", Text(other));
}

TEST_F(TextStringTest, BufferlessStringStoresAgain) {
  // Each store into a string whose buffer was lost takes a fresh one.
  const struct {
    int (*store)(TextString&);
    const char* text;
    int capacity;  // -1: not checked
  } cases[] = {
      {[](TextString& s) { return s.Append("ab"); }, "ab", 259},
      {[](TextString& s) { return s.AppendChar('c'); }, "c", -1},
      {[](TextString& s) { return s.AppendWide(L"w"); }, "w", -1},
      {[](TextString& s) { return s.Assign("abc"); }, "abc", 3},
      {[](TextString& s) { return s.Assign(static_cast<const char*>(nullptr)); }, "", -1},
      {[](TextString& s) { return s.AssignWide(L"wide"); }, "wide", -1},
      {[](TextString& s) { return s.Format("%d", 42); }, "42", -1},
      {[](TextString& s) { return s.Reset(8), 1; }, "", 7},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    TextString s;
    MakeBufferless(s);
    EXPECT_EQ(1, cases[i].store(s)) << "case " << i;
    EXPECT_EQ(cases[i].text, Text(s)) << "case " << i;
    if (cases[i].capacity >= 0) {
      EXPECT_EQ(cases[i].capacity, s.Capacity()) << "case " << i;
    }
  }
}

// --- Code page 1252 -------------------------------------------------------------------------

TEST_F(TextString1252, BackslashBytesAreCharacters) {
  REQUIRE_ANSI_CODE_PAGE(1252u);
  // The bytes of "C:\表\x" in Shift-JIS are plain characters here.
  TextString s;
  s.Assign("C:\\\x95\x5C\\x");
  EXPECT_EQ(4, s.FindChar('\\', 3));
  EXPECT_EQ(5, s.FindLastChar('\\'));
  TextString path;
  path.Assign("C:\\\x95\x5C");
  path.EnsureTrailingBackslash();
  EXPECT_EQ("C:\\\x95\x5C", Text(path)) << "ends with a backslash byte";
  TextString a;
  a.Assign("\xB1");
  EXPECT_GT(a.Compare("\x82\xA0"), 0) << "byte-wise";
}

TEST_F(TextString1252, FindNoCaseFoldsAccentedLetters) {
  REQUIRE_ANSI_CODE_PAGE(1252u);
  TextString s;
  s.Assign("une \xC9" "COLE");  // "une ÉCOLE"
  EXPECT_EQ(4, s.FindNoCase("\xE9" "cole"));
  EXPECT_EQ(s.Buffer() + 4, s.FindCharNoCase('\xE9'));
}

TEST_F(TextString1252, WideConversions) {
  REQUIRE_ANSI_CODE_PAGE(1252u);
  TextString s;
  ASSERT_EQ(1, s.AssignWide(L"caf\x00E9 \x20AC"));  // café €
  EXPECT_EQ("caf\xE9 \x80", Text(s));
  WCHAR wide[16];
  ASSERT_NE(nullptr, s.ToWide(wide));
  EXPECT_STREQ(L"caf\x00E9 \x20AC", wide);
}

// --- Code page 932 (Shift-JIS) ---------------------------------------------------------------

// 表 is 0x95 0x5C: its trail byte is a backslash.
const char kHyo[] = "\x95\x5C";

TEST(CodePageRun, IsTheOneRequested) {
  const char* lcAll = getenv("LC_ALL");
  std::string requested = lcAll ? lcAll : "";
  if (requested.compare(0, 5, "ja_JP") == 0) {
    EXPECT_EQ(932u, GetACP()) << "LC_ALL=" << requested << " must give Shift-JIS";
  } else if (requested == "C") {
    EXPECT_EQ(1252u, GetACP());
  } else {
    GTEST_SKIP() << "LC_ALL=" << requested << ": no code page expected";
  }
}

TEST_F(TextStringCp932, FindCharNeverStopsOnATrailByte) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  TextString s;
  s.Assign((std::string("C:\\") + kHyo + "\\x").c_str());  // 43 3A 5C 95 5C 5C 78
  EXPECT_EQ(2, s.FindChar('\\', 0));
  EXPECT_EQ(5, s.FindChar('\\', 3));
  EXPECT_EQ(5, s.FindChar('\\', 4)) << "a start on the trail byte";
  EXPECT_EQ(5, s.FindLastChar('\\'));
  TextString alone;
  alone.Assign(kHyo);
  EXPECT_EQ(-1, alone.FindChar('\\', 0));
  EXPECT_EQ(-1, alone.FindLastChar('\\'));
  EXPECT_EQ(-1, alone.Find("\\"));
  EXPECT_EQ(-1, alone.FindNoCase("\\"));
  EXPECT_EQ(nullptr, alone.FindCharNoCase('\\'));
  TextString two;
  two.Assign((std::string(kHyo) + "\\x").c_str());
  EXPECT_EQ(2, two.Find("\\x"));
  EXPECT_EQ(2, two.FindNoCase("\\X"));
  EXPECT_EQ(two.Buffer() + 2, two.FindCharNoCase('\\'));
}

TEST_F(TextStringCp932, EnsureTrailingBackslashAfterTrailByte) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  TextString s;
  s.Assign((std::string("C:\\") + kHyo).c_str());
  s.EnsureTrailingBackslash();
  EXPECT_EQ(std::string("C:\\") + kHyo + "\\", Text(s));
  s.EnsureTrailingBackslash();
  EXPECT_EQ(std::string("C:\\") + kHyo + "\\", Text(s));
}

TEST_F(TextStringCp932, TokenizeAndReplaceKeepDoubleByteCharacters) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  TextString s;
  s.Assign((std::string(kHyo) + "\\x\\" + kHyo).c_str());
  char* token = s.Tokenize(1, "\\");
  ASSERT_NE(nullptr, token);
  EXPECT_STREQ(kHyo, token);
  token = s.Tokenize(0, "\\");
  ASSERT_NE(nullptr, token);
  EXPECT_STREQ("x", token);
  token = s.Tokenize(0, "\\");
  ASSERT_NE(nullptr, token);
  EXPECT_STREQ(kHyo, token);
  EXPECT_EQ(nullptr, s.Tokenize(0, "\\"));

  TextString r;
  r.Assign((std::string(kHyo) + "\\x").c_str());
  ASSERT_NE(nullptr, r.ReplaceAll("\\", "/"));
  EXPECT_EQ(std::string(kHyo) + "/x", Text(r));
}

TEST_F(TextStringCp932, CompareByCharacterValue) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  // Half-width katakana 0xB1 is one byte; 0x82 0xA0 is one double-byte
  // character and orders after every single-byte one.
  TextString a;
  a.Assign("\xB1");
  EXPECT_LT(a.Compare("\x82\xA0"), 0);
  TextString b;
  b.Assign("\x82\xA0x");
  EXPECT_EQ(0, b.CompareN("\x82\xA0y", 2));
  EXPECT_LT(b.CompareN("\x82\xA0y", 3), 0);
  EXPECT_EQ(0, b.CompareN("\x82\xA1", 1)) << "a character cut by the count: its lead byte alone";
}

TEST_F(TextStringCp932, WideConversionsGrowForDoubleByteOutput) {
  REQUIRE_ANSI_CODE_PAGE(932u);
  const char kA[] = "\x82\xA0";  // あ
  TextString s(4);
  ASSERT_EQ(1, s.AssignWide(L"\x3042\x3042\x3042"));  // 3 units, 6 bytes
  EXPECT_EQ(std::string(kA) + kA + kA, Text(s));
  EXPECT_EQ(6, s.Length());

  // One byte of room left beside the terminator: the plain rule (units +
  // size) sees no need to grow, and the two bytes of あ would not fit.
  TextString t(6);
  t.Assign("abcd");
  ASSERT_EQ(1, t.AppendWideChar(0x3042));
  EXPECT_EQ(std::string("abcd") + kA, Text(t));
  ASSERT_EQ(1, t.AppendWide(L"\x3042\x3042"));
  EXPECT_EQ(std::string("abcd") + kA + kA + kA, Text(t));
  WCHAR wide[16];
  ASSERT_NE(nullptr, t.ToWide(wide));
  EXPECT_STREQ(L"abcd\x3042\x3042\x3042", wide);
}

}  // namespace
