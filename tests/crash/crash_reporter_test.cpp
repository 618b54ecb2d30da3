// Runs crashing programs and checks the report and minidump they leave.
#include "crash/crash_reporter.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "crash/long_symbol_name.h"
#include "fakes/fake_folder.h"
#include "support/test_support.h"

using testing_support::BuildPath;
using testing_support::FakeFolder;
using testing_support::ReadFileBytes;
using testing_support::RunProgram;
using testing_support::ScratchFolder;
using testing_support::SetEmulatedVersion;

namespace {

const DWORD kTimeoutMs = 60000;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The lines of a section after its title, up to the next empty line.
std::vector<std::string> Section(const std::vector<std::string>& lines, const std::string& title) {
  std::vector<std::string> rows;
  size_t i = 0;
  while (i < lines.size() && lines[i] != title) ++i;
  for (++i; i < lines.size() && !lines[i].empty(); ++i) rows.push_back(lines[i]);
  return rows;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& pattern) {
  std::regex re(pattern);
  for (const std::string& line : lines)
    if (std::regex_match(line, re)) return true;
  return false;
}

// Checks a minidump's header and that its stream directory holds a thread
// list (3) and a module list (4), each with at least one entry.
std::string CheckDump(const std::string& dump) {
  auto dword = [&](size_t at) -> DWORD {
    if (at + 4 > dump.size()) return 0;
    return *reinterpret_cast<const DWORD*>(dump.data() + at);
  };
  if (dump.size() < 32 || dump.compare(0, 4, "MDMP") != 0) return "no MDMP header";
  DWORD streams = dword(8);
  DWORD directory = dword(12);
  bool threads = false;
  bool modules = false;
  for (DWORD i = 0; i < streams; ++i) {
    DWORD type = dword(directory + 12 * i);
    DWORD rva = dword(directory + 12 * i + 8);
    if (type == 3 && dword(rva) > 0) threads = true;
    if (type == 4 && dword(rva) > 0) modules = true;
  }
  if (!threads) return "no thread list";
  if (!modules) return "no module list";
  return "";
}

// A copy of a test program under a name of its own in a scratch folder.
class ProgramRun {
 public:
  ProgramRun(const std::string& program, const std::string& name) : name(name) {
    copied = CopyFileA(BuildPath("testbin\\" + program).c_str(), folder.File(name + ".exe").c_str(), FALSE) != 0;
  }
  bool Run(const std::string& arguments, DWORD* exitCode) {
    return copied && RunProgram("\"" + folder.File(name + ".exe") + "\" " + arguments, kTimeoutMs, exitCode);
  }
  std::string File(const std::string& suffix) const { return folder.File(name + suffix); }
  std::vector<std::string> Report() const {
    std::string text;
    ReadFileBytes(File("_Debug.txt"), &text);
    return SplitLines(text);
  }
  const std::string& Name() const { return name; }
  const ScratchFolder& Folder() const { return folder; }

