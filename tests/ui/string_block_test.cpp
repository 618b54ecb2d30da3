#include "ui/string_block.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/guarded_bytes.h"
#include "ui/string_block_cases.h"

namespace {

// A case is one block read at every index (and one past them): found
// exactly where the block was built to have the entry, nothing read outside.
TEST(FindBlockString, RandomBlocksStayWithinTheirSize) {
  testing_support::CampaignRandom random(ui_test::kBlockSeed);
  testing_support::GuardedBytes guard(1 << 16);
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
