// Random string-table blocks and where each entry must be found, shared by
// the block reader's test (both builds) and the GetString test.
#ifndef TESTS_UI_STRING_BLOCK_CASES_H_
#define TESTS_UI_STRING_BLOCK_CASES_H_

#include <windows.h>

#include <vector>

#include "support/campaign_random.h"

namespace ui_test {

const unsigned kBlockSeed = 7;

struct BlockEntry {
  bool found;  // present, not empty and wholly inside the block
  DWORD offset;
  DWORD units;
};

struct BlockCase {
  std::vector<BYTE> bytes;
  BlockEntry entries[16];
};

// Sixteen counted entries of random units (empty ones, long ones past 600
// units, zero units inside), sometimes fewer entries, a count running past
// the end, the block cut short, or bytes behind the last entry.
BlockCase RandomBlock(testing_support::CampaignRandom& random);

}  // namespace ui_test

#endif  // TESTS_UI_STRING_BLOCK_CASES_H_
