// The pure classification of a reported version.
#include "base/os_kind.h"

#include <string.h>

namespace {

// Length of the service-pack text, never past its 128 bytes.
size_t ServicePackLength(const OsVersionData& version) {
  return strnlen(version.servicePack, sizeof(version.servicePack));
}

int ContainsWithin(const char* text, size_t length, const char* pattern) {
  size_t patternLength = strlen(pattern);
  for (size_t i = 0; i + patternLength <= length; ++i)
    if (memcmp(text + i, pattern, patternLength) == 0) return 1;
  return 0;
}

int EqualsWithin(const char* text, size_t length, const char* pattern) {
  return strlen(pattern) == length && memcmp(text, pattern, length) == 0;
}

// The second character of the service-pack text tells the 9x releases apart.
char ReleaseLetter(const OsVersionData& version) {
  return ServicePackLength(version) >= 2 ? version.servicePack[1] : 0;
}

OsKindWord NtKernelBits(DWORD major, DWORD minor) {
  switch (((major & 0xFFFF) << 16) | (minor & 0xFFFF)) {
    case 0x40000: return kOsNt | kOsNt4;
    case 0x50000: return kOsNt | kOsWin2000;
    case 0x50001: return kOsNt | kOsWinXp;
    case 0x50002: return kOsNt | kOsServer2003;
    case 0x60000: return kOsNt | kOsVista;
    default: return kOsNt;
  }
}

OsKindWord NineXBits(const OsVersionData& version) {
  if (version.major != 4) return kOs9x;
  char letter = ReleaseLetter(version);
  switch (version.minor) {
    case 0: return (letter == 'B' || letter == 'C') ? (kOs9x | kOsWin95Osr2) : (kOs9x | kOsWin95);
    case 10: return letter == 'A' ? (kOs9x | kOsWin98Se) : (kOs9x | kOsWin98);
    case 90: return kOs9x | kOsWinMe;
    default: return kOs9x;
  }
}

}  // namespace

OsKindWord ClassifyVersion(const OsVersionData& version, int exactServicePack) {
  switch (version.platformId) {
    case VER_PLATFORM_WIN32s:
      return kOsWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
      return NineXBits(version);
    case VER_PLATFORM_WIN32_NT: {
      OsKindWord word = NtKernelBits(version.major, version.minor);
      size_t length = ServicePackLength(version);
      auto matches = exactServicePack ? EqualsWithin : ContainsWithin;
      if (matches(version.servicePack, length, "Service Pack 1")) word |= kOsServicePack1;
      if (matches(version.servicePack, length, "Service Pack 2")) word |= kOsServicePack2;
      return word;
    }
    default:
      return 0;
  }
}

int SatisfiesAtLeast(const OsVersionData& version, OsKindWord mask) {
  OsKindWord satisfied = 0;
  switch (version.platformId) {
    case VER_PLATFORM_WIN32s:
      satisfied = kOsWin32s;
      break;
    case VER_PLATFORM_WIN32_WINDOWS: {
      char letter = ReleaseLetter(version);
      int osr2 = letter == 'B' || letter == 'C';
      if (version.major != 4)
        satisfied = kOs9x;
      else if (version.minor == 0)
        satisfied = kOs9x | kOsWin95 | (osr2 ? kOsWin95Osr2 : 0);
      else if (version.minor == 10)
        satisfied = letter == 'A' ? (kOs9x | kOsWin95 | kOsWin98 | kOsWin98Se)
                                  : (kOs9x | kOsWin95 | kOsWin98 | (osr2 ? kOsWin95Osr2 : 0));
      else
        satisfied = kOs9x | kOsWin95 | kOsWin98 | kOsWinMe | kOsWin95Osr2 | kOsWin98Se;
      break;
    }
    case VER_PLATFORM_WIN32_NT: {
      // Each NT release satisfies its own bit and those of every earlier one.
      static const OsKindWord ladder[] = {kOsNt4, kOsWin2000, kOsWinXp, kOsServer2003, kOsVista};
      DWORD key = ((version.major & 0xFFFF) << 16) | (version.minor & 0xFFFF);
      size_t steps = key == 0x40000 ? 1 : key == 0x50000 ? 2 : key == 0x50001 ? 3 : key == 0x50002 ? 4 : 5;
      satisfied = kOsNt;
      for (size_t i = 0; i < steps; ++i) satisfied |= ladder[i];
      break;
    }
    default:
      break;
  }
  return (satisfied & mask) != 0;
}
