#include "ui/module_file.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/text_string.h"
#include "support/guarded_bytes.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

const char kCaption[] = "Tarnvik DVB-T Driver Installer";

// The version_*.dll modules carry only the version blocks their names say;
// the program itself has the German one (ui_test.rc).
TEST(ModuleFile, VersionTitlesOfModules) {
  const struct {
    const char* dll;
    int found;
    const char* stored;
    const char* suffix;
  } cases[] = {
      {"version_english_37.dll", 1, "3.7", "[3.07]"},
      {"version_both.dll", 1, "4.12", "[4.12]"},        // German before English
      {"version_other_table.dll", 0, "", "[1.01]"},     // 040904E4 is not asked
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " (" << cases[i].dll << ")");
    HMODULE module = LoadLibraryA(cases[i].dll);
    ASSERT_NE(nullptr, module);
    char path[ModuleFile::kPathSize];
    ASSERT_EQ(1, ModuleFile::GetModulePath(module, path));
    unsigned major = 77, minor = 77;
    TextString stored;
    EXPECT_EQ(cases[i].found, ModuleFile::ReadFileVersion(path, &major, &minor, &stored));
    EXPECT_STREQ(cases[i].stored, stored.Buffer());
    ModuleFile file;
    EXPECT_EQ(std::string(kCaption) + " " + cases[i].suffix, file.FormatVersionTitle(kCaption, module));
    FreeLibrary(module);
  }
}

TEST(ModuleFile, ProgramTitleAndMissingFile) {
  ModuleFile file;
  EXPECT_EQ(std::string(kCaption) + " [1.02]", file.FormatVersionTitle(kCaption, nullptr));
  EXPECT_EQ(static_cast<size_t>(ModuleFile::kTitleSize - 1),
            strlen(file.FormatVersionTitle(std::string(500, 'c').c_str(), nullptr)));
  unsigned major = 5, minor = 6;
  EXPECT_EQ(0, ModuleFile::ReadFileVersion("Z:\\no\\such\\file.dll", &major, &minor, nullptr));
  EXPECT_EQ(5u, major);
  EXPECT_EQ(6u, minor);
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Paths written into buffers of exactly 260 bytes that end at an inaccessible
// page: a path longer than MAX_PATH is cut to 259 bytes and terminated. The
// module is a copy of version_english_37.dll `depth` folders down, reached
// through \\?\ paths.
TEST(ModuleFile, PathsOfShallowAndDeepModules) {
  ScratchFolder folder;
  GuardedBytes guard;
  for (int depth : {1, 14}) {
    SCOPED_TRACE(testing::Message() << "depth " << depth);
    std::vector<std::wstring> levels = {L"\\\\?\\" + Wide(folder.Path())};
    for (int i = 0; i < depth; ++i) {
      levels.push_back(levels.back() + L"deep-folder-level-" + std::to_wstring(10 + i) + L"\\");
      CreateDirectoryW(levels.back().c_str(), nullptr);
    }
    const std::wstring file = levels.back() + L"module.dll";
    CopyFileW(Wide(BuildPath("testbin\\version_english_37.dll")).c_str(), file.c_str(), FALSE);
    HMODULE module = LoadLibraryW(file.c_str());
    ASSERT_NE(nullptr, module) << GetLastError();
    const std::string fullPath(file.begin() + 4, file.end());  // ASCII throughout
    const bool fits = fullPath.size() < 260;
    EXPECT_EQ(fits, depth == 1) << fullPath;
    char* path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits ? 1 : 0, ModuleFile::GetModulePath(module, path));
    EXPECT_EQ(fullPath.substr(0, 259), path);
    path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits ? 1 : 0, ModuleFile::GetModuleDirectory(module, path));
    EXPECT_EQ(fits ? fullPath.substr(0, fullPath.rfind('\\') + 1) : "", path);
    ModuleFile titles;
    EXPECT_EQ(fits ? "Probe [3.07]" : "Probe [1.01]", std::string(titles.FormatVersionTitle("Probe", module)));
    FreeLibrary(module);
    DeleteFileW(file.c_str());
    for (; levels.size() > 1; levels.pop_back()) RemoveDirectoryW(levels.back().c_str());
  }
}

}  // namespace
