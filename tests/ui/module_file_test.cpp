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

// A module loaded from `depth` nested folders (a copy of version_english_37.dll)
// and the folders, removed again through \\?\ paths.
class NestedModule {
 public:
  NestedModule(const std::string& root, int depth) {
    std::wstring path = L"\\\\?\\" + Wide(root);
    for (int i = 0; i < depth; ++i) {
      path += L"deep-folder-level-" + std::to_wstring(10 + i) + L"\\";
      CreateDirectoryW(path.c_str(), nullptr);
      levels.push_back(path);
    }
    file = path + L"module.dll";
    CopyFileW(Wide(BuildPath("testbin\\version_english_37.dll")).c_str(), file.c_str(), FALSE);
    module = LoadLibraryW(file.c_str());
    char full[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, file.c_str() + 4, -1, full, sizeof(full), nullptr, nullptr);
    fullPath = full;
  }
  ~NestedModule() {
    if (module) FreeLibrary(module);
    DeleteFileW(file.c_str());
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) RemoveDirectoryW(it->c_str());
  }
  HMODULE module;
  std::string fullPath;

 private:
  std::vector<std::wstring> levels;
  std::wstring file;
};

// Paths written into buffers of exactly 260 bytes that end at an inaccessible
// page: a path longer than MAX_PATH is cut to 259 bytes and terminated.
TEST(ModuleFile, PathsOfShallowAndDeepModules) {
  ScratchFolder folder;
  GuardedBytes guard;
  for (int depth : {1, 14}) {
    SCOPED_TRACE(testing::Message() << "depth " << depth);
    NestedModule nested(folder.Path(), depth);
    ASSERT_NE(nullptr, nested.module) << GetLastError();
    const bool fits = nested.fullPath.size() < 260;
    EXPECT_EQ(fits, depth == 1) << nested.fullPath;
    char* path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits ? 1 : 0, ModuleFile::GetModulePath(nested.module, path));
    EXPECT_EQ(nested.fullPath.substr(0, 259), path);
    path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits ? 1 : 0, ModuleFile::GetModuleDirectory(nested.module, path));
    EXPECT_EQ(fits ? nested.fullPath.substr(0, nested.fullPath.rfind('\\') + 1) : "", path);
    ModuleFile file;
    EXPECT_EQ(fits ? "Probe [3.07]" : "Probe [1.01]", std::string(file.FormatVersionTitle("Probe", nested.module)));
  }
}

}  // namespace