 private:
  ScratchFolder folder;
  std::string name;
  bool copied;
};

const char kModuleHeader[] = "    Size TimeStamp                      CheckSum   ImageBase  Versions";
const char kThreadHeader[] = "Id         StackBase  StackEnd   StartAddress";
const char kModuleRow6[] =
    " *\\d+ 0x[0-9A-F]{8} [ \\d]\\d\\.\\d\\d\\.\\d{4} [ \\d]\\d:\\d\\d:\\d\\d 0x[0-9A-F]{8} 0x[0-9A-F]{8,}"
    " [ \\d]{3}\\d\\.\\d{4}\\.\\d{4}\\.\\d{6} [ \\d]{3}\\d\\.\\d{4}\\.\\d{4}\\.\\d{6} - .*";
const char kModuleRow5[] =
    " *\\d+ 0x[0-9A-F]{8} [ \\d]\\d\\.\\d\\d\\.\\d{4} [ \\d]\\d:\\d\\d:\\d\\d 0x[0-9A-F]{8} 0x[0-9A-F]{8,}"
    " [ \\d]{3}\\d\\.\\d{4}\\.\\d{4}\\.\\d{5} [ \\d]{3}\\d\\.\\d{4}\\.\\d{4}\\.\\d{5} - .*";

struct FaultCase {
  const char* kind;
  const char* thread;
  DWORD code;
  const char* name;
  const char* accessLine;  // null when none
};

TEST(CrashReport, FaultKindsOnBothThreads) {
  const FaultCase cases[] = {
      {"write", "main", 0xC0000005, "Access Violation", "Write to location 0x00000020."},
      {"read", "main", 0xC0000005, "Access Violation", "Read from location 0x00000010."},
      {"divide", "main", 0xC0000094, "Integer Divide by Zero", nullptr},
      {"illegal", "main", 0xC000001D, "Illegal Instruction", nullptr},
      {"cxx", "main", 0xE06D7363, "Microsoft C\\+\\+ Exception", nullptr},
      {"write", "worker", 0xC0000005, "Access Violation", "Write to location 0x00000020."},
      {"read", "worker", 0xC0000005, "Access Violation", "Read from location 0x00000010."},
      {"divide", "worker", 0xC0000094, "Integer Divide by Zero", nullptr},
      {"illegal", "worker", 0xC000001D, "Illegal Instruction", nullptr},
      {"cxx", "worker", 0xE06D7363, "Microsoft C\\+\\+ Exception", nullptr},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const FaultCase& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.kind << " on " << c.thread);
    ProgramRun run("crash_probe.exe", std::string("probe_") + c.kind + "_" + c.thread);
    DWORD exitCode = 0;
    ASSERT_TRUE(run.Run(std::string(c.kind) + " " + c.thread, &exitCode));
    EXPECT_EQ(c.code, exitCode);
    std::vector<std::string> lines = run.Report();
    ASSERT_GE(lines.size(), 8u);

    char code[16];
    wsprintfA(code, "%08X", static_cast<unsigned>(c.code));
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[0], match,
                                 std::regex(std::string(c.name) + " \\[0x" + code +
                                            "\\] at 0x([0-9A-F]{8}) in Thread (\\d+)\\.")))
        << lines[0];
    std::string address = match[1];
    std::string threadId = match[2];
    size_t next = 1;
    if (c.accessLine) {
      EXPECT_EQ(c.accessLine, lines[next++]);
    }
    EXPECT_EQ("", lines[next]);
    const char* registers[] = {
        "EAX=0x[0-9A-F]{8}, CS=0x[0-9A-F]{4}, EIP=0x([0-9A-F]{8}), Flags=0x[0-9A-F]{8}",
        "EBX=0x[0-9A-F]{8}, SS=0x[0-9A-F]{4}, ESP=0x[0-9A-F]{8}, EBP=0x[0-9A-F]{8}",
        "ECX=0x[0-9A-F]{8}, DS=0x[0-9A-F]{4}, ESI=0x[0-9A-F]{8}, FS=0x[0-9A-F]{4}",
        "EDX=0x[0-9A-F]{8}, ES=0x[0-9A-F]{4}, EDI=0x[0-9A-F]{8}, GS=0x[0-9A-F]{4}",
    };
    for (int r = 0; r < 4; ++r) {
      std::smatch registerMatch;
      ASSERT_TRUE(std::regex_match(lines[next + 1 + r], registerMatch, std::regex(registers[r])))
          << lines[next + 1 + r];
      // A hardware fault stops at the faulting instruction.
      if (r == 0 && c.code != 0xE06D7363) {
        EXPECT_EQ(address, registerMatch[1].str());
      }
    }
    EXPECT_TRUE(HasLine(lines, ".+ Mhz"));
    EXPECT_TRUE(HasLine(lines, ".* \\[\\d+\\.\\d+\\] Build \\d+ .*"));
    EXPECT_TRUE(HasLine(lines, "x86( WOW64)? Ansi"));

    std::vector<std::string> stack = Section(lines, "Stack:");
    EXPECT_TRUE(HasLine(stack, "FaultHere\\(0x[0-9A-F]+,.*"));

    std::vector<std::string> modules = Section(lines, "ModuleList:");
    ASSERT_FALSE(modules.empty());
    EXPECT_EQ(kModuleHeader, modules[0]);
    for (size_t m = 1; m < modules.size(); ++m) EXPECT_TRUE(std::regex_match(modules[m], std::regex(kModuleRow6))) << modules[m];
    EXPECT_TRUE(HasLine(modules, ".* - .*\\\\" + run.Name() + "\\.exe"));

    std::vector<std::string> threads = Section(lines, "ThreadList:");
    ASSERT_FALSE(threads.empty());
    EXPECT_EQ(kThreadHeader, threads[0]);
    EXPECT_TRUE(HasLine(threads, threadId + " +0x[0-9A-F]{8} 0x[0-9A-F]{8} 0x[0-9A-F]{8} .*"));

    std::string dump;
    ASSERT_TRUE(ReadFileBytes(run.File("_Debug.dmp"), &dump));
    EXPECT_EQ("", CheckDump(dump));
  }
}

