// The random-input campaigns over the pure template and string-block code,
// shared by the Windows tests and the native sanitizer build.
#ifndef TESTS_UI_PURE_CAMPAIGNS_H_
#define TESTS_UI_PURE_CAMPAIGNS_H_

#include <windows.h>

#include <vector>

#include "support/campaign_random.h"

namespace ui_test {

typedef std::vector<BYTE> Bytes;

const unsigned kTemplateSeed = 20240607, kBlockSeed = 7;
const int kTemplateCases = 10000;

// A dialog template built from a random shape: whole, with bytes behind its
// last item, cut short, with a dlgVer other than 1, or mutated. `expected`
// is the exact copy adaptation to "Tahoma" 8 makes, empty when the template
// must be used as stored; a mutation (not `known`) is only to be read
// within its size.
struct TemplateCase { Bytes bytes; bool known; Bytes expected; };
TemplateCase RandomTemplate(testing_support::CampaignRandom& random);
void ExpectTahomaCopy(const TemplateCase& c, const Bytes& copy);

// A string-table block of sixteen counted entries (empty ones, ones around
// 600 units, zero units inside), sometimes fewer, the block cut short (a
// count running past its end), or bytes behind the last entry. An entry is
// found when present, not empty and wholly inside the block.
struct BlockEntry { bool found; DWORD offset, units; };
struct BlockCase { Bytes bytes; BlockEntry entries[16]; };
BlockCase RandomBlock(testing_support::CampaignRandom& random);

}  // namespace ui_test

#endif  // TESTS_UI_PURE_CAMPAIGNS_H_
