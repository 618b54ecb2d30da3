// Runs crash_probe and checks the report and minidump it leaves.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "support/test_support.h"

namespace {

using namespace testing_support;

enum Setup { kPlain = 0, kWindows98 = 1, kRefused = 2, kNoDebugHelp = 4 };

// A thread row after its id, and the end of a module row: its last version
// field (6 digits for the installer, 5 for the coinstaller) and its path. In
// patterns "{A}" and "{T}" stand for the exception line's address and thread id.
const std::string kThreadRow = " +0x[0-9A-F]{8} 0x[0-9A-F]{8} 0x[0-9A-F]{8} ";
const std::string kModuleRow =
    " *\\d+ 0x[0-9A-F]{8} [ \\d]\\d\\.\\d\\d\\.\\d{4} [ \\d]\\d:\\d\\d:\\d\\d 0x[0-9A-F]{8} 0x[0-9A-F]{8,} .*";

TEST(CrashReport, Runs) {
  // The harness's prefix is a 32-bit one: "x86 Ansi", never WOW64.
  const struct {
    std::string arguments;
    int setup;
    std::vector<std::string> patterns;  // each matches a line of the report; after "!" none does
  } runs[] = {
      // The long name is cut to what its 500-byte symbol record holds; the
      // thread's name to 99 characters.
      {"full", kPlain,
       {"Access Violation \\[0xC0000005\\] at 0x[0-9A-F]{8} in Thread \\d+\\.", "Write to location 0x00000024\\.",
        "EAX=0x[0-9A-F]{8}, CS=0x[0-9A-F]{4}, EIP={A}, Flags=0x[0-9A-F]{8}", ".+ Mhz",
        ".* \\[\\d+\\.\\d+\\] Build \\d+ .*", "x86 Ansi", "CrashProbeLongSymbol(Abcdefghij){39}Abcde\\(.*",
        kModuleRow + "\\.\\d{6} - .*\\\\crash_probe\\.exe",
        "{T}" + kThreadRow + "CrashProbeLongSymbol(Abcdefghij){39}Abcde CrashProbeNamedThread-(0123456789){7}0123456"}},
      // One report for the first of the filter's two calls.
      {"second", kWindows98,
       {"Access Violation \\[0xC0000005\\] at 0x[0-9A-F]{8} in Thread 0x[0-9A-F]{8}\\.",
        "Write to location 0x00000030\\.", "!Integer Divide.*", ".* \\[4\\.10\\] Build 2222 .*",
        "{T}" + kThreadRow + ".*"}},
      // The walk ends at the loop (the report stays short); the files go to temp.
      {"cycle", kRefused, {"Access Violation \\[0xC0000005\\] at .*", "{A}\\((0x[0-9A-F]+,){3}0x[0-9A-F]+\\)"}},
      {"host \"" + BuildPath("bin\\Coldrune.dll") + "\"", kPlain,
       {"Write to location 0x00000040\\.", "kernel32:kernel32@0x[0-9A-F]+\\(0x.*",
        kModuleRow + "\\.\\d{5} - .*\\\\Coldrune\\.dll"}},
      {"write", kNoDebugHelp, {"x86 Ansi", "!Stack:", "!ModuleList:", "!ThreadList:"}},
  };
  for (size_t i = 0; i < sizeof(runs) / sizeof(runs[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << runs[i].arguments);
    const int setup = runs[i].setup;
    FakeFolder folder;
    ASSERT_TRUE(folder.AddProgram("crash_probe.exe"));
    ASSERT_TRUE(!(setup & kNoDebugHelp) || folder.AddFake("fake_empty.dll", "dbghelp.dll"));
    if (setup & kWindows98) SetEmulatedVersion("crash_probe.exe", "win98");
    std::string base = folder.File("crash_probe_Debug");
    if (setup & kRefused) {
      // Folders under the report files' names refuse the files to any user.
      ASSERT_TRUE(CreateDirectoryA((base + ".txt").c_str(), nullptr) &&
                  CreateDirectoryA((base + ".dmp").c_str(), nullptr));
      char temp[MAX_PATH];
      base = std::string(temp, GetTempPathA(MAX_PATH, temp)) + "crash_probe_Debug";
    }
    DWORD exitCode = 0;
    ASSERT_TRUE(folder.Run("crash_probe.exe", runs[i].arguments, {}, 60000, &exitCode));
    EXPECT_EQ(0xC0000005u, exitCode);
    std::string text, dump;
    ReadFileBytes(base + ".txt", &text);
    const std::string dumped = ReadFileBytes(base + ".dmp", &dump) ? dump.substr(0, 4) : "no file";
    EXPECT_EQ(setup & kNoDebugHelp ? "no file" : "MDMP", dumped);
    std::vector<std::string> lines = ReadLines(base + ".txt");
    DeleteFileA((base + ".txt").c_str());
    DeleteFileA((base + ".dmp").c_str());
    ASSERT_FALSE(lines.empty());
    EXPECT_LT(lines.size(), 200u) << "a stack walk that did not stop:\n" << text;
    std::smatch exception;
    std::regex_search(lines[0], exception, std::regex(" at (\\S+) in Thread (\\S+)\\."));
    for (std::string pattern : runs[i].patterns) {
      const bool negated = pattern[0] == '!';
      for (size_t at; (at = pattern.find("{A}")) != std::string::npos;) pattern.replace(at, 3, exception[1].str());
      for (size_t at; (at = pattern.find("{T}")) != std::string::npos;) pattern.replace(at, 3, exception[2].str());
      const std::regex re(pattern.substr(negated));
      bool found = false;
      for (const std::string& line : lines) found = found || std::regex_match(line, re);
      EXPECT_NE(negated, found) << pattern << " in:\n" << text;
    }
  }
}

}  // namespace
