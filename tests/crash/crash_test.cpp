// The report's lines from recorded values, then the report and minidump that
// crash_probe leaves.
#include <gtest/gtest.h>
#include <string.h>

#include <regex>
#include <string>
#include <vector>

#include "crash/crash_formats.h"
#include "fakes/fake_folder.h"
#include "installer/installer_rules.h"
#include "support/test_support.h"

namespace {

using namespace testing_support;

// What `format` writes into a buffer of `size` bytes filled with 'x'
// beforehand, or a complaint when its answer is not the length written.
template <typename Format, typename... Args>
std::string Text(size_t size, Format format, const Args&... args) {
  std::string buffer(512, 'x');
  int length = format(&buffer[0], size, args...);
  buffer.resize(strlen(buffer.c_str()));
  return length == static_cast<int>(buffer.size()) ? buffer : "answered " + std::to_string(length) + " for: " + buffer;
}

// Whether the bases fit in `size` bytes, then both of them.
std::string Bases(const char* module, size_t size) {
  std::string primary(MAX_PATH, 'x'), fallback(MAX_PATH, 'x');
  int fits = MakeReportBases(module, "T:\\Tmp\\", &primary[0], &fallback[0], size);
  return std::to_string(fits) + " " + primary.c_str() + " " + fallback.c_str();
}

EXCEPTION_RECORD Record(DWORD code, DWORD parameters, ULONG_PTR write) {
  return {code, 0, nullptr, reinterpret_cast<void*>(0x00401A2B), parameters, {write, 0x1234}};
}

ModuleRecord Module(DWORD64 address) {
  return {{}, nullptr, StoredAddress(address), 0x1000, 0xABCDEF, 0x4A5BC60F,
          {0, 0, 0x00060001, 0x1DB04001, 0x00060001, 0x1DB04001, 0, 0, 0, 0, 0, 0, 0}};
}

// The exception line, the 9x forms, paths and the coinstaller's module rows
// are read from real reports below.
TEST(CrashFormats, Lines) {
  // GS, FS, ES, DS, EDI, ESI, EBX, EDX, ECX, EAX, EBP, EIP, CS, flags, ESP and SS, as the context lays them
  // out; some selectors with stale upper bits.
  const DWORD kRegisters[] = {0x2D, 0x53, 0x2C, 0x1002E, 6, 5, 2, 4, 3, 1, 0x12FF40, 0x401000, 0x23, 0x246, 0x12FF00,
                              0x7C002B};
  CONTEXT registers = {};
  memcpy(&registers.SegGs, kRegisters, sizeof(kRegisters));
  const OSVERSIONINFOA nt = {sizeof(OSVERSIONINFOA), 6, 1, 0x00011DB1, VER_PLATFORM_WIN32_NT, "SP1"};
  const SYSTEMTIME local = {2009, 7, 0, 4, 3, 5, 9, 0};
  const ThreadRecord thread = {{}, 36, 0x00140000, 0x0013C000, "Worker", 0x00401000};
  const std::string row = "    4096 0x4A5BC60F  4.07.2009  3:05:09 0x00ABCDEF ",
                    versions = "    6.0001.7600.016385    6.0001.7600.016385 - \r\n";
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {ExceptionName(0xE06D7364), "Exception"},  // a code beside a known one
      {Text(512, FormatAccessLine, Record(0xC0000005, 2, 0)), "Read from location 0x00001234.\r\n"},
      {Text(512, FormatAccessLine, Record(0xC0000005, 1, 1)), ""},
      {Text(512, FormatAccessLine, Record(0xC0000006, 2, 1)), ""},
      {Text(512, FormatRegisters, registers),
       "\r\nEAX=0x00000001, CS=0x0023, EIP=0x00401000, Flags=0x00000246\r\n"
       "EBX=0x00000002, SS=0x002B, ESP=0x0012FF00, EBP=0x0012FF40\r\n"
       "ECX=0x00000003, DS=0x002E, ESI=0x00000005, FS=0x0053\r\n"
       "EDX=0x00000004, ES=0x002C, EDI=0x00000006, GS=0x002D\r\n"},
      {Text(512, FormatOsLine, "Windows 7", nt), "\r\nWindows 7 [6.1] Build 73137 SP1\r\n"},
      {Text(512, FormatModuleRow, Module(0xFFFFFFFF7C800000ULL), local, kInstallerCrashRules),
       row + "0x7C800000" + versions},
      {Text(512, FormatModuleRow, Module(0x100000000ULL), local, kInstallerCrashRules), row + "0x100000000" + versions},
      {Text(512, FormatThreadRow, thread, nullptr, 0), "0x00000024 0x00140000 0x0013C000 0x00401000  Worker\r\n"},
      // Seven characters in one byte too few, just enough and one more.
      {Text(7, BoundedFormat, "%s", "abcdefg"), "abcdef"}, {Text(8, BoundedFormat, "%s", "abcdefg"), "abcdefg"},
      {Text(9, BoundedFormat, "%s", "abcdefg"), "abcdefg"},
      {Bases("C:\\v1.2\\Bramcot", MAX_PATH), "1 C:\\v1.2\\Bramcot T:\\Tmp\\Bramcot"},
      {Bases("C:\\v1.2\\setup.tar.exe", MAX_PATH), "1 C:\\v1.2\\setup.tar T:\\Tmp\\setup.tar"},
      {Bases("Bramcot.exe", MAX_PATH), "1 Bramcot T:\\Tmp\\MiniDump"},
      {Bases(nullptr, MAX_PATH), "1 MiniDump T:\\Tmp\\MiniDump"}, {Bases("", MAX_PATH), "1 MiniDump T:\\Tmp\\MiniDump"},
      // A base one byte too long for its buffer, then both just fitting.
      {Bases("C:\\B.exe", 8), "0 C:\\B T:\\Tmp\\"}, {Bases("C:\\abcd\\B.exe", 9), "0 C:\\abcd\\ T:\\Tmp\\B"},
      {Bases("C:\\abcd\\B.exe", 10), "1 C:\\abcd\\B T:\\Tmp\\B"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(cases[i].expected, cases[i].text);
  }
}

enum Setup { kPlain = 0, kWindows98 = 1, kRefused = 2, kNoDebugHelp = 4, kOverflow = 8, kNoDump = 16, kWindows10 = 32 };

// A thread row after its id, and the start of a module row, which ends in its
// last version field (6 digits for the installer, 5 for the coinstaller) and
// its path. In patterns "{A}" and "{T}" stand for the exception line's
// address and thread id.
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
      {"full", kPlain, {"Access Violation \\[0xC0000005\\] at 0x[0-9A-F]{8} in Thread \\d+\\.",
        "Write to location 0x00000024\\.", "EAX=0x[0-9A-F]{8}, CS=0x[0-9A-F]{4}, EIP={A}, Flags=0x[0-9A-F]{8}",
        ".+ Mhz", ".* \\[\\d+\\.\\d+\\] Build \\d+ .*", "x86 Ansi", "CrashProbeLongSymbol(Abcdefghij){39}Abcde\\(.*",
        kModuleRow + "\\.\\d{6} - .*\\\\crash_probe\\.exe",
        "{T}" + kThreadRow + "CrashProbeLongSymbol(Abcdefghij){39}Abcde CrashProbeNamedThread-(0123456789){7}0123456"}},
      // One report for the first of the filter's two calls.
      {"second", kWindows98, {".* in Thread 0x[0-9A-F]{8}\\.", "Write to location 0x00000030\\.", "!Integer Divide.*",
                              ".* \\[4\\.10\\] Build 2222 .*", "{T}" + kThreadRow + ".*"}},
      // The walk ends at the loop (the report stays short); the files go to temp.
      {"cycle", kRefused, {"Access Violation \\[0xC0000005\\] at .*", "{A}\\((0x[0-9A-F]+,){3}0x[0-9A-F]+\\)"}},
      {"host \"" + BuildPath("bin\\Coldrune.dll") + "\"", kPlain, {"Write to location 0x00000040\\.",
        "kernel32:kernel32@0x[0-9A-F]+\\(0x.*", kModuleRow + "\\.\\d{5} - .*\\\\Coldrune\\.dll"}},
      {"write", kNoDebugHelp, {"x86 Ansi", "!Stack:", "!ModuleList:", "!ThreadList:"}},
      // With the installer's manifest, Windows 10 is told as it is, not as 6.2.
      {"write", kNoDebugHelp | kWindows10, {".* \\[10\\.0\\] Build \\d+ .*"}},
      // The report of an overflowed thread, from the reporter's stack.
      {"overflow", kOverflow, {"Stack Overflow \\[0xC00000FD\\] at .*", "{T}" + kThreadRow + ".*", "ModuleList:"}},
      {"overflow thread", kOverflow, {"{T}" + kThreadRow + "CrashProbeOverflow .*", "CrashProbeOverflow\\(.*"}},
      // A fault under the loader lock: the first lines, and an end in time.
      {"load \"" + BuildPath("testbin\\crash_probe_dll.dll") + "\"", kNoDump, {"Write to location 0x00000020\\.", "x86 Ansi"}},
      // A second fault while the first report is written waits for its end.
      {"two", kPlain, {"Write to location 0x00000020\\.", "ModuleList:", "ThreadList:"}},
  };
  for (size_t i = 0; i < sizeof(runs) / sizeof(runs[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << runs[i].arguments);
    const int setup = runs[i].setup;
    FakeFolder folder;
    ASSERT_TRUE(folder.AddProgram("crash_probe.exe"));
    ASSERT_TRUE(!(setup & kNoDebugHelp) || folder.AddFake("fake_empty.dll", "dbghelp.dll"));
    if (setup & (kWindows98 | kWindows10)) SetEmulatedVersion("crash_probe.exe", setup & kWindows98 ? "win98" : "win10");
    std::string base = folder.File("crash_probe_Debug");
    // Folders under the report files' names refuse the files to any user.
    for (const char* suffix : {".txt", ".dmp"})
      ASSERT_TRUE(!(setup & kRefused) || CreateDirectoryA((base + suffix).c_str(), nullptr));
    char temp[MAX_PATH];
    if (setup & kRefused) base = std::string(temp, GetTempPathA(MAX_PATH, temp)) + "crash_probe_Debug";
    DWORD exitCode = 0;
    ASSERT_TRUE(folder.Run("crash_probe.exe", runs[i].arguments, {}, 60000, &exitCode));
    EXPECT_TRUE((setup & kOverflow) || exitCode == 0xC0000005u) << exitCode;
    std::string text, dump;
    ReadFileBytes(base + ".txt", &text);
    EXPECT_EQ(setup & (kNoDebugHelp | kNoDump) ? "none" : "MDMP", ReadFileBytes(base + ".dmp", &dump) ? dump.substr(0, 4) : "none");
    std::vector<std::string> lines = ReadLines(base + ".txt");
    for (const char* suffix : {".txt", ".dmp"}) DeleteFileA((base + suffix).c_str());
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
