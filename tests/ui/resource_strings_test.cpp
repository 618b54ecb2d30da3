#include "ui/resource_strings.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/guarded_bytes.h"
#include "support/test_support.h"
#include "ui/localized_resource.h"
#include "ui/string_block_cases.h"
#include "ui/ui_test_resources.h"

namespace {

TEST(ResourceLanguageChain, TriesSublanguagesThenNeutralThenEnglish) {
  const struct {
    WORD language;
    WORD chain[kResourceLanguageCount];
  } cases[] = {
      {0x0C07, {0x0C07, 0x0407, 0x0007, 0, 0x0409, 0x0809, 0x0009}},
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
      {IDR_NEUTRAL_ONLY, 0x0411, "neutral"},
      {IDR_UK_ONLY, 0x0407, "en-GB"},  // no German, no neutral: the chain reaches 0x0809
      {IDR_GERMAN_FAMILY, 0x0C07, "de-AT"},  // the language itself
      {IDR_GERMAN_FAMILY, 0x0807, "de-DE"},  // its SUBLANG_DEFAULT before English
      {IDR_GERMAN_FAMILY, 0x0416, "en-US"},
      {IDR_ENGLISH_PAIR, 0x0416, "en-GB"},  // 0x0809, not another English
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


TEST(ResourceStrings, ReadsEntriesAlongTheLanguageChain) {
  const struct {
    WORD language;
    int id;
    std::string text;
  } cases[] = {
      {0x0C07, 4, "Please press 'Install' to start installation."},  // through SUBLANG_DEFAULT
      {0x0409, 1, "Install (en)"},                                     // the English block wins for English
      {0x0407, IDS_ENGLISH_ONLY, "only English"},                      // block only in English
      {0x0407, IDS_EMPTY_ENTRY, "?"}, {0x0407, -1, "?"},
      {0x0407, IDS_600, std::string(600, 'x')}, {0x0407, IDS_601, "?"},
  };
  ResourceStrings strings;  // the user's language first: only German and English strings exist
  EXPECT_STREQ(PRIMARYLANGID(GetUserDefaultLangID()) == LANG_GERMAN ? "Install" : "Install (en)",
               strings.GetString(1, nullptr));
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

// What GetString must give for entry `e` of `block`: its units in the ANSI
// code page up to the first zero, "?" when missing or longer than 600 bytes.
std::string ExpectedString(const ui_test::BlockCase& block, const ui_test::BlockEntry& e) {
  if (!e.found) return "?";
  std::vector<char> out(4 * e.units + 1);
  int bytes = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const WCHAR*>(block.bytes.data() + e.offset),
                                  static_cast<int>(e.units), out.data(), static_cast<int>(out.size()), nullptr,
                                  nullptr);
  if (bytes <= 0 || bytes > ResourceStrings::kTextSize - 1) return "?";
  return std::string(out.data(), bytes).c_str();
}

// The random blocks of the block reader's campaign as the string table of a
// module (some block numbers left out); a case is one string id.
TEST(ResourceStrings, RandomStringTables) {
  const int kBlocks = 640;
  testing_support::CampaignRandom random(ui_test::kBlockSeed);
  std::vector<ui_test::BlockCase> blocks;
  testing_support::ScratchFolder folder;
  std::string path = folder.File("strings.dll");
  ASSERT_TRUE(CopyFileA(testing_support::BuildPath("testbin\\version_none.dll").c_str(), path.c_str(), FALSE));
  HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
  ASSERT_NE(nullptr, update);
  for (int b = 0; b < kBlocks; ++b) {
    blocks.push_back(ui_test::RandomBlock(random));
    if (blocks.back().bytes.empty() || random.OneIn(10)) {
      blocks.back() = ui_test::BlockCase();  // no block: every entry missing
      continue;
    }
    ASSERT_TRUE(UpdateResourceA(update, RT_STRING, MAKEINTRESOURCEA(b + 1), 0x0407, blocks.back().bytes.data(),
                                static_cast<DWORD>(blocks.back().bytes.size())));
  }
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, module);

  ResourceStrings strings;
  strings.SetModule(module);
  strings.SetLanguage(0x0407);
  testing_support::GuardedBytes guard;
  for (int id = 0; id < 16 * kBlocks; ++id) {
    SCOPED_TRACE(testing::Message() << "string " << id << " of seed " << ui_test::kBlockSeed);
    std::string expected = ExpectedString(blocks[id / 16], blocks[id / 16].entries[id % 16]);
    char* buffer = id % 16 == 5 ? nullptr : reinterpret_cast<char*>(guard.Place(nullptr, ResourceStrings::kTextSize));
    char* text = strings.GetString(id, buffer);
    ASSERT_TRUE(buffer == nullptr || text == buffer);
    ASSERT_EQ(expected, text);
  }
  FreeLibrary(module);
}

}  // namespace
