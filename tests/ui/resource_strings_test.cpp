#include "ui/resource_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/guarded_bytes.h"
#include "ui/localized_resource.h"

namespace {

// Wine's own lookup falls back too (an exact language also finds its
// neutral variants, LANG_NEUTRAL finds any), which hides part of the order
// from the lookups below.
TEST(ResourceLanguageChain, TriesSublanguagesThenNeutralThenEnglish) {
  WORD chain[kResourceLanguageCount];
  ResourceLanguageChain(0x7C04, chain);
  EXPECT_EQ(std::vector<WORD>({0x7C04, 0x0404, 0x0004, 0, 0x0409, 0x0809, 0x0009}), std::vector<WORD>(chain, chain + 7));
}

// One string-table block of the program per lookup (ui_test.rc), each entry
// naming its language; then texts around the 600 bytes a caller's buffer
// holds, read into buffers of exactly kTextSize bytes that end at an
// inaccessible page (the first two rows: the object's own buffer).
TEST(ResourceStrings, FollowTheLanguageChainWithin600Bytes) {
  const std::string x599(599, 'x');
  const struct { WORD language; int id; std::string text; } cases[] = {
      {0x0411, 16, "neutral"}, {0x0407, 32, "en-GB"},  // no German, no neutral: the chain reaches 0x0809
      {0x0C07, 48, "de-AT"},   {0x0807, 48, "de-DE"},  // SUBLANG_DEFAULT before English
      {0x0416, 48, "en-US"},   {0x0416, 64, "en-GB"},  // 0x0809, not another English
      {0x0407, 80, "en"},      {0x0816, 96, "pt"},     // SUBLANG_NEUTRAL before English
      {0x0407, 112, "?"},      {0x0411, 17, "?"},      // no block; an empty entry
      {0x0407, 128, x599},     {0x0407, 129, x599 + "x"}, {0x0407, 130, "?"},
  };
  ResourceStrings strings;
  testing_support::GuardedBytes guard;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    char* buffer = i < 2 ? nullptr : reinterpret_cast<char*>(guard.Place(nullptr, ResourceStrings::kTextSize));
    strings.SetLanguage(cases[i].language);
    const char* text = strings.GetString(cases[i].id, buffer);
    EXPECT_TRUE(!buffer || text == buffer) << "case " << i;
    EXPECT_EQ(cases[i].text, text) << "case " << i;
  }
}

}  // namespace
