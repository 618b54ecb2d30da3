// Built into the Windows tests and the native sanitizer build alike.
#include "sysinfo/os_identity.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "support/campaign_random.h"
#include "support/guarded_bytes.h"

namespace {

// Known and unknown platforms and releases (some with bits above the low
// words), and a service-pack text over all 128 bytes, terminated or not,
// with garbage behind its terminator and now and then a service-pack name.
// The build number is random: the test takes its name bits from it.
OsVersionData RandomVersion(testing_support::CampaignRandom& random) {
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
  const DWORD kNt[][3] = {
      {4, 0, kOsNt4}, {5, 0, kOsWin2000}, {5, 1, kOsWinXp}, {5, 2, kOsServer2003}, {6, 0, kOsVista}};
  OsKindWord word = kOsNt;
  for (const auto& release : kNt)
    if ((v.major & 0xFFFF) == release[0] && (v.minor & 0xFFFF) == release[1]) word |= release[2];
  for (int n = 1; n <= 2; ++n) {
    std::string name = "Service Pack " + std::to_string(n);
    if (exactServicePack ? pack == name : pack.find(name) != std::string::npos) word |= kOsServicePack1 * n;
  }
  return word;
}

// Each version is read where nothing lies behind it: its classification
// under both deliverables' rules, the releases it satisfies (at least its
// own), and its name (the classification with random high bits, or a random
// word) inside the name buffer, with and without Fundamentals.
TEST(OsKind, RandomVersions) {
  const OsRules kRules[] = {{0, 1, 0, 15}, {1, 0, 1, 16}};
  testing_support::GuardedBytes guard, nameGuard;
  testing_support::RunCampaign(20240616, 10000, RandomVersion, [&](const OsVersionData& made) {
    const OsVersionData& v = *reinterpret_cast<OsVersionData*>(guard.Place(&made, sizeof(made)));
    OsKindWord word = ClassifyVersion(v, 0);
    ASSERT_EQ(ExpectedWord(made, false), word);
    ASSERT_EQ(ExpectedWord(made, true), ClassifyVersion(v, 1));
    for (OsKindWord release = 1; release <= kOsVista; release <<= 1)
      ASSERT_TRUE(!(word & release) || SatisfiesAtLeast(v, release) == 1) << "release 0x" << std::hex << release;
    char* buffer = reinterpret_cast<char*>(nameGuard.Place(nullptr, kOsNameSize));
    const char* name = ComposeOsName(buffer, made.build & 1 ? word | (made.build & 0xFFFF8000u) : made.build,
                                     kRules[(made.build >> 1) & 1]);
    ASSERT_NE(nullptr, name);
    ASSERT_TRUE(name != buffer || strnlen(buffer, kOsNameSize) < static_cast<size_t>(kOsNameSize));
  });
}

}  // namespace
