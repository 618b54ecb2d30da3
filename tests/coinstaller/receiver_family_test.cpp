#include "coinstaller/receiver_family.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/device_with_hardware_id.h"
#include "coinstaller/directx_version.h"
#include "coinstaller/version_text_cases.h"
#include "fakes/fake_folder.h"
#include "support/guarded_bytes.h"
#include "support/test_support.h"

namespace {

using testing_support::CampaignRandom;

TEST(ReceiverFamily, BothTablesByFirstHardwareId) {
  const struct {
    const char* id;
    ReceiverFamily directX;
    ReceiverFamily companion;
  } cases[] = {
      {"USB\\VID_14AA&PID_0220&REV_0100", 0, kNoFamily},
      {"usb\\vid_14aa&pid_0220&rev_0100", 0, kNoFamily},
      {"USB\\VID_14AA&PID_022A", 0, kNoFamily},
      {"USB\\Vid_14aa&Pid_0221", kNoFamily, 0},
      {"USB\\VID_14AA&PID_022B", kNoFamily, 0},
      {"USB\\VID_14AA&PID_0225", 1, kNoFamily},
      {"USB\\VID_14AA&PID_0226", kNoFamily, 1},
      {"USB\\VID_14AA&PID_0620", 2, 2},
      {"USB\\VID_0BDA&PID_2831&REV_0100", 3, 3},
      {"USB\\Vid_14aa&Pid_0160", 3, 3},
      {"USB\\Vid_14aa&Pid_0161", kNoFamily, kNoFamily},
      {"", kNoFamily, kNoFamily},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    EXPECT_EQ(cases[i].directX, FamilyOf(kDirectXFamilies, cases[i].id)) << "case " << i;
    EXPECT_EQ(cases[i].companion, FamilyOf(kCompanionFamilies, cases[i].id)) << "case " << i;
  }
  size_t count = 9;
  EXPECT_EQ(nullptr, FamilyIdTexts(4, &count));
  EXPECT_EQ(0u, count);
  EXPECT_NE(nullptr, FamilyIdTexts(3, &count));
  EXPECT_EQ(2u, count);
}

TEST(ReceiverFamily, FirstHardwareIdOfARealDevice) {
  char buffer[kHardwareIdSize + 1 + 8];
  {
    DeviceWithHardwareId device(std::string("USB\\Vid_14aa&Pid_0160&Rev_0100\0USB\\Vid_14aa&Pid_0160\0\0", 54));
    ASSERT_TRUE(device.created);
    ASSERT_EQ(1, ReadFirstHardwareId(device.set, &device.data, buffer));
    EXPECT_STREQ("USB\\Vid_14aa&Pid_0160&Rev_0100", buffer);
  }
  {
    DeviceWithHardwareId device(std::string("\0\0", 2));
    ASSERT_TRUE(device.created);
    ReadFirstHardwareId(device.set, &device.data, buffer);
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(kNoFamily, FamilyOf(kDirectXFamilies, buffer));
  }
  {
    // 260 bytes and no terminator: the text ends inside the buffer.
    memset(buffer, '#', sizeof(buffer));
    DeviceWithHardwareId device(std::string(kHardwareIdSize, 'A'));
    ASSERT_TRUE(device.created);
    int read = ReadFirstHardwareId(device.set, &device.data, buffer);
    EXPECT_LE(strlen(buffer), static_cast<size_t>(kHardwareIdSize));
    EXPECT_EQ(read ? kHardwareIdSize : 0u, strlen(buffer));
    for (size_t i = kHardwareIdSize + 1; i < sizeof(buffer); ++i) EXPECT_EQ('#', buffer[i]);
  }
  {
    DeviceWithHardwareId device(std::string(400, 'B'));
    ASSERT_TRUE(device.created);
    EXPECT_EQ(0, ReadFirstHardwareId(device.set, &device.data, buffer)) << "does not fit in 260 bytes";
    EXPECT_STREQ("", buffer);
  }
}

// A property stored without its terminator comes back without one from a
// platform that passes the value's bytes on (Wine's own adds one): the ID
// must end with the property's last byte, not run on into older bytes of the
// caller's buffer. Through a fake setupapi.dll beside a probe program.
TEST(ReceiverFamily, UnterminatedPropertyEndsWithItsLastByte) {
  const std::string longest(kHardwareIdSize, 'A');
  const struct {
    std::string property;
    const char* expected;
  } cases[] = {
      {"USB\\Vid_14aa&Pid_0160", "1 USB\\Vid_14aa&Pid_0160"},
      {longest, nullptr},  // exactly the buffer: all of it
      {longest + "B", "0 "},
  };
  testing_support::FakeFolder folder;
  ASSERT_TRUE(folder.AddFake("setupapi.dll", "setupapi.dll"));
  ASSERT_TRUE(folder.AddProgram("hardware_id_probe.exe"));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    const std::string out = folder.File("id.txt");
    DWORD code = 1;
    ASSERT_TRUE(folder.Run("hardware_id_probe.exe", "\"" + out + "\"",
                           {{"FAKE_SETUPAPI_HARDWARE_ID", cases[i].property}}, 20000, &code));
    EXPECT_EQ(0u, code);
    std::string written;
    ASSERT_TRUE(testing_support::ReadFileBytes(out, &written));
    EXPECT_EQ(cases[i].expected ? std::string(cases[i].expected) : "1 " + longest, written);
  }
}

