#include "sysinfo/processor_info.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "base/registry_key.h"
#include "installer/installer_rules.h"
#include "support/test_support.h"
#include "sysinfo/os_identity.h"

namespace {

using testing_support::SwappedValue;

const char kCpu[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
ULONG reportedHertz = 0, seenLength = 0;
LONG reportedStatus = 0;

LONG WINAPI FakeSpeedQuery(ULONG informationClass, PVOID buffer, ULONG length, PULONG) {
  EXPECT_EQ(43u, informationClass);
  seenLength = length;
  if (reportedStatus == 0) memcpy(static_cast<char*>(buffer) + 4, &reportedHertz, 4);
  return reportedStatus;
}

TEST(ProcessorInfo, OneLinePerProcessorUntilTheFirstMissingIndex) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  ProcessorInfo info(kInstallerOsRules);
  unsigned count = 0;
  for (TextString name, vendor, identifier;
       count < 1024 && info.QueryProcessor(count, name, vendor, &identifier, nullptr); ++count) {
    EXPECT_GT(name.Length(), 0) << count;
    EXPECT_GT(identifier.Length(), 0) << count;
  }
  EXPECT_EQ(system.dwNumberOfProcessors, count);
  // Wine's ntdll rejects class 43; the real call must still answer a status.
  unsigned char buffer[16] = {};
  EXPECT_NE(static_cast<LONG>(0xC00000FF), info.QuerySystemInformation(43, buffer, 15, nullptr))
      << "ntdll exports NtQuerySystemInformation";
}

TEST(ProcessorInfo, KernelSpeedCorrectsTheRegistryUnlessZero) {
  DWORD registryMhz = 0;
  RegistryKey key;
  ASSERT_EQ(1, key.Open(HKEY_LOCAL_MACHINE, kCpu));
  key.QueryDword("~MHz", &registryMhz);
  ProcessorInfo::queryOverride = FakeSpeedQuery;
  ProcessorInfo info(kInstallerOsRules);
  const struct {
    LONG status;
    ULONG hertz;
    DWORD mhz;
  } cases[] = {
      {0, 2400000000u, 2400}, {0, 1999999u, 1}, {0, 0, registryMhz}, {static_cast<LONG>(0xC0000003), 5, registryMhz}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    reportedStatus = cases[i].status;
    reportedHertz = cases[i].hertz;
    TextString name, vendor;
    DWORD mhz = 12345;
    EXPECT_EQ(1, info.QueryProcessor(0, name, vendor, nullptr, &mhz)) << "case " << i;
    EXPECT_EQ(cases[i].mhz, mhz) << "case " << i;
    EXPECT_EQ(15u, seenLength) << "case " << i << ": the installer hands the kernel 15 bytes";
  }
  ProcessorInfo::queryOverride = nullptr;
}

// Unterminated, oversized and malformed registry answers give a defined
// word and processor line, read within their buffers.
TEST(SystemInformation, MalformedRegistryValues) {
  const OsKindWord basic = ClassifyOs();
  ASSERT_NE(0u, basic & kOsNt);
  std::string big(5000, 'W');
  const char* const kProduct = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
  const char* const kMedia = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Media Center";
  const struct {
    const char* path;
    const char* name;
    DWORD type;
    const void* data;
    DWORD size;
  } cases[] = {
      {kProduct, "ProductType", REG_BINARY, "WinNT", 5},  // loses its last byte: "WinN"
      {kProduct, "ProductType", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1)},
      {kMedia, "Ident", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1)},
      {kMedia, "Ident", REG_SZ, "9999999999999999999.1", 22},
  };
  const OsKindWord kTypeBits = kOsWorkstation | kOsServer | kOsDomainController;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SwappedValue swap(cases[i].path, cases[i].name, cases[i].type, cases[i].data, cases[i].size);
    OsKindWord word = ClassifyOsExtended(kInstallerOsRules);
    EXPECT_EQ(basic, word & 0x3FFFF) << "case " << i << ": basic bits unchanged";
    EXPECT_EQ(0u, word & (cases[i].path == kProduct ? kTypeBits : 0)) << "case " << i;
    EXPECT_EQ(0u, word & (kOsMediaCenter2004 | kOsMediaCenter2005 | kOsMediaCenter2005Ex | kOsMediaCenterVista))
        << "case " << i;
    char name[kOsNameSize];
    EXPECT_LT(strlen(ComposeOsName(name, word, kInstallerOsRules)), static_cast<size_t>(kOsNameSize)) << "case " << i;
  }

  const BYTE eightBytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SwappedValue mhz(kCpu, "~MHz", REG_BINARY, eightBytes, sizeof(eightBytes));
  SwappedValue longName(kCpu, "ProcessorNameString", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1));
  ProcessorInfo info(kInstallerOsRules);
  TextString cpuName, vendor;
  cpuName.Assign("kept");
  DWORD value = 77;
  EXPECT_EQ(1, info.QueryProcessor(0, cpuName, vendor, nullptr, &value));
  EXPECT_STREQ("kept", cpuName.Buffer()) << "a value too large for 260 bytes leaves the out unchanged";
  EXPECT_EQ(77u, value) << "an 8-byte ~MHz is not a number";
}

}  // namespace
