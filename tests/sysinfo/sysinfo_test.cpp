#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "coinstaller/coinstaller_rules.h"
#include "installer/installer_rules.h"
#include "support/test_support.h"
#include "sysinfo/processor_info.h"

namespace {

using namespace testing_support;

// What a system is taken for: its classification with the extended bits and
// its name. Versions Wine cannot emulate are worked out here, with the
// releases they satisfy, every service-pack text with stale 'C's behind its
// terminator (no OSR2 letter); the others are read by a probe program whose
// name carries the emulated version.
TEST(OsKind, ClassificationReleasesAndName) {
  // productType, miniNt, peBuilder, fundamentalsRead, fundamentalsInstalled,
  // tabletPc, mediaCenter, remoteSession, starter, serverR2, mediaCenterIdent
  const OsExtendedAnswers all = {"LanmanNT", 1, 1, 1, 1, 1, 1, 1, 1, 1, "4"};
  const OsVersionData xp = {2, 5, 1, 0, "Service Pack 2"}, server = {2, 5, 2, 0, "Service Pack 1a"};
  const struct {
    OsVersionData version;
    const char* expected;  // word, at-least bits (when worked out here), name
    OsExtendedAnswers answers = {};
    bool coinstaller = false;
    const char* wine = nullptr;  // when set, the version Wine emulates for the probe
  } cases[] = {
      {{0, 3, 10, 0, ""}, "4 4 Windows 3.1"}, {{3, 1, 0, 0, ""}, "0 0 unknown 0x0"},
      {{1, 4, 0, 0, ""}, "12 12 Windows 95", all},  // no extended bits outside NT
      {{1, 4, 0, 0, " B"}, "402 412 Windows 95 OSR2"}, {{1, 4, 10, 0, " C"}, "22 432 Windows 98"},
      // Only NT ignores the high bits of its version numbers.
      {{1, 4, 50, 0, ""}, "2 c72 unknown dos kernel 0x2"}, {{1, 0x10004, 0, 0, ""}, "2 2 unknown dos kernel 0x2"},
      {{2, 0x10005, 0x10001, 0, ""}, "201 381 Windows XP"}, {{2, 5, 0, 0, ""}, "101 181 Windows 2000"},
      {{2, 4, 0, 0, ""}, "81 81 Windows NT4"}, {{2, 6, 1, 0, ""}, "1 3381 unknown nt kernel 0x1"},
      // 8.1 and 10: NT releases after Vista, each satisfying every NT release named.
      {{2, 6, 3, 9600, ""}, "24000001 3381 unknown nt kernel 0x24000001", {"WinNT", 0, 0, 0, 0, 0, 0, 1, 0, 0, nullptr}},
      {{2, 10, 0, 19045, ""}, "40000001 3381 unknown nt kernel 0x40000001", {"ServerNT", 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr}},
      {xp, "24020201 381 Windows XP [Workstation] [TerminalSession]", {"WinNT", 0, 0, 0, 0, 0, 0, 1, 0, 0, nullptr}},
      {{2, 6, 0, 0, ""}, "2202001 3381 Windows Vista [MediaCenter Vista]", {nullptr, 0, 0, 0, 0, 0, 1, 0, 0, 0, "5.0"}},
      // The coinstaller's exact match of the service pack.
      {xp, "20420201 381 Windows XP [Workstation] [MediaCenter 2004]", {"winnt", 0, 0, 0, 0, 0, 0, 0, 0, 0, "2.1"}, true},
      {xp, "40820201 381 Windows XP [Server] [MediaCenter 2005]", {"ServerNT", 0, 0, 0, 0, 0, 0, 0, 0, 0, "3"}},
      // Fundamentals needs "Installed" read and 1; Media Center idents 2 to 5.
      {xp, "8020201 381 Windows XP [PE Builder]", {nullptr, 0, 1, 0, 1, 0, 0, 0, 0, 0, "1.9"}},
      {xp, "10020201 381 Windows XP [MiniNT]", {"Terminal", 1, 0, 1, 2, 0, 0, 0, 0, 0, "6.0"}},
      // The longest names; the coinstaller matches the service pack exactly.
      {server, "9d3d9001 1381 Windows Server 2003 [Advanced Server] [PE Builder] [TabletPC] [MediaCenter 2005 Ex]"
               " [Fundamentals for Legacy PCs] [TerminalSession]", all},
      {server, "9d3c1001 1381 Windows Server 2003 [Advanced Server] [PE Builder] [TabletPC] [MediaCenter 2005 Ex]"
               " [TerminalSession]", all, true},
      {{}, "802 Windows 98 SE", {}, 0, "win98"}, {{}, "42 Windows ME", {}, 0, "winme"},
      {{}, "20022001 Windows Vista [Workstation]", {}, 0, "vista"},
      {{}, "20010001 unknown nt kernel 0x20010001", {}, 0, "win7"}};
  ScratchFolder folder;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << (c.wine ? c.wine : ""));
    const OsRules& rules = c.coinstaller ? kCoinstallerOsRules : kInstallerOsRules;
    char name[kOsNameSize], line[kOsNameSize + 32];
    OsKindWord word = 0, atLeast = 0;
    if (c.wine) {
      const std::string exe = std::string("osprobe_") + c.wine + ".exe";
      ASSERT_TRUE(CopyFileA(BuildPath("testbin\\os_probe.exe").c_str(), folder.File(exe).c_str(), FALSE));
      SetEmulatedVersion(exe, c.wine);  // left set: only these copies carry the name
      ASSERT_TRUE(RunProgram("\"" + folder.File(exe) + "\"", 30000, &word));
      snprintf(line, sizeof(line), "%lx %s", word, ComposeOsName(name, word, rules));
    } else {
      OsVersionData v = c.version;
      memset(v.servicePack + strlen(v.servicePack) + 1, 'C', sizeof(v.servicePack) - strlen(v.servicePack) - 1);
      word = AddExtendedBits(ClassifyVersion(v, rules.exactServicePack), c.answers, rules);
      for (OsKindWord release = 1; release <= kOsVista; release <<= 1)
        atLeast |= SatisfiesAtLeast(v, release) ? release : 0;
      snprintf(line, sizeof(line), "%lx %lx %s", word, atLeast, ComposeOsName(name, word, rules));
    }
    EXPECT_EQ(c.expected, std::string(line));
  }
}