TEST(CrashReport, SecondFaultWritesNoSecondReport) {
  ProgramRun run("crash_probe.exe", "probe_second");
  DWORD exitCode = 0;
  ASSERT_TRUE(run.Run("second main", &exitCode));
  // 3 would mean a filter call answered something else than CONTINUE_SEARCH.
  EXPECT_EQ(0xC0000005u, exitCode);
  std::vector<std::string> lines = run.Report();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("Access Violation \\[0xC0000005\\] at .*")));
  EXPECT_EQ("Write to location 0x00000030.", lines[1]);
}

TEST(CrashReport, RefusedFolderFallsBackToTemp) {
  ProgramRun run("crash_probe.exe", "probe_refused");
  // Folders under the report files' names refuse the files for any user.
  ASSERT_TRUE(CreateDirectoryA(run.File("_Debug.txt").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(run.File("_Debug.dmp").c_str(), nullptr));
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string report = std::string(temp) + "probe_refused_Debug.txt";
  std::string dump = std::string(temp) + "probe_refused_Debug.dmp";
  DeleteFileA(report.c_str());
  DeleteFileA(dump.c_str());
  DWORD exitCode = 0;
  ASSERT_TRUE(run.Run("write main", &exitCode));
  std::string text;
  std::string dumpBytes;
  EXPECT_TRUE(ReadFileBytes(report, &text));
  EXPECT_EQ(0u, text.find("Access Violation [0xC0000005]"));
  EXPECT_TRUE(ReadFileBytes(dump, &dumpBytes));
  EXPECT_EQ("", CheckDump(dumpBytes));
  DeleteFileA(report.c_str());
  DeleteFileA(dump.c_str());
}

TEST(CrashReport, Windows98Formats) {
  ProgramRun run("crash_probe.exe", "probe_win98");
  SetEmulatedVersion(run.Name() + ".exe", "win98");
  DWORD exitCode = 0;
  bool ran = run.Run("write main", &exitCode);
  SetEmulatedVersion(run.Name() + ".exe", "");
  ASSERT_TRUE(ran);
  std::vector<std::string> lines = run.Report();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("Access Violation \\[0xC0000005\\] at 0x[0-9A-F]{8} in Thread 0x[0-9A-F]{8}\\.")))
      << lines[0];
  EXPECT_TRUE(HasLine(lines, ".* \\[4\\.10\\] Build 2222 .*"));
  std::vector<std::string> threads = Section(lines, "ThreadList:");
  for (size_t t = 1; t < threads.size(); ++t)
    EXPECT_TRUE(std::regex_match(threads[t], std::regex("0x[0-9A-F]{8} 0x[0-9A-F]{8} 0x[0-9A-F]{8} 0x[0-9A-F]{8} .*")))
        << threads[t];
}

TEST(CrashReport, CoinstallerFilterLeavesWithTheLibrary) {
  const std::string dll = BuildPath("bin\\Coldrune.dll");
  {
    ProgramRun run("crash_host.exe", "host_unload");
    DWORD exitCode = 0;
    ASSERT_TRUE(run.Run("unload \"" + dll + "\"", &exitCode));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(run.File("_Host.txt").c_str())) << "host filter did not run";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(run.File("_Debug.txt").c_str()));
  }
  {
    ProgramRun run("crash_host.exe", "host_loaded");
    DWORD exitCode = 0;
    ASSERT_TRUE(run.Run("loaded \"" + dll + "\"", &exitCode));
    EXPECT_EQ(0xC0000005u, exitCode);
    std::vector<std::string> lines = run.Report();
    ASSERT_FALSE(lines.empty()) << "no report under the host's name";
    EXPECT_EQ("Write to location 0x00000040.", lines[1]);
    std::vector<std::string> modules = Section(lines, "ModuleList:");
    ASSERT_GT(modules.size(), 1u);
    for (size_t m = 1; m < modules.size(); ++m) EXPECT_TRUE(std::regex_match(modules[m], std::regex(kModuleRow5))) << modules[m];
    EXPECT_TRUE(HasLine(modules, ".*\\\\Coldrune\\.dll"));
  }
}

