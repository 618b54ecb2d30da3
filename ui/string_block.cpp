#include "ui/string_block.h"

#include <string.h>

int FindBlockString(const BYTE* block, DWORD size, unsigned index, DWORD* textOffset, DWORD* units) {
  if (!block || index > 15) return 0;
  DWORD at = 0;
  for (unsigned entry = 0;; ++entry) {
    if (at > size || size - at < 2) return 0;
    WORD count;
    memcpy(&count, block + at, 2);
    at += 2;
    if (size - at < 2u * count) return 0;
    if (entry == index) {
      if (count == 0) return 0;
      *textOffset = at;
      *units = count;
      return 1;
    }
    at += 2u * count;
  }
}
