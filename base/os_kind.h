// Classification of the running Windows version into one bit word, from
// which every version-dependent decision of both deliverables is taken. The
// details only the crash report names (product type, editions, the system's
// name) are added on the floor above.
#ifndef BASE_OS_KIND_H_
#define BASE_OS_KIND_H_

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

// What GetVersionExA reports. The service-pack text need not be terminated.
struct OsVersionData {
  DWORD platformId;
  DWORD major;
  DWORD minor;
  DWORD build;
  char servicePack[128];
};

// Pure decisions, fed by the functions below or by tests. With
// exactServicePack 1 the service-pack bits need the text to be exactly
// "Service Pack 1" or "Service Pack 2"; with 0 it need only contain it.
OsKindWord ClassifyVersion(const OsVersionData& version, int exactServicePack);
int SatisfiesAtLeast(const OsVersionData& version, OsKindWord mask);

// The running system. Each call asks the platform afresh. ClassifyOs
// matches the service-pack text by containment.
OsKindWord ClassifyOs();
int IsOsAtLeast(OsKindWord mask);

// Reads the running version into `version` (zeroed first, so an empty
// service-pack text leaves no stale byte). 1 on success.
int QueryOsVersion(OsVersionData* version);

#endif  // BASE_OS_KIND_H_
