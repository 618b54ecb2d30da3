// Bytes placed so that nothing behind their last byte can be touched: under
// Windows the next page is inaccessible, so a read or write one byte too far
// faults; in the native build each placement gets a heap block of exactly its
// size, which AddressSanitizer watches. Shared by both builds.
#ifndef TESTS_SUPPORT_GUARDED_BYTES_H_
#define TESTS_SUPPORT_GUARDED_BYTES_H_

#include <windows.h>

#include <stddef.h>

#include <vector>

namespace testing_support {

class GuardedBytes {
 public:
  // Room for placements of up to `capacity` bytes.
  explicit GuardedBytes(size_t capacity = 4096);
  ~GuardedBytes();
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;

  // Copies `size` bytes (null `bytes`: fills them with 0x5A) so that they end
  // at the guard, replacing the previous placement. Returns where they start,
  // writable; null when they exceed the capacity.
  BYTE* Place(const void* bytes, size_t size);
  BYTE* Place(const std::vector<BYTE>& bytes) { return Place(bytes.data(), bytes.size()); }

 private:
  BYTE* block;
  size_t size;
};

}  // namespace testing_support

#endif  // TESTS_SUPPORT_GUARDED_BYTES_H_
