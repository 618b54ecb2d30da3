// The version packer over random texts, in the Windows and the native
// sanitizer build alike.
#include "coinstaller/directx_version.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "support/campaign_random.h"

namespace {

// Numbers of up to eight hexadecimal digits (either case, leading zeros,
// blanks before them) between dots, now and then something the scan stops
// at: another separator, a letter past 'f', a byte above 0x7F, a zero byte.
// Never a sign or an 'x', whose reading differs between runtimes.
std::string RandomVersionText(testing_support::CampaignRandom& random) {
  static const char kDigits[] = "0123456789abcdefABCDEF";
  static const char kOther[] = {',', 'g', 'Z', '#', ':', '\xE9', '\xA0', '\0', ' '};
  std::string text;
  for (unsigned n = random.Below(6); n > 0; --n) {
    if (random.OneIn(8)) text += random.OneIn(2) ? ' ' : '\t';
    for (unsigned digits = random.OneIn(10) ? 0 : 1 + random.Below(8); digits > 0; --digits)
      text += kDigits[random.Below(sizeof(kDigits) - 1)];
    text += random.OneIn(12) ? random.Pick(kOther) : '.';
  }
  if (!text.empty() && random.OneIn(2)) text.pop_back();
  return text;
}

// The oracle reads each number with strtoul, which the scan is defined by:
// blanks before it, a dot between numbers, a stop at the first mismatch.
DWORD ExpectedPacked(const std::string& text) {
  unsigned long numbers[4] = {0, 0, 0, 0};
  const char* at = text.c_str();
  char* end;
  for (int k = 0; k < 4; ++k, at = end + 1) {
    numbers[k] = strtoul(at, &end, 16);
    if (end == at || *end != '.') break;
  }
  return (numbers[1] & 0xFF) << 24 | (numbers[2] & 0xFF) << 16 | (numbers[3] & 0xFFFF);
}

TEST(DirectXVersion, RandomVersionTexts) {
  EXPECT_EQ(0u, PackDirectXVersion(nullptr));
  testing_support::RunCampaign(20240612, 10000, RandomVersionText, [](const std::string& text) {
    ASSERT_EQ(ExpectedPacked(text), PackDirectXVersion(text.c_str())) << "text \"" << text << "\"";
  });
}

}  // namespace
