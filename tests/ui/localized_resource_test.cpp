#include "ui/localized_resource.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "ui/ui_test_resources.h"

namespace {

TEST(ResourceLanguageChain, TriesSublanguagesThenNeutralThenEnglish) {
  const struct {
    WORD language;
    WORD chain[kResourceLanguageCount];
  } cases[] = {
      {0x0407, {0x0407, 0x0407, 0x0007, 0, 0x0409, 0x0809, 0x0009}},
      {0x0C07, {0x0C07, 0x0407, 0x0007, 0, 0x0409, 0x0809, 0x0009}},
      {0x0816, {0x0816, 0x0416, 0x0016, 0, 0x0409, 0x0809, 0x0009}},
      {0x0000, {0x0000, 0x0400, 0x0000, 0, 0x0409, 0x0809, 0x0009}},
      {0x7C04, {0x7C04, 0x0404, 0x0004, 0, 0x0409, 0x0809, 0x0009}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    WORD chain[kResourceLanguageCount];
    ResourceLanguageChain(cases[i].language, chain);
    for (int step = 0; step < kResourceLanguageCount; ++step)
      EXPECT_EQ(cases[i].chain[step], chain[step]) << "case " << i << ", step " << step;
  }
}

// Each raw resource holds the tag of its language, terminator included.
std::string Found(int id, WORD language, DWORD* size) {
  DWORD bytes = *size;
  const char* data = static_cast<const char*>(
      FindLocalizedResource(GetModuleHandleA(nullptr), RT_RCDATA, MAKEINTRESOURCEA(id), language, &bytes));
  *size = bytes;
  return data ? std::string(data, bytes) : "(none)";
}

// The platform's own lookup already falls back a little: an exact language
// also finds its SUBLANG_NEUTRAL and LANG_NEUTRAL variants, and Wine answers
// LANG_NEUTRAL with any language. The chain's order is shown by the table
// above; here every case must come out as the chain promises.
TEST(FindLocalizedResource, FollowsTheFallbackChain) {
  using std::string;
  const struct {
    int id;
    WORD language;
    const char* tag;
  } cases[] = {
      {IDR_NEUTRAL_ONLY, 0x0407, "neutral"},
      {IDR_NEUTRAL_ONLY, 0x0411, "neutral"},
      {IDR_NEUTRAL_ONLY, 0x0000, "neutral"},
      {IDR_UK_ONLY, 0x0407, "en-GB"},  // no German, no neutral: the chain reaches 0x0809
      {IDR_UK_ONLY, 0x0416, "en-GB"},
      {IDR_GERMAN_FAMILY, 0x0C07, "de-AT"},  // the language itself
      {IDR_GERMAN_FAMILY, 0x0807, "de-DE"},  // its SUBLANG_DEFAULT before English
      {IDR_GERMAN_FAMILY, 0x0407, "de-DE"},
      {IDR_GERMAN_FAMILY, 0x0416, "en-US"},
      {IDR_ENGLISH_PAIR, 0x0416, "en-GB"},  // 0x0809, not another English
      {IDR_ENGLISH_PAIR, 0x0C09, "en-AU"},
      {IDR_ENGLISH_NEUTRAL, 0x0407, "en"},
      {IDR_PORTUGUESE, 0x0816, "pt"},  // SUBLANG_NEUTRAL before English
      {IDR_ABSENT, 0x0407, "(none)"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    DWORD size = 1234;  // a missing resource leaves it
    const bool absent = cases[i].id == IDR_ABSENT;
    EXPECT_EQ(string(cases[i].tag) + (absent ? "" : string(1, '\0')), Found(cases[i].id, cases[i].language, &size))
        << "case " << i << ", language 0x" << std::hex << cases[i].language;
    EXPECT_EQ(absent ? 1234 : strlen(cases[i].tag) + 1, size) << "case " << i;
  }
  EXPECT_NE(nullptr, FindLocalizedResource(GetModuleHandleA(nullptr), RT_RCDATA, MAKEINTRESOURCEA(IDR_NEUTRAL_ONLY),
                                           0x0407, nullptr));
}

}  // namespace
