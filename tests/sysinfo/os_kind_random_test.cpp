// Built into the Windows tests and the native sanitizer build alike.
#include "sysinfo/os_identity.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>

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

// Each version is read where nothing lies behind it. Bytes behind the
// service-pack text's terminator never matter, under either matching rule;
// a version satisfies at least its own releases; and its name (the
// classification with random high bits, or a random word) stays inside the
// name buffer, with and without Fundamentals.
TEST(OsKind, RandomVersions) {
  const OsRules kRules[] = {{0, 1, 0, 15}, {1, 0, 1, 16}};
  testing_support::GuardedBytes guard, nameGuard;
  testing_support::RunCampaign(20240616, 10000, RandomVersion, [&](const OsVersionData& made) {
    const OsVersionData& v = *reinterpret_cast<OsVersionData*>(guard.Place(&made, sizeof(made)));
    OsVersionData clean = made;
    const size_t length = strnlen(made.servicePack, sizeof(made.servicePack));
    memset(clean.servicePack + length, 0, sizeof(clean.servicePack) - length);
    const OsKindWord word = ClassifyVersion(v, 0);
    ASSERT_EQ(ClassifyVersion(clean, 0), word);
    ASSERT_EQ(ClassifyVersion(clean, 1), ClassifyVersion(v, 1));
    // Each release: as without the bytes behind the terminator, and always when it is the version's own.
    for (OsKindWord release = 1; release <= kOsVista; release <<= 1)
      ASSERT_EQ(SatisfiesAtLeast(clean, release) | ((word & release) != 0), SatisfiesAtLeast(v, release)) << release;
    char* buffer = reinterpret_cast<char*>(nameGuard.Place(nullptr, kOsNameSize));
    const char* name = ComposeOsName(buffer, made.build & 1 ? word | (made.build & 0xFFFF8000u) : made.build,
                                     kRules[(made.build >> 1) & 1]);
    ASSERT_TRUE(name && (name != buffer || strnlen(buffer, kOsNameSize) < static_cast<size_t>(kOsNameSize)));
  });
}

}  // namespace
