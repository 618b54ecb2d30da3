#include "ui/module_file.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "base/text_string.h"
#include "support/guarded_bytes.h"
#include "support/test_support.h"
#include "ui/version_title.h"

using namespace testing_support;

namespace {

TEST(VersionTitle, ParsesAndFormatsFileVersions) {
  const struct {
    const char* version;
    const char* title;
  } cases[] = {
      {"2.5", "C [2.05]"}, {"1, 0, 2, 1", "C [1.01]"},  // the minor number is not read and keeps 1
      {"1.0.2.1", "C [1.00]"}, {"4.123", "C [4.123]"}, {"v2.0", "C [1.01]"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    unsigned major = 1, minor = 1;
    ParseFileVersion(cases[i].version, &major, &minor);
    char title[64];
    EXPECT_STREQ(cases[i].title, FormatVersionText(title, sizeof(title), "C", major, minor)) << "case " << i;
  }
}

// "Caption [1.02]" into buffers around its size that end at an inaccessible page.
TEST(VersionTitle, CutToTheBuffer) {
  const struct {
    size_t size;
    const char* text;  // null: nothing written
  } cases[] = {{0, nullptr}, {1, ""}, {14, "Caption [1.02"}, {15, "Caption [1.02]"}, {16, "Caption [1.02]"}};
  GuardedBytes guard;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    char* buffer = reinterpret_cast<char*>(guard.Place(nullptr, cases[i].size));
    EXPECT_EQ(buffer, FormatVersionText(buffer, cases[i].size, "Caption", 1, 2)) << "case " << i;
    if (cases[i].text) { EXPECT_STREQ(cases[i].text, buffer) << "case " << i; }
  }
  ModuleFile file;
  EXPECT_EQ(ModuleFile::kTitleSize - 1u, strlen(file.FormatVersionTitle(std::string(500, 'c').c_str(), nullptr)));
}

std::string Utf16(const std::string& text) {
  std::string units;
  for (char c : text) units += std::string(1, c) + '\0';
  return units;
}

// Copies of version_dll.dll (German "1.02", US English "9.9") whose string
// tables named in `renamed` are moved to code page 04E4, which is not asked.
TEST(ModuleFile, ReadsTheGermanThenTheEnglishFileVersion) {
  const struct {
    const char* renamed;  // null: no file
    int found;
    const char* stored;
    unsigned major, minor;
    const char* title;
  } cases[] = {
      {"", 1, "1.02", 1, 2, "T [1.02]"},
      {"040704", 1, "9.9", 9, 9, "T [9.09]"},
      {"040704 040904", 0, "", 77, 77, "T [1.01]"},
      {nullptr, 0, "", 77, 77, "T [1.01]"},
  };
  ScratchFolder folder;
  std::string original;
  ASSERT_TRUE(ReadFileBytes(BuildPath("testbin\\version_dll.dll"), &original));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    std::string bytes = original;
    for (const char* table : {"040704", "040904"})
      if (cases[i].renamed && strstr(cases[i].renamed, table))
        bytes.replace(bytes.find(Utf16(std::string(table) + "B0")), 16, Utf16(std::string(table) + "E4"));
    const std::string path = folder.File("v" + std::to_string(i) + ".dll");
    if (cases[i].renamed) { ASSERT_TRUE(WriteFileBytes(path, bytes)); }
    unsigned major = 77, minor = 77;
    TextString stored;
    EXPECT_EQ(cases[i].found, ModuleFile::ReadFileVersion(path.c_str(), &major, &minor, &stored));
    EXPECT_STREQ(cases[i].stored, stored.Buffer() ? stored.Buffer() : "");
    EXPECT_EQ(cases[i].major, major);
    EXPECT_EQ(cases[i].minor, minor);
    HMODULE module = LoadLibraryA(path.c_str());
    ModuleFile file;
    EXPECT_STREQ(cases[i].title, file.FormatVersionTitle("T", module));
    if (module) FreeLibrary(module);
  }
}

// Module paths of 258, 259 and 260 characters into buffers of exactly
// kPathSize bytes that end at an inaccessible page: 259 is the longest that
// fits; a longer one is cut there and terminated.
TEST(ModuleFile, PathsAtTheBufferLimit) {
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
    ModuleFile file;
    EXPECT_STREQ(fits ? "T [1.02]" : "T [1.01]", file.FormatVersionTitle("T", module));
    FreeLibrary(module);
    DeleteFileW(wide.c_str());
  }
}

}  // namespace
