#include "ui/module_file.h"

#include <gtest/gtest.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

#include "base/text_string.h"
#include "support/test_support.h"
#include "ui/long_path_process.h"

using namespace testing_support;

namespace {

const char kCaption[] = "Tarnvik DVB-T Driver Installer";

// The version_*.dll modules carry only the version blocks their names say.
TEST(ModuleFile, VersionTitlesOfModules) {
  const struct {
    const char* dll;
    int found;
    const char* stored;
    const char* suffix;
  } cases[] = {
      {"version_german_102.dll", 1, "1.02", "[1.02]"},
      {"version_german_25.dll", 1, "2.5", "[2.05]"},
      {"version_german_1021.dll", 1, "1, 0, 2, 1", "[1.01]"},
      {"version_none.dll", 0, "", "[1.01]"},
      {"version_english_37.dll", 1, "3.7", "[3.07]"},
      {"version_both.dll", 1, "4.12", "[4.12]"},  // German before English
      {"version_other_table.dll", 0, "", "[1.01]"},  // 040904E4 is not asked
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

TEST(ModuleFile, ProgramTitleWithNullModule) {
  ModuleFile file;
  char* title = file.FormatVersionTitle(kCaption, nullptr);
  EXPECT_EQ(std::string(kCaption) + " [1.02]", title);
  // A second call reuses the same 200-byte buffer and cuts a long caption.
  std::string longCaption(500, 'c');
  EXPECT_EQ(title, file.FormatVersionTitle(longCaption.c_str(), nullptr));
  EXPECT_EQ(static_cast<size_t>(ModuleFile::kTitleSize - 1), strlen(title));
}

TEST(ModuleFile, ReadFileVersionOfMissingFile) {
  unsigned major = 5, minor = 6;
  EXPECT_EQ(0, ModuleFile::ReadFileVersion("Z:\\no\\such\\file.dll", &major, &minor, nullptr));
  EXPECT_EQ(5u, major);
  EXPECT_EQ(6u, minor);
}

TEST(ModuleFile, DirectoryKeepsItsTrailingBackslash) {
  HMODULE module = LoadLibraryA("version_none.dll");
  ASSERT_NE(nullptr, module);
  char full[MAX_PATH];
  ASSERT_NE(0u, GetModuleFileNameA(module, full, MAX_PATH));
  std::string expected(full);
  expected.erase(expected.rfind('\\') + 1);

  char directory[ModuleFile::kPathSize];
  EXPECT_EQ(1, ModuleFile::GetModuleDirectory(module, directory));
  EXPECT_EQ(expected, directory);
  EXPECT_EQ('\\', expected.back());
  FreeLibrary(module);
}

// --- A program in a folder deeper than 260 characters ----------------------

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                  static_cast<int>(wide.size()));
  wide.resize(units);
  return wide;
}

struct ProbeReport {
  int pathResult;
  size_t pathLength;
  std::string path;
  int tailIntact;
  int directoryResult;
  std::string directory;
  std::string title;
  std::string fullPath;
};

// Runs the probe at `exe` (a full path of any length) and reads its report.
bool RunProbe(const std::wstring& exe, const std::string& reportFile, ProbeReport* report) {
  std::wstring line = L"\"" + exe + L"\" \"" + Wide(reportFile) + L"\"";
  HANDLE process = nullptr;
  LONG status = 0;
  if (!ui_test::StartLongPathProcess(exe, line, &process, &status)) {
    ADD_FAILURE() << "the probe did not start, status 0x" << std::hex << status;
    return false;
  }
  bool ended = WaitForSingleObject(process, 60000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process, 1);
  CloseHandle(process);
  std::string text;
  if (!ended || !ReadFileBytes(reportFile, &text)) return false;
  std::istringstream in(text);
  std::string value;
  std::vector<std::string> lines;
  while (std::getline(in, value)) lines.push_back(value);
  if (lines.size() < 8) return false;
  *report = ProbeReport{atoi(lines[0].c_str()), static_cast<size_t>(atol(lines[1].c_str())), lines[2],
                        atoi(lines[3].c_str()), atoi(lines[4].c_str()), lines[5], lines[6], lines[7]};
  return true;
}

TEST(ModuleFile, PathOfAProgramInAShallowFolder) {
  ScratchFolder folder;
  std::string exe = folder.File("module_path_probe.exe");
  ASSERT_TRUE(CopyFileA(BuildPath("testbin\\module_path_probe.exe").c_str(), exe.c_str(), FALSE));
  ProbeReport report;
  ASSERT_TRUE(RunProbe(Wide(exe), folder.File("report.txt"), &report));
  EXPECT_EQ(1, report.pathResult);
  EXPECT_EQ(report.fullPath, report.path);
  EXPECT_EQ(report.fullPath.size(), report.pathLength);
  EXPECT_EQ(1, report.tailIntact);
  EXPECT_EQ(1, report.directoryResult);
  EXPECT_EQ(report.fullPath.substr(0, report.fullPath.rfind('\\') + 1), report.directory);
  EXPECT_EQ("Probe [1.01]", report.title);
}

// Removes the deep folders of the test, which the narrow calls cannot reach.
class DeepFolder {
 public:
  explicit DeepFolder(const std::string& root) : root(L"\\\\?\\" + Wide(root)) {}
  ~DeepFolder() {
    if (!file.empty()) {
      SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(file.c_str());
    }
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) RemoveDirectoryW(it->c_str());
  }
  DeepFolder(const DeepFolder&) = delete;
  DeepFolder& operator=(const DeepFolder&) = delete;

  // Creates `depth` nested folders below the root; returns the deepest.
  std::wstring Create(int depth) {
    std::wstring path = root;
    for (int i = 0; i < depth; ++i) {
      wchar_t name[32];
      swprintf(name, 32, L"deep-folder-level-%02d\\", i);
      path += name;
      if (!CreateDirectoryW(path.c_str(), nullptr)) return L"";
      levels.push_back(path);
    }
    return path;
  }
  void Holds(const std::wstring& path) { file = path; }

 private:
  std::wstring root;
  std::vector<std::wstring> levels;
  std::wstring file;
};

TEST(ModuleFile, PathOfAProgramInAFolderDeeperThanMaxPath) {
  ScratchFolder folder;
  DeepFolder deep(folder.Path());
  std::wstring directory = deep.Create(14);
  ASSERT_FALSE(directory.empty());
  std::wstring exe = directory + L"module_path_probe.exe";
  ASSERT_TRUE(CopyFileW(Wide(BuildPath("testbin\\module_path_probe.exe")).c_str(), exe.c_str(), FALSE));
  deep.Holds(exe);

  ProbeReport report;
  ASSERT_TRUE(RunProbe(exe.substr(4), folder.File("report.txt"), &report)) << "the deep program did not run";
  ASSERT_GT(report.fullPath.size(), 300u) << report.fullPath;
  EXPECT_EQ(0, report.pathResult) << "a cut path is not the module's path";
  EXPECT_EQ(259u, report.pathLength) << "the path must be terminated within its 260 bytes";
  EXPECT_EQ(report.fullPath.substr(0, 259), report.path);
  EXPECT_EQ(1, report.tailIntact);
  EXPECT_EQ(0, report.directoryResult);
  EXPECT_EQ("", report.directory);
  EXPECT_EQ("Probe [1.01]", report.title);
}

}  // namespace
