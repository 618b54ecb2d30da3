// Built into the Windows tests and the native sanitizer build alike.
#include "sysinfo/os_identity.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "support/campaign_random.h"
#include "support/guarded_bytes.h"

namespace {

using testing_support::CampaignRandom;

// Known and unknown platforms and releases (some with bits above the low
// words), and a service-pack text over all 128 bytes, terminated or not,
// with garbage behind its terminator and now and then a service-pack name.
OsVersionData RandomVersion(CampaignRandom& random) {
  static const DWORD kMajors[] = {3, 4, 5, 6, 0x10004, 0x10005};
  static const DWORD kMinors[] = {0, 1, 2, 10, 51, 90, 0x10000, 0x10001};
  static const char* const kPacks[] = {"Service Pack 1", "Service Pack 2", "Service Pack 1a", "Service Pack "};
  OsVersionData v;
  v.platformId = random.OneIn(10) ? random.Next() : random.Below(4);
  v.major = random.OneIn(10) ? random.Next() : random.Pick(kMajors);
  v.minor = random.OneIn(10) ? random.Next() : random.Pick(kMinors);
  v.build = random.Next();
  for (char& c : v.servicePack) c = " ABCSPack12v"[random.Below(12)];
  if (!random.OneIn(4)) v.servicePack[random.Below(sizeof(v.servicePack))] = 0;
  const char* pack = random.Pick(kPacks);
  size_t at = random.OneIn(2) ? 0 : random.Below(sizeof(v.servicePack));
  if (random.OneIn(2)) memcpy(v.servicePack + at, pack, std::min(strlen(pack), sizeof(v.servicePack) - at));
  return v;
}

// The classification worked out from the version rules.
OsKindWord ExpectedWord(const OsVersionData& v, bool exactServicePack) {
  std::string pack(v.servicePack, strnlen(v.servicePack, sizeof(v.servicePack)));
  char letter = pack.size() >= 2 ? pack[1] : 0;
  if (v.platformId == VER_PLATFORM_WIN32s) return kOsWin32s;
  if (v.platformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (v.major != 4) return kOs9x;
    if (v.minor == 0) return kOs9x | (letter == 'B' || letter == 'C' ? kOsWin95Osr2 : kOsWin95);
    if (v.minor == 10) return kOs9x | (letter == 'A' ? kOsWin98Se : kOsWin98);
    return kOs9x | (v.minor == 90 ? kOsWinMe : 0);
  }
  if (v.platformId != VER_PLATFORM_WIN32_NT) return 0;
  const struct {
    DWORD major, minor;
    OsKindWord bit;
  } kNt[] = {{4, 0, kOsNt4}, {5, 0, kOsWin2000}, {5, 1, kOsWinXp}, {5, 2, kOsServer2003}, {6, 0, kOsVista}};
  OsKindWord word = kOsNt;
  for (const auto& release : kNt)
    if ((v.major & 0xFFFF) == release.major && (v.minor & 0xFFFF) == release.minor) word |= release.bit;
  for (int n = 1; n <= 2; ++n) {
    std::string name = "Service Pack " + std::to_string(n);
    if (exactServicePack ? pack == name : pack.find(name) != std::string::npos)
      word |= n == 1 ? kOsServicePack1 : kOsServicePack2;
  }
  return word;
}

// A case is one random version, read where nothing lies behind it: its
// classification under both deliverables' rules, the releases it satisfies
// (at least its own), and its name (with random bits added) inside the
// name buffer.
TEST(OsKind, RandomVersions) {
  const unsigned kSeed = 20240616;
  const OsKindWord kReleases[] = {kOsNt,     kOs9x,        kOsWin32s,    kOsWin95,      kOsWin98,
                                  kOsWinMe,  kOsNt4,       kOsWin2000,   kOsWinXp,      kOsWin95Osr2,
                                  kOsWin98Se, kOsServer2003, kOsVista};
  // Names with and without the Fundamentals suffix.
  const OsRules kNamingRules[] = {{0, 1, 0, 15}, {1, 0, 1, 16}};
  CampaignRandom random(kSeed);
  testing_support::GuardedBytes guard, nameGuard;
  for (int i = 0; i < 10000; ++i) {
    SCOPED_TRACE(testing::Message() << "version " << i << " of seed " << kSeed);
    OsVersionData made = RandomVersion(random);
    const OsVersionData& v = *reinterpret_cast<OsVersionData*>(guard.Place(&made, sizeof(made)));
    OsKindWord word = ClassifyVersion(v, 0);
    ASSERT_EQ(ExpectedWord(made, false), word);
    ASSERT_EQ(ExpectedWord(made, true), ClassifyVersion(v, 1));
    for (OsKindWord release : kReleases)
      ASSERT_TRUE(!(word & release) || SatisfiesAtLeast(v, release) == 1) << "release 0x" << std::hex << release;
    char* buffer = reinterpret_cast<char*>(nameGuard.Place(nullptr, kOsNameSize));
    OsKindWord named = random.OneIn(2) ? word | (random.Next() & 0xFFFF8000u) : random.Next();
    const char* name = ComposeOsName(buffer, named, kNamingRules[i % 2]);
    ASSERT_NE(nullptr, name);
    ASSERT_TRUE(name != buffer || strnlen(buffer, kOsNameSize) < static_cast<size_t>(kOsNameSize));
  }
}

}  // namespace
