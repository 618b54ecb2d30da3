#include "crash/crash_formats.h"

#include <gtest/gtest.h>

#include <string>

#include "coinstaller/coinstaller_rules.h"
#include "installer/installer_rules.h"

namespace {

TEST(CrashFormats, ExceptionNames) {
  // Both ends of the table, one from its middle, and codes beside known ones.
  const struct {
    DWORD code;
    const char* name;
  } cases[] = {
      {0x40010005, "Control-C"},
      {0xC0000005, "Access Violation"},
      {0xE06D7363, "Microsoft C++ Exception"},
      {0x00000000, "Exception"},
      {0xC0000004, "Exception"},
      {0xE06D7364, "Exception"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
    EXPECT_STREQ(cases[i].name, ExceptionName(cases[i].code)) << "case " << i;
}

TEST(CrashFormats, ExceptionAndAccessLines) {
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = 0xC0000005;
  record.ExceptionAddress = reinterpret_cast<void*>(0x00401A2B);
  record.NumberParameters = 2;
  record.ExceptionInformation[0] = 1;
  record.ExceptionInformation[1] = 0x1234;
  char line[256];
  FormatExceptionLine(line, sizeof(line), record, 42, 1);
  EXPECT_STREQ("Access Violation [0xC0000005] at 0x00401A2B in Thread 42.\r\n", line);
  FormatExceptionLine(line, sizeof(line), record, 42, 0);
  EXPECT_STREQ("Access Violation [0xC0000005] at 0x00401A2B in Thread 0x0000002A.\r\n", line);
  FormatAccessLine(line, sizeof(line), record);
  EXPECT_STREQ("Write to location 0x00001234.\r\n", line);
  record.ExceptionInformation[0] = 0;
  FormatAccessLine(line, sizeof(line), record);
  EXPECT_STREQ("Read from location 0x00001234.\r\n", line);
  record.NumberParameters = 1;
  EXPECT_EQ(0, FormatAccessLine(line, sizeof(line), record));
  EXPECT_STREQ("", line);
}

TEST(CrashFormats, RegisterLinesShowSixteenBitSelectors) {
  CONTEXT context = {};
  context.Eax = 1;
  context.Ebx = 2;
  context.Ecx = 3;
  context.Edx = 4;
  context.Esi = 5;
  context.Edi = 6;
  context.Eip = 0x00401000;
  context.Esp = 0x0012FF00;
  context.Ebp = 0x0012FF40;
  context.EFlags = 0x246;
  context.SegCs = 0x23;
  context.SegSs = 0x7C002B;
  context.SegDs = 0x2B;
  context.SegEs = 0x2B;
  context.SegFs = 0x53;
  context.SegGs = 0x2B;
  char text[512];
  FormatRegisters(text, sizeof(text), context);
  EXPECT_STREQ(
      "\r\nEAX=0x00000001, CS=0x0023, EIP=0x00401000, Flags=0x00000246\r\n"
      "EBX=0x00000002, SS=0x002B, ESP=0x0012FF00, EBP=0x0012FF40\r\n"
      "ECX=0x00000003, DS=0x002B, ESI=0x00000005, FS=0x0053\r\n"
      "EDX=0x00000004, ES=0x002B, EDI=0x00000006, GS=0x002B\r\n",
      text);
}

TEST(CrashFormats, OsLineCutsTheBuildOffNt) {
  OSVERSIONINFOA version = {};
  version.dwMajorVersion = 4;
  version.dwMinorVersion = 10;
  version.dwBuildNumber = 0x040A08AE;
  version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  lstrcpyA(version.szCSDVersion, " A ");
  char line[256];
  FormatOsLine(line, sizeof(line), "Windows 98", version);
  EXPECT_STREQ("\r\nWindows 98 [4.10] Build 2222  A \r\n", line);
  version.dwPlatformId = VER_PLATFORM_WIN32_NT;
  version.dwBuildNumber = 0x00011DB1;
  version.szCSDVersion[0] = 0;
  FormatOsLine(line, sizeof(line), "Windows 7", version);
  EXPECT_STREQ("\r\nWindows 7 [4.10] Build 73137 \r\n", line);
}

ModuleRecord Module61(const WCHAR* path, DWORD64 base) {
  ModuleRecord record = {};
  record.path = const_cast<WCHAR*>(path);
  record.baseOfImage = StoredAddress(base);
  record.sizeOfImage = 0x1000;
  record.timeDateStamp = 0x4A5BC60F;
  record.checkSum = 0xABCDEF;
  record.versionInfo.dwFileVersionMS = 0x00060001;
  record.versionInfo.dwFileVersionLS = 0x1DB04001;
  record.versionInfo.dwProductVersionMS = 0x00060001;
  record.versionInfo.dwProductVersionLS = 0x1DB04001;
  return record;
}

TEST(CrashFormats, ModuleRows) {
  SYSTEMTIME local = {};
  local.wYear = 2009;
  local.wMonth = 7;
  local.wDay = 4;
  local.wHour = 3;
  local.wMinute = 5;
  local.wSecond = 9;
  const struct {
    const WCHAR* path;
    DWORD64 base;
    const CrashRules* rules;
    const char* row;
  } cases[] = {
      {L"C:\\Windows\\system32\\kernel32.dll", 0xFFFFFFFF7C800000ULL, &kInstallerCrashRules,
       "    4096 0x4A5BC60F  4.07.2009  3:05:09 0x00ABCDEF 0x7C800000    6.0001.7600.016385    6.0001.7600.016385"
       " - C:\\Windows\\system32\\kernel32.dll\r\n"},
      {L"C:\\Windows\\system32\\kernel32.dll", 0x7C800000ULL, &kCoinstallerCrashRules,
       "    4096 0x4A5BC60F  4.07.2009  3:05:09 0x00ABCDEF 0x7C800000    6.0001.7600.16385    6.0001.7600.16385"
       " - C:\\Windows\\system32\\kernel32.dll\r\n"},
      {nullptr, 0x00400000ULL, &kInstallerCrashRules,
       "    4096 0x4A5BC60F  4.07.2009  3:05:09 0x00ABCDEF 0x00400000    6.0001.7600.016385    6.0001.7600.016385"
       " - \r\n"},
      {L"x", 0x100000000ULL, &kInstallerCrashRules,
       "    4096 0x4A5BC60F  4.07.2009  3:05:09 0x00ABCDEF 0x100000000    6.0001.7600.016385    6.0001.7600.016385"
       " - x\r\n"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    ModuleRecord record = Module61(cases[i].path, cases[i].base);
    char row[512];
    int length = FormatModuleRow(row, sizeof(row), record, local, *cases[i].rules);
    EXPECT_STREQ(cases[i].row, row) << "case " << i;
    EXPECT_EQ(static_cast<int>(strlen(row)), length) << "case " << i;
  }
}

TEST(CrashFormats, ThreadRows) {
  ThreadRecord record = {};
  record.threadId = 36;
  record.stackBase = 0x00140000;
  record.stackEnd = 0x0013C000;
  char row[512];
  FormatThreadRow(row, sizeof(row), record, "", 1);
  EXPECT_STREQ("36         0x00140000 0x0013C000 0x00000000  \r\n", row);
  lstrcpyA(record.name, "Worker");
  record.startAddress = 0x00401000;
  FormatThreadRow(row, sizeof(row), record, "WorkerEntry", 0);
  EXPECT_STREQ("0x00000024 0x00140000 0x0013C000 0x00401000 WorkerEntry Worker\r\n", row);
}

TEST(CrashFormats, ReportBases) {
  const struct {
    const char* module;
    const char* primary;
    const char* fallback;
  } cases[] = {
      {"C:\\Setup\\Bramcot.exe", "C:\\Setup\\Bramcot", "T:\\Tmp\\Bramcot"},
      {"C:\\v1.2\\Bramcot", "C:\\v1.2\\Bramcot", "T:\\Tmp\\Bramcot"},
      {"C:\\v1.2\\setup.tar.exe", "C:\\v1.2\\setup.tar", "T:\\Tmp\\setup.tar"},
      {"Bramcot.exe", "Bramcot", "T:\\Tmp\\MiniDump"},
      {nullptr, "MiniDump", "T:\\Tmp\\MiniDump"},
      {"", "MiniDump", "T:\\Tmp\\MiniDump"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    char primary[MAX_PATH];
    char fallback[MAX_PATH];
    EXPECT_EQ(1, MakeReportBases(cases[i].module, "T:\\Tmp\\", primary, fallback, sizeof(primary))) << "case " << i;
    EXPECT_STREQ(cases[i].primary, primary) << "case " << i;
    EXPECT_STREQ(cases[i].fallback, fallback) << "case " << i;
  }
  char small[8];
  char fallback[8];
  EXPECT_EQ(0, MakeReportBases("C:\\Folder\\Bramcot.exe", "T:\\", small, fallback, sizeof(small)));
  EXPECT_EQ(7u, strlen(small));
}

TEST(CrashFormats, BoundedFormatTerminatesCutText) {
  char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(4, BoundedFormat(buffer, sizeof(buffer), "%s", "abcdefgh"));
  EXPECT_STREQ("abcd", buffer);
}

}  // namespace
