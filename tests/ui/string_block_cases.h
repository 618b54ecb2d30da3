// Random string-table blocks and where each entry must be found, shared by
// the block reader's campaign (both builds) and the GetString campaign.
#ifndef TESTS_UI_STRING_BLOCK_CASES_H_
#define TESTS_UI_STRING_BLOCK_CASES_H_

#include <windows.h>

#include <vector>

#include "support/campaign_random.h"

namespace ui_test {

const unsigned kBlockSeed = 7;

struct BlockEntry {
  bool found;  // present, not empty and wholly inside the block
  DWORD offset, units;
};

struct BlockCase {
  std::vector<BYTE> bytes;
  BlockEntry entries[16];
};

// Sixteen counted entries of random units (empty ones, ones around 600 units,
// zero units inside), sometimes fewer entries, a count running past the end,
// the block cut short, or bytes behind the last entry.
inline BlockCase RandomBlock(testing_support::CampaignRandom& random) {
  BlockCase c = {};
  auto put = [&c](unsigned value) { c.bytes.insert(c.bytes.end(), {BYTE(value), BYTE(value >> 8)}); };
  const unsigned written = random.OneIn(8) ? random.Below(16) : 16;
  for (unsigned i = 0; i < written; ++i) {
    if (random.OneIn(40)) {  // a count with fewer units behind it: the walk ends here
      const unsigned count = 1 + random.Below(40);
      put(count);
      c.bytes.resize(c.bytes.size() + random.Below(2 * count));
      return c;
    }
    unsigned units = random.OneIn(3) ? 0 : random.OneIn(15) ? 590 + random.Below(20) : 1 + random.Below(10);
    if (random.OneIn(60)) units = random.Below(2000);
    put(units);
    c.entries[i] = {units > 0, static_cast<DWORD>(c.bytes.size()), units};
    for (unsigned u = 0; u < units; ++u) {
      const unsigned kind = random.Below(12);  // mostly printable ASCII; zeros, Latin-1 and any unit
      put(kind == 0 ? 0 : kind == 1 ? random.Next() & 0xFFFF : kind == 2 ? 0xA0 + random.Below(0x60) : 0x20 + random.Below(0x5F));
    }
  }
  if (random.OneIn(5)) {  // cut short: entries no longer whole are missing
    c.bytes.resize(random.Below(static_cast<unsigned>(c.bytes.size()) + 1));
    for (BlockEntry& e : c.entries)
      if (e.offset + 2 * e.units > c.bytes.size()) e.found = false;
  } else if (random.OneIn(4)) {
    c.bytes.resize(c.bytes.size() + 1 + random.Below(7), 0x41);
  }
  return c;
}

}  // namespace ui_test

#endif  // TESTS_UI_STRING_BLOCK_CASES_H_
