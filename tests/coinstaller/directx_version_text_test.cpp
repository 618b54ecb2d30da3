#include "coinstaller/directx_version.h"

#include <gtest/gtest.h>

#include <string>

#include "coinstaller/version_text_cases.h"

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

// A case is one random version text; the packed value must be the one
// worked out digit by digit.
TEST(DirectXVersion, RandomVersionTexts) {
  testing_support::CampaignRandom random(coinstaller_test::kVersionTextSeed);
  for (int i = 0; i < 10000; ++i) {
    std::string text = coinstaller_test::RandomVersionText(random);
    ASSERT_EQ(coinstaller_test::ExpectedPackedVersion(text), PackDirectXVersion(text.c_str()))
        << "text \"" << text << "\", case " << i << " of seed " << coinstaller_test::kVersionTextSeed;
  }
}

}  // namespace
