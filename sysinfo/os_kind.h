// Classification of the running Windows version into one bit word, from
// which every version-dependent decision of both deliverables is taken.
#ifndef SYSINFO_OS_KIND_H_
#define SYSINFO_OS_KIND_H_

#include <windows.h>

typedef DWORD OsKindWord;

constexpr OsKindWord kOsNt = 0x1;
constexpr OsKindWord kOs9x = 0x2;
constexpr OsKindWord kOsWin32s = 0x4;
constexpr OsKindWord kOsWin95 = 0x10;
constexpr OsKindWord kOsWin98 = 0x20;
constexpr OsKindWord kOsWinMe = 0x40;
constexpr OsKindWord kOsNt4 = 0x80;
constexpr OsKindWord kOsWin2000 = 0x100;
constexpr OsKindWord kOsWinXp = 0x200;
constexpr OsKindWord kOsWin95Osr2 = 0x400;
constexpr OsKindWord kOsWin98Se = 0x800;
constexpr OsKindWord kOsServer2003 = 0x1000;
constexpr OsKindWord kOsVista = 0x2000;
constexpr OsKindWord kOsFundamentals = 0x8000;
constexpr OsKindWord kOsServicePack1 = 0x10000;
constexpr OsKindWord kOsServicePack2 = 0x20000;
constexpr OsKindWord kOsStarter = 0x40000;
constexpr OsKindWord kOsServerR2 = 0x80000;
constexpr OsKindWord kOsTabletPc = 0x100000;
constexpr OsKindWord kOsMediaCenter = 0x200000;
constexpr OsKindWord kOsMediaCenter2004 = 0x400000;
constexpr OsKindWord kOsMediaCenter2005 = 0x800000;
constexpr OsKindWord kOsMediaCenter2005Ex = 0x1000000;
constexpr OsKindWord kOsMediaCenterVista = 0x2000000;
constexpr OsKindWord kOsTerminalSession = 0x4000000;
constexpr OsKindWord kOsPeBuilder = 0x8000000;
constexpr OsKindWord kOsMiniNt = 0x10000000;
constexpr OsKindWord kOsWorkstation = 0x20000000;
constexpr OsKindWord kOsServer = 0x40000000;
constexpr OsKindWord kOsDomainController = 0x80000000;

// Where the two deliverables differ: the co-installer matches the service-pack
// text exactly, knows nothing of Fundamentals for Legacy PCs, binds ntdll only
// on NT and hands the kernel a 16-byte processor-speed buffer.
struct OsRules {
  int exactServicePack;
  int fundamentals;
  int ntdllOnlyOnNt;
  int speedBufferSize;
};

const OsRules kInstallerOsRules = {0, 1, 0, 15};
const OsRules kCoinstallerOsRules = {1, 0, 1, 16};
// The rules of the deliverable being linked (build_rules.cpp, compiled into
// each deliverable with or without BRAMCOT_COINSTALLER).
extern const OsRules kBuildOsRules;

// What GetVersionExA reports. The service-pack text need not be terminated.
struct OsVersionData {
  DWORD platformId;
  DWORD major;
  DWORD minor;
  DWORD build;
  char servicePack[128];
};

// The registry and metrics answers the extended classification reads.
// Texts are null when their value is missing; numbers are 0 when missing.
struct OsExtendedAnswers {
  const char* productType;
  int miniNtKey;
  int peBuilderKey;
  int fundamentalsRead;  // 1 when "Installed" could be read
  DWORD fundamentalsInstalled;
  int tabletPc;
  int mediaCenter;
  int remoteSession;
  int starter;
  int serverR2;
  const char* mediaCenterIdent;
};

// Room OsName needs: the longest composed name is 131 characters.
const int kOsNameSize = 160;

// Pure decisions, fed by the functions below or by tests.
OsKindWord ClassifyVersion(const OsVersionData& version, const OsRules& rules);
OsKindWord AddExtendedBits(OsKindWord word, const OsExtendedAnswers& answers, const OsRules& rules);
const char* ComposeOsName(char* buffer, OsKindWord word, const OsRules& rules);
int SatisfiesAtLeast(const OsVersionData& version, OsKindWord mask);

// The running system. Each call asks the platform afresh.
OsKindWord ClassifyOs();
OsKindWord ClassifyOsExtended();
// Name for `word` in the caller's buffer of at least kOsNameSize characters,
// or a constant text.
const char* OsName(char* buffer, OsKindWord word);
int IsOsAtLeast(OsKindWord mask);
int IsWow64();

// Reads the running version into `version` (zeroed first, so an empty
// service-pack text leaves no stale byte). 1 on success.
int QueryOsVersion(OsVersionData* version);

#endif  // SYSINFO_OS_KIND_H_
