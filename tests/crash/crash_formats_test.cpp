#include "crash/crash_formats.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "installer/installer_rules.h"

namespace {

// What `format` writes into a buffer of `size` bytes filled with 'x'
// beforehand, or a complaint when its answer is not the length written.
template <typename Format, typename... Args>
std::string Text(size_t size, Format format, const Args&... args) {
  char buffer[512];
  memset(buffer, 'x', sizeof(buffer));
  int length = format(buffer, size, args...);
  if (length != static_cast<int>(strlen(buffer))) return "answered " + std::to_string(length) + " for: " + buffer;
  return buffer;
}

// Whether the bases fit in `size` bytes, then both of them.
std::string Bases(const char* module, size_t size) {
  char primary[MAX_PATH], fallback[MAX_PATH];
  memset(primary, 'x', sizeof(primary));
  memset(fallback, 'x', sizeof(fallback));
  int fits = MakeReportBases(module, "T:\\Tmp\\", primary, fallback, size);
  return std::to_string(fits) + " " + primary + " " + fallback;
}

EXCEPTION_RECORD Record(DWORD code, DWORD parameters, ULONG_PTR write) {
  return {code, 0, nullptr, reinterpret_cast<void*>(0x00401A2B), parameters, {write, 0x1234}};
}

ModuleRecord Module(const WCHAR* path, DWORD64 address) {
  return {{}, const_cast<WCHAR*>(path), StoredAddress(address), 0x1000, 0xABCDEF, 0x4A5BC60F,
          {0, 0, 0x00060001, 0x1DB04001, 0x00060001, 0x1DB04001, 0, 0, 0, 0, 0, 0, 0}};
}

// The report's lines from recorded values; the exception line, the 9x forms
// and the coinstaller's module rows are read from real reports.
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
  const std::string row = "    4096 0x4A5BC60F  4.07.2009  3:05:09 0x00ABCDEF ";
  const std::string version = "    6.0001.7600.016385";
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      // The first and last names of the table, and a code next to one.
      {ExceptionName(0x40010005), "Control-C"}, {ExceptionName(0xE06D7363), "Microsoft C++ Exception"},
      {ExceptionName(0xE06D7364), "Exception"},
      {Text(512, FormatAccessLine, Record(0xC0000005, 2, 0)), "Read from location 0x00001234.\r\n"},
      {Text(512, FormatAccessLine, Record(0xC0000005, 1, 1)), ""},
      {Text(512, FormatAccessLine, Record(0xC0000006, 2, 1)), ""},
      {Text(512, FormatRegisters, registers),
       "\r\nEAX=0x00000001, CS=0x0023, EIP=0x00401000, Flags=0x00000246\r\n"
       "EBX=0x00000002, SS=0x002B, ESP=0x0012FF00, EBP=0x0012FF40\r\n"
       "ECX=0x00000003, DS=0x002E, ESI=0x00000005, FS=0x0053\r\n"
       "EDX=0x00000004, ES=0x002C, EDI=0x00000006, GS=0x002D\r\n"},
      {Text(512, FormatOsLine, "Windows 7", nt), "\r\nWindows 7 [6.1] Build 73137 SP1\r\n"},
      {Text(512, FormatModuleRow, Module(L"C:\\k32.dll", 0xFFFFFFFF7C800000ULL), local, kInstallerCrashRules),
       row + "0x7C800000" + version + version + " - C:\\k32.dll\r\n"},
      {Text(512, FormatModuleRow, Module(nullptr, 0x100000000ULL), local, kInstallerCrashRules),
       row + "0x100000000" + version + version + " - \r\n"},
      {Text(512, FormatThreadRow, thread, nullptr, 0), "0x00000024 0x00140000 0x0013C000 0x00401000  Worker\r\n"},
      // Seven characters in one byte too few, just enough and one more.
      {Text(7, BoundedFormat, "%s", "abcdefg"), "abcdef"}, {Text(8, BoundedFormat, "%s", "abcdefg"), "abcdefg"},
      {Text(9, BoundedFormat, "%s", "abcdefg"), "abcdefg"},
      {Bases("C:\\v1.2\\Bramcot", MAX_PATH), "1 C:\\v1.2\\Bramcot T:\\Tmp\\Bramcot"},
      {Bases("C:\\v1.2\\setup.tar.exe", MAX_PATH), "1 C:\\v1.2\\setup.tar T:\\Tmp\\setup.tar"},
      {Bases("Bramcot.exe", MAX_PATH), "1 Bramcot T:\\Tmp\\MiniDump"},
      {Bases(nullptr, MAX_PATH), "1 MiniDump T:\\Tmp\\MiniDump"}, {Bases("", MAX_PATH), "1 MiniDump T:\\Tmp\\MiniDump"},
      // A base one byte too long for its buffer, then both just fitting.
      {Bases("C:\\B.exe", 8), "0 C:\\B T:\\Tmp\\"},
      {Bases("C:\\abcd\\B.exe", 9), "0 C:\\abcd\\ T:\\Tmp\\B"},
      {Bases("C:\\abcd\\B.exe", 10), "1 C:\\abcd\\B T:\\Tmp\\B"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(cases[i].expected, cases[i].text);
  }
}

}  // namespace
