#include "sysinfo/processor_info.h"

#include <gtest/gtest.h>
#include <string.h>

#include "base/registry_key.h"

namespace {

ULONG reportedHertz = 0;
LONG reportedStatus = 0;
ULONG seenLength = 0;

LONG WINAPI FakeSpeedQuery(ULONG informationClass, PVOID buffer, ULONG length, PULONG) {
  EXPECT_EQ(43u, informationClass);
  seenLength = length;
  if (reportedStatus == 0) memcpy(static_cast<char*>(buffer) + 4, &reportedHertz, 4);
  return reportedStatus;
}

struct SeamGuard {
  SeamGuard() { ProcessorInfo::queryOverride = FakeSpeedQuery; }
  ~SeamGuard() { ProcessorInfo::queryOverride = nullptr; }
};

DWORD RegistryMhz() {
  RegistryKey key;
  DWORD mhz = 0;
  if (key.Open(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"))
    key.QueryDword("~MHz", &mhz);
  return mhz;
}

TEST(ProcessorInfo, OneLinePerProcessorUntilTheFirstMissingIndex) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  ProcessorInfo info;
  unsigned count = 0;
  for (;;) {
    TextString name, vendor, identifier;
    if (!info.QueryProcessor(count, name, vendor, &identifier, nullptr)) break;
    EXPECT_GT(name.Length(), 0) << count;
    EXPECT_GT(identifier.Length(), 0) << count;
    ++count;
    ASSERT_LT(count, 1024u);
  }
  EXPECT_EQ(system.dwNumberOfProcessors, count);
}

TEST(ProcessorInfo, KernelSpeedCorrectsTheRegistryUnlessZero) {
  SeamGuard seam;
  ProcessorInfo info;
  const struct {
    LONG status;
    ULONG hertz;
    bool fromKernel;
  } cases[] = {{0, 2400000000u, true}, {0, 1999999u, true}, {0, 0, false}, {static_cast<LONG>(0xC0000003), 5, false}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    reportedStatus = cases[i].status;
    reportedHertz = cases[i].hertz;
    TextString name, vendor;
    DWORD mhz = 12345;
    ASSERT_EQ(1, info.QueryProcessor(0, name, vendor, nullptr, &mhz));
    EXPECT_EQ(cases[i].fromKernel ? cases[i].hertz / 1000000 : RegistryMhz(), mhz);
    EXPECT_EQ(15u, seenLength) << "the installer hands the kernel 15 bytes";
  }
}

TEST(ProcessorInfo, MissingFunctionGivesProcedureNotFound) {
  // Wine's ntdll rejects class 43; the real call must still answer a status.
  ProcessorInfo info;
  unsigned char buffer[16] = {};
  LONG status = info.QuerySystemInformation(43, buffer, 15, nullptr);
  EXPECT_NE(static_cast<LONG>(0xC00000FF), status) << "ntdll exports NtQuerySystemInformation";
}

}  // namespace
