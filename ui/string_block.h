// Reading one entry of a string-table block: 16 entries, each a 16-bit
// character count followed by that many UTF-16 units, no terminator.
// Pure, bounded by the block's size.
#ifndef UI_STRING_BLOCK_H_
#define UI_STRING_BLOCK_H_

#include <windows.h>

// Finds entry `index` (0-15) of the `size` bytes at `block`. 1 when the entry
// is present, non-empty and lies wholly within the block: `textOffset`
// receives the byte offset of its first unit and `units` its length. 0 for
// an empty entry, an index above 15, or a block that ends before the entry
// does; nothing outside the `size` bytes is read.
int FindBlockString(const BYTE* block, DWORD size, unsigned index, DWORD* textOffset, DWORD* units);

#endif  // UI_STRING_BLOCK_H_