// Hardware-ID texts: table IDs in any case, whole or cut, between other
// bytes; one or more texts, terminated or not, sometimes past 260 bytes.
std::string RandomHardwareIds(CampaignRandom& random) {
  static const char* const kIds[] = {
      "USB\\VID_14AA&PID_022A", "USB\\VID_14AA&PID_0220", "USB\\VID_14AA&PID_0222", "USB\\VID_14AA&PID_0225",
      "USB\\VID_14AA&PID_0620", "USB\\VID_0BDA&PID_2831", "USB\\VID_14AA&PID_0160", "USB\\VID_14AA&PID_0221",
      "USB\\VID_14AA&PID_022B", "USB\\VID_14AA&PID_0226", "USB\\VID_14AA&PID_0161"};
  static const char kOther[] = "&\\_#0123456789abcdefUSBVIDPRE \xE9\xC9\xFF\x81";
  std::string text;
  for (unsigned n = 1 + random.Below(4); n > 0; --n) {
    unsigned kind = random.Below(6);
    if (kind < 3) {
      std::string id = random.Pick(kIds);
      for (char& c : id)
        if (c >= 'A' && c <= 'Z' && random.OneIn(3)) c = static_cast<char>(c - 'A' + 'a');
      if (random.OneIn(4)) id.resize(random.Below(id.size()));
      text += id;
    } else if (kind < 5) {
      for (unsigned k = random.Below(12); k > 0; --k) text += kOther[random.Below(sizeof(kOther) - 1)];
    } else {
      text += '\0';
    }
  }
  if (random.OneIn(12)) text.resize(250 + random.Below(30), 'A');
  for (unsigned k = random.Below(3); k > 0; --k) text += '\0';
  return text;
}

// The first row whose text occurs in `id`, ASCII case ignored.
ReceiverFamily ExpectedFamily(const FamilyTable& table, const std::string& id) {
  std::string upper = id;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (size_t i = 0; i < table.count; ++i)
    if (upper.find(table.rows[i].idText) != std::string::npos) return table.rows[i].family;
  return kNoFamily;
}

// A case is one random property: the first hardware ID as the platform
// stores the property, cut within the 261-byte buffer (which ends at an
// inaccessible page), nothing when it exceeds 260 bytes; families by both
// tables.
TEST(ReceiverFamily, RandomHardwareIdProperties) {
  const unsigned kSeed = 20240617;
  DeviceWithHardwareId device(std::string("\0\0", 2));
  ASSERT_TRUE(device.created);
  CampaignRandom random(kSeed);
  testing_support::GuardedBytes guard;
  for (int i = 0; i < 10000; ++i) {
    std::string property = RandomHardwareIds(random);
    SCOPED_TRACE(testing::Message() << "property \"" << property << "\" (" << property.size() << " bytes), case "
                                    << i << " of seed " << kSeed);
    // A byte behind the property, or the platform counts in a terminator
    // that the property lacks.
    std::string source = property + '~';
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(device.set, &device.data, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(source.data()),
                                                  static_cast<DWORD>(property.size())));
    std::vector<char> stored(4096);
    DWORD size = 0;
    BOOL read = SetupDiGetDeviceRegistryPropertyA(device.set, &device.data, SPDRP_HARDWAREID, nullptr,
                                                  reinterpret_cast<BYTE*>(stored.data()), 4096, &size);
    bool fits = read && size <= kHardwareIdSize;
    std::string expected = fits ? std::string(stored.data(), size).c_str() : "";
    char* buffer = reinterpret_cast<char*>(guard.Place(nullptr, kHardwareIdSize + 1));
    ASSERT_EQ(fits ? 1 : 0, ReadFirstHardwareId(device.set, &device.data, buffer));
    ASSERT_EQ(expected, buffer);
    ASSERT_EQ(ExpectedFamily(kDirectXFamilies, expected), FamilyOf(kDirectXFamilies, buffer));
    ASSERT_EQ(ExpectedFamily(kCompanionFamilies, expected), FamilyOf(kCompanionFamilies, buffer));
  }
}

// A case is one random "Version" value (any type, terminated or not, some
// past the 260-byte buffer, now and then none): ReadDirectXVersion packs
// what a 260-byte read gives, the last byte returned replaced by the
// terminator.
TEST(DirectXVersion, RandomRegistryValues) {
  const char kKey[] = "SOFTWARE\\Microsoft\\DirectX";
  const unsigned kSeed = coinstaller_test::kVersionTextSeed + 1;
  static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_NONE};
  testing_support::SwappedValue saved(kKey, "Version", REG_SZ, "", 1);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &key));
  CampaignRandom random(kSeed);
  for (int i = 0; i < 10000; ++i) {
    std::string value = coinstaller_test::RandomVersionText(random);
    if (random.OneIn(2)) value += '\0';
    if (random.OneIn(10)) value.resize(250 + random.Below(20), 'z');
    DWORD type = random.Pick(kTypes);
    SCOPED_TRACE(testing::Message() << "value \"" << value << "\" of type " << type << ", case " << i
                                    << " of seed " << kSeed);
    if (random.OneIn(50)) {
      RegDeleteValueA(key, "Version");
    } else {
      std::string source = value + '~';  // a byte behind, so a value without terminator is stored so
      ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Version", 0, type, reinterpret_cast<const BYTE*>(source.data()),
                                              static_cast<DWORD>(value.size())));
    }
    char stored[1024];
    DWORD size = sizeof(stored);
    if (RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size) != ERROR_SUCCESS ||
        size > 260)
      size = 0;
    std::string text = size ? std::string(stored, size - 1) : "";
    ASSERT_EQ(coinstaller_test::ExpectedPackedVersion(text), ReadDirectXVersion());
  }
  RegCloseKey(key);
}

}  // namespace
