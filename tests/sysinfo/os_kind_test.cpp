#include "sysinfo/os_identity.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "coinstaller/coinstaller_rules.h"
#include "installer/installer_rules.h"
#include "support/test_support.h"

namespace {

OsVersionData Version(DWORD platform, DWORD major, DWORD minor, const char* servicePack) {
  OsVersionData v = {platform, major, minor, 0, {}};
  strncpy(v.servicePack, servicePack, sizeof(v.servicePack));
  return v;
}

const OsKindWord kLadder[] = {kOsNt, kOs9x, kOsWin32s, kOsWin95, kOsWin98, kOsWinMe, kOsNt4, kOsWin2000,
                              kOsWinXp, kOsWin95Osr2, kOsWin98Se, kOsServer2003, kOsVista};

struct VersionCase {
  DWORD platform, major, minor;
  const char* servicePack;
  OsKindWord word;
  const char* name;
  OsKindWord atLeast;  // every version bit the system satisfies
};

const VersionCase kVersions[] = {
    {0, 3, 10, "", 0x4, "Windows 3.1", 0x4},
    {1, 4, 0, "", 0x12, "Windows 95", 0x12},
    {1, 4, 0, " C", 0x402, "Windows 95 OSR2", 0x412},
    {1, 4, 10, " B", 0x22, "Windows 98", 0x432},
    {1, 4, 10, " A ", 0x802, "Windows 98 SE", 0x832},
    {1, 4, 90, " ", 0x42, "Windows ME", 0xC72},
    {1, 4, 50, "", 0x2, "unknown dos kernel 0x2", 0xC72},
    {1, 5, 0, "", 0x2, "unknown dos kernel 0x2", 0x2},
    {2, 4, 0, "Service Pack 6a", 0x81, "Windows NT4", 0x81},
    {2, 5, 0, "Service Pack 4", 0x101, "Windows 2000", 0x181},
    {2, 5, 1, "Service Pack 2", 0x20201, "Windows XP", 0x381},
    {2, 5, 1, "Service Pack 1a", 0x10201, "Windows XP", 0x381},
    {2, 5, 2, "Service Pack 2", 0x21001, "Windows Server 2003", 0x1381},
    {2, 6, 0, "", 0x2001, "Windows Vista", 0x3381},
    {2, 6, 1, "Service Pack 1", 0x10001, "unknown nt kernel 0x10001", 0x3381},
    {3, 1, 0, "", 0, "unknown 0x0", 0},
};

TEST(OsKind, ClassifyNameAndAtLeastTable) {
  for (size_t i = 0; i < sizeof(kVersions) / sizeof(kVersions[0]); ++i) {
    const VersionCase& c = kVersions[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " (" << c.name << ")");
    OsVersionData v = Version(c.platform, c.major, c.minor, c.servicePack);
    OsKindWord word = ClassifyVersion(v, kInstallerOsRules.exactServicePack);
    EXPECT_EQ(c.word, word);
    char buffer[kOsNameSize];
    EXPECT_STREQ(c.name, ComposeOsName(buffer, word, kInstallerOsRules));
    for (OsKindWord bit : kLadder)
      EXPECT_EQ((c.atLeast & bit) != 0, SatisfiesAtLeast(v, bit) != 0) << "mask 0x" << std::hex << bit;
  }
}

// An empty service-pack text with a stale byte behind its terminator is
// still empty: no OSR2 letter.
TEST(OsKind, StaleServicePackByte) {
  OsVersionData stale = Version(1, 4, 0, "");
  stale.servicePack[1] = 'C';
  EXPECT_EQ(0x12u, ClassifyVersion(stale, 1));
  EXPECT_EQ(0, SatisfiesAtLeast(stale, kOsWin95Osr2));
}

TEST(OsKind, ExtendedBitsAndNames) {
  // productType, miniNt, peBuilder, fundamentalsRead, fundamentalsInstalled,
  // tabletPc, mediaCenter, remoteSession, starter, serverR2, mediaCenterIdent
  const OsExtendedAnswers all = {"WinNT", 1, 1, 1, 1, 1, 1, 1, 1, 1, nullptr};
  const struct {
    OsKindWord word;
    OsExtendedAnswers answers;
    const OsRules& rules;
    OsKindWord expected;
    const char* name;  // null: not checked
  } cases[] = {
      {0x20201, {"WinNT", 0, 0, 0, 0, 0, 0, 1, 0, 0, nullptr}, kInstallerOsRules, 0x24020201,
       "Windows XP [Workstation] [TerminalSession]"},
      {0x2001, {nullptr, 0, 0, 0, 0, 0, 1, 0, 0, 0, "5.0"}, kInstallerOsRules,
       0x2001 | kOsMediaCenter | kOsMediaCenterVista, "Windows Vista [MediaCenter Vista]"},
      {0x201, {"winnt", 0, 0, 0, 0, 0, 0, 0, 0, 0, "2.1"}, kInstallerOsRules,
       0x201 | kOsWorkstation | kOsMediaCenter2004, nullptr},
      {0x201, {"ServerNT", 0, 0, 0, 0, 0, 0, 0, 0, 0, "3"}, kInstallerOsRules,
       0x201 | kOsServer | kOsMediaCenter2005, nullptr},
      {0x201, {"LANMANNT", 0, 0, 0, 0, 0, 0, 0, 0, 0, "4.0"}, kInstallerOsRules,
       0x201 | kOsDomainController | kOsMediaCenter2005Ex, nullptr},
      {0x201, {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, "1.9"}, kInstallerOsRules, 0x201, nullptr},
      {0x201, {"Terminal", 0, 0, 0, 0, 0, 0, 0, 0, 0, "6.0"}, kInstallerOsRules, 0x201, nullptr},
      {0x12, all, kInstallerOsRules, 0x12, nullptr},  // no extended bits outside NT
      {0x201, all, kInstallerOsRules, 0x201 | 0x3C3C8000u, nullptr},
      {0x201, all, kCoinstallerOsRules, 0x201 | 0x3C3C0000u,
       "Windows XP [Workstation] [PE Builder] [TabletPC] [MediaCenter] [TerminalSession]"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    OsKindWord word = AddExtendedBits(cases[i].word, cases[i].answers, cases[i].rules);
    EXPECT_EQ(cases[i].expected, word) << "case " << i;
    char buffer[kOsNameSize];
    if (cases[i].name) {
      EXPECT_STREQ(cases[i].name, ComposeOsName(buffer, word, cases[i].rules)) << "case " << i;
    }
  }
  // The longest name, and without Fundamentals where that edition is unknown.
  OsKindWord longest = kOsNt | kOsServer2003 | kOsDomainController | kOsPeBuilder | kOsTabletPc |
                       kOsMediaCenter2005Ex | kOsFundamentals | kOsTerminalSession;
  char buffer[kOsNameSize];
  EXPECT_STREQ("Windows Server 2003 [Advanced Server] [PE Builder] [TabletPC] [MediaCenter 2005 Ex]"
               " [Fundamentals for Legacy PCs] [TerminalSession]",
               ComposeOsName(buffer, longest, kInstallerOsRules));
  EXPECT_STREQ("Windows Server 2003 [Advanced Server] [PE Builder] [TabletPC] [MediaCenter 2005 Ex] [TerminalSession]",
               ComposeOsName(buffer, longest, kCoinstallerOsRules));
}

// The real classification under Wine's emulation of each version, run in a
// probe program whose name carries the emulated version.
TEST(OsKind, UnderWineVersionEmulation) {
  using namespace testing_support;
  const char* const cases[][2] = {
      {"win95", "Windows 95"}, {"win98", "Windows 98 SE"}, {"winme", "Windows ME"},
      {"nt40", "Windows NT4"}, {"win2k", "Windows 2000"}, {"winxp", "Windows XP"},
      {"win2003", "Windows Server 2003"}, {"vista", "Windows Vista"}, {"win7", "unknown nt kernel 0x10001"},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    std::string exe = folder.File(std::string("osprobe_") + c[0] + ".exe"),
                out = folder.File(std::string(c[0]) + ".txt");
    ASSERT_TRUE(CopyFileA(BuildPath("testbin\\os_probe.exe").c_str(), exe.c_str(), FALSE));
    SetEmulatedVersion(exe.substr(folder.Path().size()), c[0]);
    DWORD code = 1;
    ASSERT_TRUE(RunProgram("\"" + exe + "\" \"" + out + "\"", 30000, &code));
    SetEmulatedVersion(exe.substr(folder.Path().size()), "");
    ASSERT_EQ(0u, code);
    std::string report;
    ASSERT_TRUE(ReadFileBytes(out, &report));
    // platform major minor build "sp" word "name" at-least-bits
    unsigned platform, major, minor, build, word, atLeast;
    char sp[129] = {}, name[kOsNameSize] = {};
    ASSERT_EQ(8, sscanf(report.c_str(), "%u %u %u %u \"%128[^\"]\" %x \"%159[^\"]\" %x", &platform, &major, &minor,
                        &build, sp, &word, name, &atLeast))
        << report;
    EXPECT_STREQ(c[1], name);
    OsVersionData v = Version(platform, major, minor, sp);
    EXPECT_EQ(ClassifyVersion(v, kInstallerOsRules.exactServicePack), word);
    for (OsKindWord bit : kLadder) EXPECT_EQ(SatisfiesAtLeast(v, bit), (atLeast & bit) != 0) << std::hex << bit;
  }
}

}  // namespace
