// Random DirectX version texts and their packed value worked out digit by
// digit, shared by the packer's test (both builds) and the registry reader's.
#ifndef TESTS_COINSTALLER_VERSION_TEXT_CASES_H_
#define TESTS_COINSTALLER_VERSION_TEXT_CASES_H_

#include <windows.h>

#include <string.h>

#include <string>

#include "support/campaign_random.h"

namespace coinstaller_test {

const unsigned kVersionTextSeed = 20240612;

// Numbers of up to eight hexadecimal digits (either case, leading zeros,
// blanks before them) between dots, now and then something the scan stops
// at: another separator, a letter past 'f', a byte above 0x7F, a zero byte.
// Never a sign or an 'x', whose reading differs between runtimes.
inline std::string RandomVersionText(testing_support::CampaignRandom& random) {
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

inline int HexValue(char c) {
  static const char kHex[] = "0123456789abcdef0123456789ABCDEF";
  const char* at = c ? strchr(kHex, c) : nullptr;
  return at ? static_cast<int>(at - kHex) % 16 : -1;
}

// What "%x.%x.%x.%x" makes of `text` up to its first zero byte: each number
// after blanks, a dot between them, the scan stopping at the first mismatch;
// then the second, third and fourth numbers packed.
inline DWORD ExpectedPackedVersion(const std::string& whole) {
  std::string text = whole.c_str();
  unsigned numbers[4] = {0, 0, 0, 0};
  size_t at = 0;
  for (int k = 0; k < 4; ++k) {
    if (k > 0 && (at >= text.size() || text[at++] != '.')) break;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
    size_t start = at;
    unsigned value = 0;
    for (; at < text.size() && HexValue(text[at]) >= 0; ++at) value = value * 16 + HexValue(text[at]);
    if (at == start) break;
    numbers[k] = value;
  }
  return (numbers[1] & 0xFF) << 24 | (numbers[2] & 0xFF) << 16 | (numbers[3] & 0xFFFF);
}

}  // namespace coinstaller_test

#endif  // TESTS_COINSTALLER_VERSION_TEXT_CASES_H_
