#include "support/guarded_bytes.h"

#include <string.h>

namespace testing_support {

// One reservation: the pages for the bytes, then one inaccessible page (the
// 32-bit x86 page is 4 KiB).
GuardedBytes::GuardedBytes(size_t capacity) {
  const size_t page = 4096;
  size = (capacity + page - 1) / page * page;
  block = static_cast<BYTE*>(VirtualAlloc(nullptr, size + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old;
  if (block) VirtualProtect(block + size, page, PAGE_NOACCESS, &old);
}

GuardedBytes::~GuardedBytes() {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

BYTE* GuardedBytes::Place(const void* bytes, size_t count) {
  if (!block || count > size) return nullptr;
  BYTE* at = block + size - count;
  if (bytes)
    memcpy(at, bytes, count);
  else
    memset(at, 0x5A, count);
  return at;
}

}  // namespace testing_support
