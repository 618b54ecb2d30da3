#include "ui/version_title.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

namespace {

TEST(VersionTitle, ParsesAndFormatsFileVersions) {
  const struct {
    const char* version;
    const char* suffix;
  } cases[] = {
      {"2.5", "[2.05]"}, {"1, 0, 2, 1", "[1.01]"},  // the minor number is not read and keeps 1
      {"1.0.2.1", "[1.00]"}, {"4.123", "[4.123]"}, {"v2.0", "[1.01]"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    unsigned major = 1, minor = 1;
    ParseFileVersion(cases[i].version, &major, &minor);
    char title[64];
    EXPECT_EQ(std::string("Caption ") + cases[i].suffix, FormatVersionText(title, sizeof(title), "Caption", major, minor))
        << "case " << i;
  }
}

TEST(VersionTitle, LongCaptionIsCutWithinTheBuffer) {
  const std::string caption(500, 'c');
  for (size_t size : {0u, 1u, 200u}) {
    char buffer[208];
    memset(buffer, 0x7E, sizeof(buffer));
    EXPECT_EQ(buffer, FormatVersionText(buffer, size, caption.c_str(), 1, 2));
    if (size) { EXPECT_EQ(size - 1, strlen(buffer)) << "size " << size; }
    for (size_t tail = size; tail < sizeof(buffer); ++tail)
      ASSERT_EQ(0x7E, buffer[tail]) << "size " << size << " wrote byte " << tail;
  }
}

}  // namespace
