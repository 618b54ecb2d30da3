#include "ui/string_block_cases.h"

namespace ui_test {

namespace {

void PutWord(std::vector<BYTE>* out, unsigned value) {
  out->push_back(static_cast<BYTE>(value));
  out->push_back(static_cast<BYTE>(value >> 8));
}

unsigned RandomUnit(testing_support::CampaignRandom& random) {
  switch (random.Below(12)) {
    case 0: return 0;
    case 1: return random.Next() & 0xFFFF;
    case 2: return 0xA0 + random.Below(0x60);
    default: return 0x20 + random.Below(0x5F);
  }
}

}  // namespace

BlockCase RandomBlock(testing_support::CampaignRandom& random) {
  BlockCase c = {};
  unsigned written = random.OneIn(8) ? random.Below(16) : 16;
  for (unsigned i = 0; i < written; ++i) {
    if (random.OneIn(40)) {  // a count with fewer units behind it: the walk ends here
      unsigned count = 1 + random.Below(40);
      PutWord(&c.bytes, count);
      c.bytes.resize(c.bytes.size() + random.Below(2 * count));
      return c;
    }
    unsigned units = random.OneIn(3) ? 0 : random.OneIn(15) ? 590 + random.Below(20) : 1 + random.Below(10);
    if (random.OneIn(60)) units = random.Below(2000);
    PutWord(&c.bytes, units);
    c.entries[i] = {units > 0, static_cast<DWORD>(c.bytes.size()), units};
    for (unsigned u = 0; u < units; ++u) PutWord(&c.bytes, RandomUnit(random));
  }
  if (random.OneIn(5)) {  // cut short: entries no longer whole are missing
    c.bytes.resize(random.Below(c.bytes.size() + 1));
    for (BlockEntry& e : c.entries)
      if (e.offset + 2 * e.units > c.bytes.size()) e.found = false;
  } else if (random.OneIn(4)) {
    c.bytes.resize(c.bytes.size() + 1 + random.Below(7), 0x41);
  }
  return c;
}

}  // namespace ui_test
