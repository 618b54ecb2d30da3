#include "sysinfo/processor_info.h"

#include <gtest/gtest.h>
#include <string.h>

#include "base/registry_key.h"
#include "installer/installer_rules.h"
#include "sysinfo/os_identity.h"
#include "support/test_support.h"

#include <string>

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
  ProcessorInfo info(kInstallerOsRules);
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
  ProcessorInfo info(kInstallerOsRules);
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
  ProcessorInfo info(kInstallerOsRules);
  unsigned char buffer[16] = {};
  LONG status = info.QuerySystemInformation(43, buffer, 15, nullptr);
  EXPECT_NE(static_cast<LONG>(0xC00000FF), status) << "ntdll exports NtQuerySystemInformation";
}

}  // namespace

namespace {

// Unterminated, oversized and malformed registry answers give a defined
// word and processor line, read within their buffers.
TEST(SystemInformation, MalformedRegistryValues) {
  using testing_support::SwappedValue;
  const OsKindWord basic = ClassifyOs();
  ASSERT_NE(0u, basic & kOsNt);
  std::string big(5000, 'W');
  const char unterminated[5] = {'W', 'i', 'n', 'N', 'T'};
  const char* const kProduct = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
  const char* const kMedia = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Media Center";
  const struct {
    const char* path;
    const char* name;
    DWORD type;
    const void* data;
    DWORD size;
  } cases[] = {
      {kProduct, "ProductType", REG_BINARY, unterminated, sizeof(unterminated)},
      {kProduct, "ProductType", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1)},
      {kMedia, "Ident", REG_BINARY, "5", 1},
      {kMedia, "Ident", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1)},
      {kMedia, "Ident", REG_SZ, "9999999999999999999.1", 22},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    SwappedValue swap(cases[i].path, cases[i].name, cases[i].type, cases[i].data, cases[i].size);
    OsKindWord word = ClassifyOsExtended(kInstallerOsRules);
    EXPECT_EQ(basic, word & 0x3FFFF) << "basic bits unchanged";
    // "WinNT" stored without its terminator loses its last byte: "WinN".
    if (cases[i].path == kProduct) {
      EXPECT_EQ(0u, word & (kOsWorkstation | kOsServer | kOsDomainController));
    }
    EXPECT_EQ(0u, word & (kOsMediaCenter2004 | kOsMediaCenter2005 | kOsMediaCenter2005Ex | kOsMediaCenterVista));
    char name[kOsNameSize];
    EXPECT_LT(strlen(ComposeOsName(name, word, kInstallerOsRules)), static_cast<size_t>(kOsNameSize));
  }

  const char* const kCpu = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
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
