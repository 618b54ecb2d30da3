#include "ui/string_block.h"

#include <gtest/gtest.h>

#include "support/guarded_bytes.h"
#include "ui/string_block_cases.h"

namespace {

// A case is one block read at every index and one past them: found exactly
// where the block was built to have the entry, nothing read outside it.
TEST(FindBlockString, RandomBlocksStayWithinTheirSize) {
  testing_support::GuardedBytes guard(1 << 16);
  testing_support::RunCampaign(ui_test::kBlockSeed, 10000, ui_test::RandomBlock, [&](const ui_test::BlockCase& c) {
    const BYTE* at = guard.Place(c.bytes);
    for (unsigned index = 0; index <= 16; ++index) {
      const ui_test::BlockEntry expected = index < 16 ? c.entries[index] : ui_test::BlockEntry{false, 0, 0};
      DWORD offset = 0, units = 0;
      ASSERT_EQ(expected.found, FindBlockString(at, static_cast<DWORD>(c.bytes.size()), index, &offset, &units) == 1)
          << "index " << index;
      ASSERT_EQ(expected.found ? expected.offset : 0, offset) << "index " << index;
      ASSERT_EQ(expected.found ? expected.units : 0, units) << "index " << index;
    }
  });
}

}  // namespace
