#include "ui/resource_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/guarded_bytes.h"
#include "support/test_support.h"
#include "ui/localized_resource.h"
#include "ui/pure_campaigns.h"

namespace {

// Wine's own lookup falls back too (an exact language also finds its
// neutral variants, LANG_NEUTRAL finds any), which hides part of the order
// from the lookups below.
TEST(ResourceLanguageChain, TriesSublanguagesThenNeutralThenEnglish) {
  WORD chain[kResourceLanguageCount];
  ResourceLanguageChain(0x7C04, chain);
  EXPECT_EQ(std::vector<WORD>({0x7C04, 0x0404, 0x0004, 0, 0x0409, 0x0809, 0x0009}), std::vector<WORD>(chain, chain + 7));
}

// One string-table block of the program per id (ui_test.rc), each entry
// naming its language.
TEST(ResourceStrings, FollowTheLanguageChain) {
  const struct { WORD language; int id; const char* text; } cases[] = {
      {0x0411, 16, "neutral"}, {0x0407, 32, "en-GB"},  // no German, no neutral: the chain reaches 0x0809
      {0x0C07, 48, "de-AT"},   {0x0807, 48, "de-DE"},  // SUBLANG_DEFAULT before English
      {0x0416, 48, "en-US"},   {0x0416, 64, "en-GB"},  // 0x0809, not another English
      {0x0407, 80, "en"},      {0x0816, 96, "pt"},     // SUBLANG_NEUTRAL before English
      {0x0407, 112, "?"},
  };
  ResourceStrings strings;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    strings.SetLanguage(cases[i].language);
    EXPECT_STREQ(cases[i].text, strings.GetString(cases[i].id, nullptr)) << "case " << i;
  }
}

// The block reader's random blocks as the German string table of a module
// (some block numbers left out), read into buffers of exactly kTextSize
// bytes: an entry's units in the ANSI code page up to the first zero, "?"
// when missing or longer than 600 bytes.
TEST(ResourceStrings, RandomStringTables) {
  const int kBlocks = 640;
  testing_support::CampaignRandom random(ui_test::kBlockSeed);
  std::vector<ui_test::BlockCase> blocks;
  testing_support::ScratchFolder folder;
  const std::string path = folder.File("strings.dll");
  ASSERT_TRUE(CopyFileA(testing_support::BuildPath("testbin\\version_dll.dll").c_str(), path.c_str(), FALSE));
  HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
  for (int b = 0; b < kBlocks; ++b) {
    blocks.push_back(ui_test::RandomBlock(random));
    const ui_test::Bytes& bytes = blocks.back().bytes;
    if (bytes.empty() || random.OneIn(10))
      blocks.back() = ui_test::BlockCase();  // no block: every entry missing
    else
      UpdateResourceA(update, RT_STRING, MAKEINTRESOURCEA(b + 1), 0x0407, (void*)bytes.data(), DWORD(bytes.size()));
  }
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ResourceStrings strings;
  strings.SetModule(module);
  strings.SetLanguage(0x0407);
  testing_support::GuardedBytes guard;
  for (int id = 0; id < 16 * kBlocks; ++id) {
    SCOPED_TRACE(testing::Message() << "string " << id << " of seed " << ui_test::kBlockSeed);
    const ui_test::BlockCase& block = blocks[id / 16];
    const ui_test::BlockEntry& e = block.entries[id % 16];
    std::vector<char> out(4 * e.units + 1);
    const int bytes = e.found ? WideCharToMultiByte(CP_ACP, 0, (const WCHAR*)(block.bytes.data() + e.offset), e.units,
                                                    out.data(), int(out.size()), nullptr, nullptr) : 0;
    const std::string expected = bytes <= 0 || bytes > 600 ? "?" : std::string(out.data(), bytes).c_str();
    char* buffer = id % 16 == 5 ? nullptr : reinterpret_cast<char*>(guard.Place(nullptr, ResourceStrings::kTextSize));
    const char* text = strings.GetString(id, buffer);
    ASSERT_TRUE(buffer == nullptr || text == buffer);
    ASSERT_EQ(expected, text);
  }
  FreeLibrary(module);
}

}  // namespace
