// The platform side of the version classification: asks Windows, then hands
// the answers to the pure decisions in os_kind.cpp.
#include "base/os_kind.h"

#include <string.h>

int QueryOsVersion(OsVersionData* version) {
  OSVERSIONINFOA info;
  memset(&info, 0, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  if (GetVersionExA(&info) != 1) return 0;
  version->platformId = info.dwPlatformId;
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  version->build = info.dwBuildNumber;
  memcpy(version->servicePack, info.szCSDVersion, sizeof(version->servicePack));
  return 1;
}

OsKindWord ClassifyOs() {
  OsVersionData version;
  if (!QueryOsVersion(&version)) return 0;
  return ClassifyVersion(version, 0);
}

int IsOsAtLeast(OsKindWord mask) {
  OsVersionData version;
  if (!QueryOsVersion(&version)) return 0;
  return SatisfiesAtLeast(version, mask);
}
