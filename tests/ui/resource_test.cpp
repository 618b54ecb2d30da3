#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/guarded_bytes.h"
#include "support/test_support.h"
#include "ui/localized_resource.h"
#include "ui/module_file.h"
#include "ui/resource_strings.h"
#include "ui/version_title.h"

using namespace testing_support;

namespace {

// Wine's own lookup falls back too (an exact language also finds its
// neutral variants, LANG_NEUTRAL finds any), which hides part of the order
// from the lookups below.
TEST(ResourceLanguageChain, TriesSublanguagesThenNeutralThenEnglish) {
  WORD chain[kResourceLanguageCount];
  ResourceLanguageChain(0x7C04, chain);
  EXPECT_EQ(std::vector<WORD>({0x7C04, 0x0404, 0x0004, 0, 0x0409, 0x0809, 0x0009}),
            std::vector<WORD>(chain, chain + kResourceLanguageCount));
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
  GuardedBytes guard;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    char* buffer = i < 2 ? nullptr : reinterpret_cast<char*>(guard.Place(nullptr, ResourceStrings::kTextSize));
    strings.SetLanguage(cases[i].language);
    const char* text = strings.GetString(cases[i].id, buffer);
    EXPECT_TRUE(!buffer || text == buffer) << "case " << i;
    EXPECT_EQ(cases[i].text, text) << "case " << i;
  }
}

// Each text read as a version over 1.1 and formatted into a buffer of `size`
// bytes that ends at an inaccessible page ("C [1.02]" takes 9).
TEST(VersionTitle, ParsesAndFormatsWithinTheBuffer) {
  const struct { const char* version; size_t size; const char* title; } cases[] = {
      {"2.5", 64, "C [2.05]"},   {"1, 0, 2, 1", 64, "C [1.01]"},  // the minor number is not read and keeps 1
      {"1.0.2.1", 64, "C [1.00]"}, {"4.123", 64, "C [4.123]"}, {"v2.0", 64, "C [1.01]"},
      {"1.02", 10, "C [1.02]"},  {"1.02", 9, "C [1.02]"},  {"1.02", 8, "C [1.02"},
      {"1.02", 1, ""},           {"1.02", 0, nullptr},  // nothing written
  };
  GuardedBytes guard;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    unsigned major = 1, minor = 1;
    ParseFileVersion(cases[i].version, &major, &minor);
    char* title = reinterpret_cast<char*>(guard.Place(nullptr, cases[i].size));
    EXPECT_EQ(title, FormatVersionText(title, cases[i].size, "C", major, minor)) << "case " << i;
    if (cases[i].title) { EXPECT_STREQ(cases[i].title, title) << "case " << i; }
  }
}

// The program's FileVersion texts are German "1.02" and US English "3.3"
// (ui_test.rc), version_dll.dll's US English "9.9". Copies of the latter at
// paths of 258, 259 and 260 characters, read into buffers of exactly
// kPathSize bytes that end at an inaccessible page: 259 is the longest that
// fits; a longer one is cut there and terminated, and gives no version.
TEST(ModuleFile, VersionTitlesAndPathsAtTheBufferLimit) {
  unsigned major = 7, minor = 7;
  EXPECT_EQ(0, ModuleFile::ReadFileVersion("Z:\\no\\such.dll", &major, &minor, nullptr));
  EXPECT_EQ(707u, major * 100 + minor) << "a failed read changed the version";
  ModuleFile file;
  EXPECT_STREQ("T [1.02]", file.FormatVersionTitle("T", nullptr));
  ScratchFolder folder;
  GuardedBytes guard;
  const std::string dll = BuildPath("testbin\\version_dll.dll");
  for (size_t length : {258, 259, 260}) {
    SCOPED_TRACE(testing::Message() << "length " << length);
    const std::string full = folder.Path() + std::string(length - folder.Path().size() - 4, 'm') + ".dll";
    const std::wstring wide = L"\\\\?\\" + std::wstring(full.begin(), full.end());
    ASSERT_TRUE(CopyFileW(std::wstring(dll.begin(), dll.end()).c_str(), wide.c_str(), FALSE));
    HMODULE module = LoadLibraryW(wide.c_str());
    ASSERT_NE(nullptr, module) << GetLastError();
    const int fits = length < 260;
    char* path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits, ModuleFile::GetModulePath(module, path));
    EXPECT_EQ(full.substr(0, 259), path);
    path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits, ModuleFile::GetModuleDirectory(module, path));
    EXPECT_EQ(fits ? folder.Path() : "", path);
    EXPECT_STREQ(fits ? "T [9.09]" : "T [1.01]", file.FormatVersionTitle("T", module));
    EXPECT_EQ(ModuleFile::kTitleSize - 1u, strlen(file.FormatVersionTitle(std::string(500, 'c').c_str(), module)));
    FreeLibrary(module);
    DeleteFileW(wide.c_str());
  }
}

}  // namespace
