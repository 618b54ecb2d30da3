#include "ui/string_block.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/guarded_bytes.h"
#include "ui/string_block_cases.h"

namespace {

typedef std::vector<BYTE> Bytes;
using testing_support::GuardedBytes;

// A block from entry texts (ASCII); a missing entry is an empty text.
Bytes Block(const std::vector<std::string>& entries) {
  Bytes out;
  for (const std::string& text : entries) {
    out.push_back(static_cast<BYTE>(text.size()));
    out.push_back(static_cast<BYTE>(text.size() >> 8));
    for (char c : text) {
      out.push_back(static_cast<BYTE>(c));
      out.push_back(0);
    }
  }
  return out;
}

// The entry's text, "" when not found; reads are guarded.
std::string Entry(const Bytes& block, unsigned index) {
  GuardedBytes guard;
  const BYTE* at = guard.Place(block);
  DWORD offset = 0, units = 0;
  if (!FindBlockString(at, static_cast<DWORD>(block.size()), index, &offset, &units)) return "";
  EXPECT_LE(offset + 2 * units, block.size());
  std::string text;
  for (DWORD i = 0; i < units; ++i) text += static_cast<char>(at[offset + 2 * i]);
  return text;
}

TEST(FindBlockString, WalksCountedEntries) {
  std::vector<std::string> entries(16);
  entries[0] = "first";
  entries[1] = "Install";
  entries[3] = "after an empty one";
  entries[15] = "last";
  Bytes block = Block(entries);
  const struct {
    unsigned index;
    const char* text;
  } cases[] = {{0, "first"}, {1, "Install"}, {2, ""}, {3, "after an empty one"},
               {14, ""}, {15, "last"}, {16, ""}, {0xFFFFFFFF, ""}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
    EXPECT_EQ(cases[i].text, Entry(block, cases[i].index)) << "case " << i;
}

TEST(FindBlockString, TruncatedBlocksGiveNotFound) {
  std::vector<std::string> entries(16, "ab");
  Bytes whole = Block(entries);
  // Cut anywhere before the end of entry 15: entry 15 is no longer whole.
  for (size_t length = 0; length < whole.size(); ++length)
    EXPECT_EQ("", Entry(Bytes(whole.begin(), whole.begin() + length), 15)) << "length " << length;
  EXPECT_EQ("ab", Entry(whole, 15));
  // A count running past the end.
  Bytes lying = Block({"ab"});
  lying[0] = 200;
  EXPECT_EQ("", Entry(lying, 0));
  EXPECT_EQ("", Entry(Bytes(), 0));
}

// A case is one block read at every index (and one past them): found
// exactly where the block was built to have the entry, nothing read outside.
TEST(FindBlockString, RandomBlocksStayWithinTheirSize) {
  testing_support::CampaignRandom random(ui_test::kBlockSeed);
  GuardedBytes guard(1 << 16);
  for (int i = 0; i < 10000; ++i) {
    SCOPED_TRACE(testing::Message() << "block " << i << " of seed " << ui_test::kBlockSeed);
    ui_test::BlockCase c = ui_test::RandomBlock(random);
    const BYTE* at = guard.Place(c.bytes);
    for (unsigned index = 0; index <= 16; ++index) {
      ui_test::BlockEntry expected = index < 16 ? c.entries[index] : ui_test::BlockEntry{false, 0, 0};
      DWORD offset = 0, units = 0;
      int found = FindBlockString(at, static_cast<DWORD>(c.bytes.size()), index, &offset, &units);
      ASSERT_EQ(expected.found, found == 1) << "index " << index;
      ASSERT_EQ(found ? expected.offset : 0, offset) << "index " << index;
      ASSERT_EQ(found ? expected.units : 0, units) << "index " << index;
    }
  }
}

}  // namespace