TEST(CrashReport, WithoutDebugHelpOnlyTheHeader) {
  FakeFolder folder;
  ASSERT_TRUE(folder.AddFake("fake_empty.dll", "dbghelp.dll"));
  ASSERT_TRUE(folder.AddProgram("crash_probe.exe"));
  DWORD exitCode = 0;
  ASSERT_TRUE(folder.Run("crash_probe.exe", "write main", {}, kTimeoutMs, &exitCode));
  std::string text;
  ASSERT_TRUE(ReadFileBytes(folder.File("crash_probe_Debug.txt"), &text));
  std::vector<std::string> lines = SplitLines(text);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ("Write to location 0x00000020.", lines[1]);
  EXPECT_TRUE(HasLine(lines, "EDX=0x.*"));
  EXPECT_TRUE(HasLine(lines, "x86( WOW64)? Ansi"));
  EXPECT_FALSE(HasLine(lines, "Stack:"));
  EXPECT_FALSE(HasLine(lines, "ModuleList:"));
  EXPECT_FALSE(HasLine(lines, "ThreadList:"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.File("crash_probe_Debug.dmp").c_str()));
}

TEST(CrashReport, HostileInputsDoNotBreakTheHandler) {
  std::string threadText(
      "CrashProbeNamedThread-0123456789012345678901234567890123456789012345678901234567890123456789"
      "0123456789012345678901234567890123456789012345678901234567");
  const std::string longSymbol = std::string(LONG_SYMBOL_NAME).substr(0, 300) + ".*";
  const struct {
    const char* kind;
    const char* expect;  // a line pattern in the named section
    const char* section;
  } cases[] = {
      {"longname", longSymbol.c_str(), "Stack:"},
      {"cycle", "CycleFault.*", "Stack:"},
      {"threadname", nullptr, "ThreadList:"},
      {"badname", "\\d+ +0x[0-9A-F]{8} 0x[0-9A-F]{8} 0x[0-9A-F]{8} .* ", "ThreadList:"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " " << cases[i].kind);
    ProgramRun run("crash_probe.exe", std::string("probe_") + cases[i].kind);
    DWORD exitCode = 0;
    ASSERT_TRUE(run.Run(std::string(cases[i].kind) + " main", &exitCode)) << "handler did not end";
    EXPECT_EQ(0xC0000005u, exitCode);
    std::vector<std::string> lines = run.Report();
    ASSERT_FALSE(lines.empty());
    std::vector<std::string> section = Section(lines, cases[i].section);
    ASSERT_FALSE(section.empty()) << "no " << cases[i].section;
    if (cases[i].expect) {
      EXPECT_TRUE(HasLine(section, cases[i].expect));
    }
    if (!strcmp(cases[i].kind, "threadname")) {
      bool found = false;
      for (const std::string& row : section)
        if (row.size() >= 99 && row.compare(row.size() - 100, 100, " " + threadText.substr(0, 99)) == 0) found = true;
      std::string rows;
      for (const std::string& row : section) rows += row + "\n";
      EXPECT_TRUE(found) << "no row ends with the thread's first 99 characters:\n" << rows;
    }
    if (!strcmp(cases[i].kind, "cycle")) {
      EXPECT_LT(section.size(), 1030u);
    }
  }
}

TEST(CrashReport, StackOverflow) {
  ProgramRun run("crash_probe.exe", "probe_overflow");
  DWORD exitCode = 0;
  ASSERT_TRUE(run.Run("overflow main", &exitCode));
  std::vector<std::string> lines = run.Report();
  if (lines.empty())
    GTEST_SKIP() << "Wine ended the overflowing process (code 0x" << std::hex << exitCode
                 << ") without a report the filter could write";
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("Stack Overflow \\[0xC00000FD\\] at .*"))) << lines[0];
}

}  // namespace
