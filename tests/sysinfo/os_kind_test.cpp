#include "sysinfo/os_identity.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "coinstaller/coinstaller_rules.h"
#include "installer/installer_rules.h"
#include "support/test_support.h"

namespace {

OsVersionData Version(DWORD platform, DWORD major, DWORD minor, const char* servicePack) {
  OsVersionData v;
  memset(&v, 0, sizeof(v));
  v.platformId = platform;
  v.major = major;
  v.minor = minor;
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
    {1, 4, 0, " B", 0x402, "Windows 95 OSR2", 0x412},
    {1, 4, 10, " ", 0x22, "Windows 98", 0x32},
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
    {2, 3, 51, "", 0x1, "unknown nt kernel 0x1", 0x3381},
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

TEST(OsKind, ServicePackTextRules) {
  // The co-installer only takes an exact service-pack text.
  OsVersionData v = Version(2, 5, 1, "Service Pack 2, v.2096");
  EXPECT_EQ(0x20201u, ClassifyVersion(v, kInstallerOsRules.exactServicePack));
  EXPECT_EQ(0x201u, ClassifyVersion(v, kCoinstallerOsRules.exactServicePack));
  EXPECT_EQ(0x20201u, ClassifyVersion(Version(2, 5, 1, "Service Pack 2"), kCoinstallerOsRules.exactServicePack));

  // An empty text with a stale byte behind its terminator is still empty.
  OsVersionData stale = Version(1, 4, 0, "");
  stale.servicePack[1] = 'C';
  EXPECT_EQ(0x12u, ClassifyVersion(stale, kInstallerOsRules.exactServicePack));
  EXPECT_EQ(0, SatisfiesAtLeast(stale, kOsWin95Osr2));

  // 128 bytes without a terminator: read within the field, never past it.
  OsVersionData full = Version(2, 5, 1, "");
  memset(full.servicePack, 'x', sizeof(full.servicePack));
  memcpy(full.servicePack + 128 - 14, "Service Pack 2", 14);
  EXPECT_EQ(0x20201u, ClassifyVersion(full, kInstallerOsRules.exactServicePack));
  EXPECT_EQ(0x201u, ClassifyVersion(full, kCoinstallerOsRules.exactServicePack));
}

OsExtendedAnswers NoAnswers() {
  OsExtendedAnswers a;
  memset(&a, 0, sizeof(a));
  return a;
}

TEST(OsKind, ExtendedBitsAndSuffixes) {
  char buffer[kOsNameSize];

  OsExtendedAnswers remote = NoAnswers();
  remote.productType = "WinNT";
  remote.remoteSession = 1;
  OsKindWord xp = AddExtendedBits(0x20201, remote, kInstallerOsRules);
  EXPECT_EQ(0x24020201u, xp);
  EXPECT_STREQ("Windows XP [Workstation] [TerminalSession]", ComposeOsName(buffer, xp, kInstallerOsRules));

  OsExtendedAnswers media = NoAnswers();
  media.mediaCenter = 1;
  media.mediaCenterIdent = "5.0";
  OsKindWord vista = AddExtendedBits(0x2001, media, kInstallerOsRules);
  EXPECT_EQ(0x2001u | kOsMediaCenter | kOsMediaCenterVista, vista);
  EXPECT_STREQ("Windows Vista [MediaCenter Vista]", ComposeOsName(buffer, vista, kInstallerOsRules));

  const struct {
    const char* productType;
    const char* ident;
    OsKindWord bits;
  } texts[] = {
      {"winnt", "2.1", kOsWorkstation | kOsMediaCenter2004},
      {"ServerNT", "3", kOsServer | kOsMediaCenter2005},
      {"LANMANNT", "4.0", kOsDomainController | kOsMediaCenter2005Ex},
      {"Terminal", "6.0", 0},
      {"", "abc", 0},
      {nullptr, "1.9", 0},
  };
  for (size_t i = 0; i < sizeof(texts) / sizeof(texts[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    OsExtendedAnswers a = NoAnswers();
    a.productType = texts[i].productType;
    a.mediaCenterIdent = texts[i].ident;
    EXPECT_EQ(0x201u | texts[i].bits, AddExtendedBits(0x201, a, kInstallerOsRules));
  }

  OsExtendedAnswers all = NoAnswers();
  all.productType = "WinNT";
  all.miniNtKey = all.peBuilderKey = all.tabletPc = all.mediaCenter = all.remoteSession = 1;
  all.starter = all.serverR2 = 1;
  all.fundamentalsRead = 1;
  all.fundamentalsInstalled = 1;
  EXPECT_EQ(0x12u, AddExtendedBits(0x12, all, kInstallerOsRules)) << "no extended bits outside NT";
  EXPECT_EQ(0x201u | 0x3C3C8000u, AddExtendedBits(0x201, all, kInstallerOsRules));
  EXPECT_EQ(0u, AddExtendedBits(0x201, all, kCoinstallerOsRules) & kOsFundamentals);
  EXPECT_STREQ("Windows XP [Workstation] [PE Builder] [TabletPC] [MediaCenter] [TerminalSession]",
               ComposeOsName(buffer, AddExtendedBits(0x201, all, kCoinstallerOsRules), kCoinstallerOsRules));
}

TEST(OsKind, LongestNameFitsItsBuffer) {
  OsKindWord word = kOsNt | kOsServer2003 | kOsDomainController | kOsPeBuilder | kOsTabletPc |
                    kOsMediaCenter2005Ex | kOsFundamentals | kOsTerminalSession;
  char buffer[kOsNameSize + 8];
  memset(buffer, '#', sizeof(buffer));
  const char* name = ComposeOsName(buffer, word, kInstallerOsRules);
  EXPECT_STREQ(
      "Windows Server 2003 [Advanced Server] [PE Builder] [TabletPC] [MediaCenter 2005 Ex]"
      " [Fundamentals for Legacy PCs] [TerminalSession]",
      name);
  EXPECT_EQ(131u, strlen(name));
  for (int i = kOsNameSize; i < kOsNameSize + 8; ++i) EXPECT_EQ('#', buffer[i]);
  EXPECT_EQ(std::string::npos, std::string(ComposeOsName(buffer, word, kCoinstallerOsRules)).find("Fundamentals"));
}

// The real classification under Wine's emulation of each version, run in a
// probe program whose name carries the emulated version.
TEST(OsKind, UnderWineVersionEmulation) {
  using namespace testing_support;
  const struct {
    const char* version;
    const char* name;
  } cases[] = {
      {"win95", "Windows 95"},       {"win98", "Windows 98 SE"}, {"winme", "Windows ME"},
      {"nt40", "Windows NT4"},       {"win2k", "Windows 2000"},  {"winxp", "Windows XP"},
      {"win2003", "Windows Server 2003"}, {"vista", "Windows Vista"}, {"win7", "unknown nt kernel 0x10001"},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    std::string exe = std::string("osprobe_") + c.version + ".exe";
    ASSERT_TRUE(CopyFileA(BuildPath("testbin\\os_probe.exe").c_str(), folder.File(exe).c_str(), FALSE));
    SetEmulatedVersion(exe, c.version);
    DWORD code = 1;
    std::string out = folder.File(std::string(c.version) + ".txt");
    ASSERT_TRUE(RunProgram("\"" + folder.File(exe) + "\" \"" + out + "\"", 30000, &code));
    SetEmulatedVersion(exe, "");
    ASSERT_EQ(0u, code);
    std::string report;
    ASSERT_TRUE(ReadFileBytes(out, &report));
    printf("  %-8s %s", c.version, report.c_str());
    // platform major minor build "sp" word "name" at-least-bits
    unsigned platform, major, minor, build, word, atLeast;
    char sp[129] = {}, name[kOsNameSize] = {};
    ASSERT_EQ(8, sscanf(report.c_str(), "%u %u %u %u \"%128[^\"]\" %x \"%159[^\"]\" %x", &platform, &major, &minor,
                        &build, sp, &word, name, &atLeast))
        << report;
    EXPECT_STREQ(c.name, name);
    OsVersionData v = Version(platform, major, minor, sp);
    EXPECT_EQ(ClassifyVersion(v, kInstallerOsRules.exactServicePack), word);
    for (OsKindWord bit : kLadder) EXPECT_EQ(SatisfiesAtLeast(v, bit), (atLeast & bit) != 0) << std::hex << bit;
  }
}

}  // namespace
