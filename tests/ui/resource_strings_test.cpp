#include "ui/resource_strings.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "ui/ui_test_resources.h"

namespace {

TEST(ResourceStrings, ReadsEntriesAlongTheLanguageChain) {
  const struct {
    WORD language;
    int id;
    std::string text;
  } cases[] = {
      {0x0407, 1, "Install"},
      {0x0407, 2, "Exit"},
      {0x0407, 3, "Tarnvik DVB-T Driver Installer"},
      {0x0407, 4, "Please press 'Install' to start installation."},
      {0x0407, IDS_SECOND_BLOCK, "Zweiter Block"},
      {0x0C07, 1, "Install"},               // through SUBLANG_DEFAULT
      {0x0409, 1, "Install (en)"},          // the English block wins for English
      {0x0407, IDS_ENGLISH_ONLY, "only English"},  // block only in English
      {0x0407, IDS_EMPTY_ENTRY, "?"},       // block present, entry empty
      {0x0407, 0, "?"},                     // entry 0 of block 1 is empty
      {0x0407, IDS_NO_BLOCK, "?"},          // no block at all
      {0x0407, -1, "?"},
      {0x0407, 0x10000, "?"},
      {0x0407, IDS_600, std::string(600, 'x')},
      {0x0407, IDS_601, "?"},               // does not fit in 600 bytes
  };
  ResourceStrings strings;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    strings.SetLanguage(cases[i].language);
    char buffer[ResourceStrings::kTextSize + 8];
    memset(buffer, 0x7E, sizeof(buffer));
    EXPECT_EQ(buffer, strings.GetString(cases[i].id, buffer));
    EXPECT_EQ(cases[i].text, buffer) << "case " << i;
    for (int tail = ResourceStrings::kTextSize; tail < ResourceStrings::kTextSize + 8; ++tail)
      ASSERT_EQ(0x7E, buffer[tail]) << "case " << i << " wrote past its buffer";
  }
}

TEST(ResourceStrings, OwnBufferIsReusedByTheNextCall) {
  ResourceStrings strings;
  strings.SetLanguage(0x0407);
  char* first = strings.GetString(1, nullptr);
  EXPECT_STREQ("Install", first);
  char* second = strings.GetString(2, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_STREQ("Exit", first);
}

TEST(ResourceStrings, DefaultSelectorsFollowTheSystemLanguages) {
  // Only German and English strings exist; other languages reach English.
  auto expected = [](LANGID language) {
    return PRIMARYLANGID(language) == LANG_GERMAN ? "Install" : "Install (en)";
  };
  ResourceStrings strings;
  EXPECT_STREQ(expected(GetUserDefaultLangID()), strings.GetString(1, nullptr));
  strings.SetLanguage(ResourceStrings::kSystemDefault);
  EXPECT_STREQ(expected(GetSystemDefaultLangID()), strings.GetString(1, nullptr));
}

}  // namespace