ULONG reportedStatus = 0, reportedHertz = 0, seenLength = 0;

// The speed class (43) answers three 32-bit values, the second in hertz.
LONG WINAPI FakeSpeedQuery(ULONG informationClass, PVOID buffer, ULONG length, PULONG) {
  seenLength = informationClass == 43 ? length : 0;
  memcpy(static_cast<char*>(buffer) + 4, &reportedHertz, 4);  // a failed call's answer must not be read
  return static_cast<LONG>(reportedStatus);
}

// A processor's key for each index below the processor count, named and
// identified, and the kernel's function found (Wine rejects class 43). Then,
// with a kernel of our own: its clock rate replaces the registry's unless
// the call fails or answers 0, and a name longer than the 260 bytes read
// leaves the out as it was.
TEST(ProcessorInfo, ProcessorsSpeedAndName) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  ProcessorInfo info(kInstallerOsRules);
  TextString name, vendor, id;
  for (DWORD i = 0; i <= system.dwNumberOfProcessors; ++i)
    EXPECT_EQ(i < system.dwNumberOfProcessors, info.QueryProcessor(i, name, vendor, &id, nullptr)) << i;
  EXPECT_TRUE(name.Length() > 0 && id.Length() > 0);
  unsigned char buffer[16] = {};
  EXPECT_NE(static_cast<LONG>(0xC00000FF), info.QuerySystemInformation(43, buffer, 15, nullptr));

  const char kCpu[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
  const DWORD kFail = 0xC0000003, registryMhz = 1234;
  // status, hertz, name length, MHz
  const DWORD cases[][4] = {{0, 2400000000u, 259, 2400}, {0, 1999999, 260, 1}, {0, 0, 258, 1234}, {kFail, 5, 0, 1234}};
  ProcessorInfo::queryOverride = FakeSpeedQuery;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    const std::string longName(cases[i][2], 'N');
    SwappedValue mhzValue(kCpu, "~MHz", REG_DWORD, &registryMhz, 4),
        nameValue(kCpu, "ProcessorNameString", REG_SZ, longName.c_str(), cases[i][2] + 1);
    reportedStatus = cases[i][0];
    reportedHertz = cases[i][1];
    name.Assign("kept");
    DWORD mhz = 0;
    EXPECT_EQ(1, info.QueryProcessor(0, name, vendor, nullptr, &mhz));
    EXPECT_EQ(cases[i][3], mhz);
    EXPECT_EQ(15u, seenLength) << "the installer hands the kernel 15 bytes";
    EXPECT_EQ(cases[i][2] < 260 ? longName : "kept", name.Buffer());
  }
  ProcessorInfo::queryOverride = nullptr;
}

}  // namespace
