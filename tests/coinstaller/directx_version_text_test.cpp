#include "coinstaller/directx_version.h"

#include <gtest/gtest.h>

#include <string>

#include "coinstaller/version_text_cases.h"

namespace {

// A case is one random version text; the packed value must be the one
// worked out digit by digit.
TEST(DirectXVersion, RandomVersionTexts) {
  EXPECT_EQ(0u, PackDirectXVersion(nullptr));
  testing_support::CampaignRandom random(coinstaller_test::kVersionTextSeed);
  for (int i = 0; i < 10000; ++i) {
    std::string text = coinstaller_test::RandomVersionText(random);
    ASSERT_EQ(coinstaller_test::ExpectedPackedVersion(text), PackDirectXVersion(text.c_str()))
        << "text \"" << text << "\", case " << i << " of seed " << coinstaller_test::kVersionTextSeed;
  }
}

}  // namespace
