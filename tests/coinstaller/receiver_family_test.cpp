#include "coinstaller/receiver_family.h"

#include <gtest/gtest.h>

#include <string>

#include "coinstaller/directx_version.h"
#include "coinstaller/device_with_hardware_id.h"

namespace {

TEST(DirectXVersion, PackedFromVersionText) {
  const struct {
    const char* text;
    DWORD packed;
  } cases[] = {
      {"4.09.00.0904", 0x09000904}, {"4.9.0.904", 0x09000904}, {"4.09.00.0903", 0x09000903},
      {"4.10.00.0000", 0x10000000}, {"", 0},                   {nullptr, 0},
      {"4.08", 0x08000000},         {"garbage", 0},            {"4.1ff.2ff.1ffff", 0xFFFFFFFF},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
    EXPECT_EQ(cases[i].packed, PackDirectXVersion(cases[i].text)) << "case " << i;
  std::string longText = "4." + std::string(298, '9');
  PackDirectXVersion(longText.c_str());  // defined, whatever the digits overflow to
  EXPECT_LT(PackDirectXVersion("4.09.00.0903"), kDirectX9c);
  EXPECT_GE(PackDirectXVersion("4.10.00.0000"), kDirectX9c);
}

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

}  // namespace
