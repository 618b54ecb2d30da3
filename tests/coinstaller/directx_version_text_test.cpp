// The version packer, in the Windows and the native sanitizer build alike.
#include "coinstaller/directx_version.h"

#include <gtest/gtest.h>

namespace {

// Hexadecimal numbers in either case, blanks before them; the first number
// dropped, the second and third cut to a byte, the fourth to 16 bits; a stop
// at the first text that is not a number and a dot.
TEST(DirectXVersion, PackedTexts) {
  const struct {
    const char* text;
    DWORD packed;
  } cases[] = {
      {nullptr, 0},
      {"", 0},
      {"4.09.00.0904", 0x09000904},
      {"ffff.Ab.cD.1fEdC", 0xABCDFEDC},
      {"1.123.456.7", 0x23560007},
      {" 4.\t9. 1a.  b", 0x091A000B},
      {"4.09,1.2", 0x09000000},
      {"4.9.8", 0x09080000},
  };
  for (const auto& c : cases) EXPECT_EQ(c.packed, PackDirectXVersion(c.text)) << (c.text ? c.text : "null");
}

}  // namespace
