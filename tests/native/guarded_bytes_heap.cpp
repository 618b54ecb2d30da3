// The native placement: a heap block of exactly the placed size, so that
// AddressSanitizer reports any access behind (or before) it.
#include "support/guarded_bytes.h"

#include <stdlib.h>
#include <string.h>

namespace testing_support {

GuardedBytes::GuardedBytes(size_t capacity) : block(nullptr), size(capacity) {}

GuardedBytes::~GuardedBytes() { free(block); }

BYTE* GuardedBytes::Place(const void* bytes, size_t count) {
  if (count > size) return nullptr;
  free(block);
  block = static_cast<BYTE*>(malloc(count));
  if (bytes)
    memcpy(block, bytes, count);
  else
    memset(block, 0x5A, count);
  return block;
}

}  // namespace testing_support
