#include "base/text_string.h"

#include <mbstring.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

typedef unsigned char Byte;

inline const Byte* Bytes(const char* p) { return reinterpret_cast<const Byte*>(p); }

// A lead byte of the active ANSI code page (never below 0x80).
inline bool IsLead(Byte b) { return b >= 0x80 && IsDBCSLeadByte(b); }

// Width of the character at p: 2 for a lead byte followed by a trail byte,
// else 1 (a lead byte just before the terminator stands alone, as CharNextA
// has it). Never looks past a terminator.
inline unsigned CharWidth(const Byte* p) { return (IsLead(p[0]) && p[1]) ? 2 : 1; }

inline unsigned CharValue(const Byte* p, unsigned width) {
  return width == 2 ? (static_cast<unsigned>(p[0]) << 8) | p[1] : p[0];
}

// Lower case of a single-byte character by the ANSI code page's mapping.
// Lead bytes are left alone: alone they are no character.
Byte Fold(Byte b) {
  if (b < 0x80) return (b >= 'A' && b <= 'Z') ? static_cast<Byte>(b + ('a' - 'A')) : b;
  if (IsDBCSLeadByte(b)) return b;
  char c = static_cast<char>(b);
  CharLowerBuffA(&c, 1);
  return static_cast<Byte>(c);
}

// Multibyte-aware ordering of two zero-terminated texts over at most `limit`
// bytes. Null counts as the empty text.
int CompareTexts(const char* left, const char* right, unsigned long long limit) {
  static const char kEmpty[] = "";
  const Byte* a = Bytes(left ? left : kEmpty);
  const Byte* b = Bytes(right ? right : kEmpty);
  unsigned long long used = 0;
  while (used < limit) {
    unsigned wa = CharWidth(a);
    unsigned wb = CharWidth(b);
    if (used + wa > limit) wa = 1;  // cut by the limit: the lead byte alone
    if (used + wb > limit) wb = 1;
    unsigned va = CharValue(a, wa);
    unsigned vb = CharValue(b, wb);
    if (va != vb) return va < vb ? -1 : 1;
    if (va == 0) return 0;
    // Equal values have equal widths.
    a += wa;
    b += wa;
    used += wa;
  }
  return 0;
}

// Case-insensitive, multibyte-aware test that `pattern` starts at `text`.
// Reads `text` only up to the first difference, so never past its
// terminator.
bool StartsWithNoCase(const Byte* text, const Byte* pattern) {
  while (*pattern) {
    unsigned wp = CharWidth(pattern);
    unsigned wt = CharWidth(text);
    if (wp != wt) return false;
    if (wp == 2) {
      if (text[0] != pattern[0] || text[1] != pattern[1]) return false;
    } else if (Fold(text[0]) != Fold(pattern[0])) {
      return false;
    }
    text += wp;
    pattern += wp;
  }
  return true;
}

// Index of the first occurrence of pattern (not empty) starting on a
// character boundary of text, or -1.
int FindIn(const char* text, const char* pattern) {
  size_t length = strlen(pattern);
  for (const Byte* p = Bytes(text); *p; p += CharWidth(p)) {
    if (strncmp(reinterpret_cast<const char*>(p), pattern, length) == 0)
      return static_cast<int>(p - Bytes(text));
  }
  return -1;
}

// strnlen, four bytes at a time: the runtime's own walks one byte at a time,
// which shows on texts of a megabyte.
size_t TextLength(const char* text, size_t limit) {
  size_t i = 0;
  for (; i + 4 <= limit; i += 4) {
    unsigned word;
    memcpy(&word, text + i, 4);
    if ((word - 0x01010101u) & ~word & 0x80808080u) break;  // a zero byte among the four
  }
  while (i < limit && text[i]) ++i;
  return i;
}

}  // namespace

TextString::TextString() : buffer(nullptr), wideCopy(nullptr), capacity(0), size(0) {
  SetCapacity(kDefaultCapacity);
}

TextString::TextString(unsigned initialCapacity)
    : buffer(nullptr), wideCopy(nullptr), capacity(0), size(0) {
  SetCapacity(initialCapacity);
}

TextString::~TextString() {
  free(buffer);
  free(wideCopy);
}

// --- Storage -------------------------------------------------------------

int TextString::SetCapacity(unsigned n) {
  if (n == 0) n = 1;
  char* grown = static_cast<char*>(realloc(buffer, n));
  if (!grown) {
    free(buffer);
    buffer = nullptr;
    capacity = 0;
    size = 0;
    return 0;
  }
  bool hadText = buffer != nullptr && size != 0;
  buffer = grown;
  capacity = n;
  if (!hadText) {
    buffer[0] = 0;
    size = 1;
  } else if (size > n) {
    size = n;
    buffer[n - 1] = 0;
  }
  return 1;
}

void TextString::Reset(unsigned n) {
  if (SetCapacity(n)) {
    buffer[0] = 0;
    size = 1;
  }
}

void TextString::Recount() {
  if (!buffer) {
    size = 0;
    return;
  }
  size_t length = TextLength(buffer, capacity);
  if (length == capacity) {
    // Unterminated: the platform call filled the whole buffer.
    length = capacity - 1;
    buffer[length] = 0;
  }
  size = static_cast<unsigned>(length + 1);
}

int TextString::SetLength(unsigned n) {
  if (!buffer || n == 0 || n > capacity - 1) return 0;
  size = n;
  buffer[n - 1] = 0;
  return 1;
}

char* TextString::CopyTo(char* dest) const {
  if (dest && buffer) memcpy(dest, buffer, strlen(buffer) + 1);
  return buffer;
}

char TextString::CharAt(int index) const {
  if (!buffer || index < 0 || index > Length()) return 0;
  return buffer[index];
}

int TextString::Recover() {
  Reset(kDefaultCapacity);
  return 0;
}

int TextString::Grow(unsigned long long needed) {
  if (needed > 0xFFFFFFFFull || !SetCapacity(static_cast<unsigned>(needed))) return Recover();
  return 1;
}

int TextString::EnsureBuffer() {
  if (!buffer) Reset(kDefaultCapacity);
  return buffer != nullptr;
}

long long TextString::OffsetInside(const void* p) const {
  const char* c = static_cast<const char*>(p);
  if (!buffer || c < buffer || c >= buffer + capacity) return -1;
  return c - buffer;
}

// --- Assignment ------------------------------------------------------------

int TextString::Assign(const char* text) {
  return AssignN(text, text ? static_cast<unsigned>(strlen(text)) : 0);
}

int TextString::AssignN(const char* text, unsigned count) {
  if (!text) count = 0;
  long long inside = OffsetInside(text);
  size_t length = 0;
  if (text) {
    // Never past the source's terminator, nor past our own buffer when the
    // source lies in it.
    size_t bound = count;
    if (inside >= 0 && bound > capacity - inside) bound = static_cast<size_t>(capacity - inside);
    length = strnlen(text, bound);
  }
  unsigned long long needed = static_cast<unsigned long long>(count) + 1;
  if (capacity < needed) {
    if (!Grow(needed)) return 0;
    if (inside >= 0) text = buffer + inside;
  }
  if (length) memmove(buffer, text, length);
  buffer[length] = 0;
  size = static_cast<unsigned>(length + 1);
  return 1;
}

int TextString::AssignChar(char c) {
  char text[2] = {c, 0};
  return AssignN(text, 1);
}

int TextString::Assign(const TextString& other) {
  if (&other == this) return EnsureBuffer();
  return Assign(other.buffer);
}

int TextString::AssignWide(const WCHAR* text) {
  return AssignWideN(text, text ? static_cast<unsigned>(wcslen(text)) : 0);
}

int TextString::AssignWideN(const WCHAR* text, unsigned units) {
  if (!text) units = 0;
  size_t length = text ? wcsnlen(text, units) : 0;
  unsigned long long needed = static_cast<unsigned long long>(units) + 1;
  if (capacity < needed && !Grow(needed)) return 0;
  if (length == 0) {
    buffer[0] = 0;
    size = 1;
    return 1;
  }
  int count = static_cast<int>(length);
  int written = WideCharToMultiByte(CP_ACP, 0, text, count, buffer, static_cast<int>(capacity),
                                    nullptr, nullptr);
  if (written <= 0 || static_cast<unsigned>(written) + 1 > capacity) {
    // Double-byte output that needs more room than the unit count: grow for
    // the converted bytes and their terminator.
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return Recover();
    if (!Grow(static_cast<unsigned long long>(bytes) + 1)) return 0;
    written = WideCharToMultiByte(CP_ACP, 0, text, count, buffer, static_cast<int>(capacity),
                                  nullptr, nullptr);
    if (written <= 0 || static_cast<unsigned>(written) + 1 > capacity) return Recover();
  }
  buffer[written] = 0;
  Recount();
  return 1;
}

// --- Appending ---------------------------------------------------------------

int TextString::Append(const char* text) {
  if (!EnsureBuffer()) return 0;
  if (!text || !*text) return 1;
  long long inside = OffsetInside(text);
  size_t length = strlen(text);
  unsigned long long newSize = static_cast<unsigned long long>(size) + length;
  if (newSize > capacity) {
    if (!Grow(newSize + kAppendSlack)) return 0;
    if (inside >= 0) text = buffer + inside;
  }
  memmove(buffer + size - 1, text, length);
  size = static_cast<unsigned>(newSize);
  buffer[size - 1] = 0;
  return 1;
}

int TextString::AppendChar(char c) {
  if (!EnsureBuffer()) return 0;
  if (c == 0) return 1;
  if (static_cast<unsigned long long>(size) + 1 > capacity &&
      !Grow(static_cast<unsigned long long>(size) + 1 + kAppendSlack))
    return 0;
  buffer[size - 1] = c;
  buffer[size] = 0;
  ++size;
  return 1;
}

int TextString::AppendBytes(const char* bytes, unsigned count) {
  if (!EnsureBuffer()) return 0;
  unsigned long long newSize = static_cast<unsigned long long>(size) + count;
  if (newSize > capacity) {
    unsigned long long doubled = 2ull * capacity;
    if (doubled > 0xFFFFFFFFull) doubled = 0xFFFFFFFFull;
    if (!Grow(newSize > doubled ? newSize : doubled)) return 0;
  }
  memcpy(buffer + size - 1, bytes, count);
  size = static_cast<unsigned>(newSize);
  buffer[size - 1] = 0;
  return 1;
}

int TextString::AppendWide(const WCHAR* text) {
  if (!EnsureBuffer()) return 0;
  if (!text || !*text) return 1;
  size_t units = wcslen(text);
  unsigned long long needed = static_cast<unsigned long long>(size) + units;
  if (needed > capacity && !Grow(needed + kAppendSlack)) return 0;
  unsigned end = size - 1;
  int written = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer + end,
                                    static_cast<int>(capacity - end), nullptr, nullptr);
  if (written <= 0) {
    // The output did not fit (double-byte characters): restore the
    // terminator the partial output overwrote, grow for the real byte count
    // (terminator included) and convert again.
    buffer[end] = 0;
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return Recover();
    if (!Grow(static_cast<unsigned long long>(end) + bytes + kAppendSlack)) return 0;
    written = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer + end,
                                  static_cast<int>(capacity - end), nullptr, nullptr);
    if (written <= 0) return Recover();
  }
  Recount();
  return 1;
}

int TextString::AppendWideChar(WCHAR unit) {
  WCHAR text[2] = {unit, 0};
  return AppendWide(text);
}

char* TextString::EnsureTrailingBackslash() {
  if (!buffer) return nullptr;
  if (buffer[0] == 0) return buffer;
  const Byte* last = Bytes(buffer);
  for (const Byte* p = last; *p; p += CharWidth(p)) last = p;
  if (!(CharWidth(last) == 1 && *last == '\\')) AppendChar('\\');
  return buffer;
}

// --- Formatting ----------------------------------------------------------------

namespace {

// Outputs up to this long are formatted once, on the stack, and copied.
const unsigned kFormatScratch = 1024;

// One pass of msvcrt's bounded formatter into `size` bytes, at most size-1
// characters. It returns -1 when the output is longer, and the count itself,
// without a terminator, when the output is exactly that long: the terminator
// at size-1 is always written here. The output's length, or -1 when it did
// not fit.
int BoundedPass(char* dest, unsigned size, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int written = _vsnprintf(dest, size - 1, format, copy);
  va_end(copy);
  dest[size - 1] = 0;
  return written >= 0 && static_cast<unsigned>(written) <= size - 1 ? written : -1;
}

// Where the plain loop (grow by 260 bytes and format again until the output
// fits, giving up once the capacity has reached 3 MiB) ends for an output of
// `length` characters that does not fit `capacity`: the smallest
// capacity + k*260 (k >= 1) that holds it; 0 when capacity + (k-1)*260
// reached the ceiling first, or when the formatter cannot produce the output
// (-1), which runs that loop to the ceiling too.
unsigned long long RetryTarget(unsigned capacity, int length) {
  if (length < 0) return 0;
  unsigned long long needed = static_cast<unsigned long long>(length) + 1;
  unsigned long long steps =
      needed > capacity ? (needed - capacity + TextString::kFormatStep - 1) / TextString::kFormatStep : 1;
  if (capacity + (steps - 1) * TextString::kFormatStep >= TextString::kFormatCeiling) return 0;
  return capacity + steps * TextString::kFormatStep;
}

}  // namespace

int TextString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = FormatV(format, args);
  va_end(args);
  return result;
}

int TextString::FormatV(const char* format, va_list args) {
  if (!EnsureBuffer()) return 0;
  if (!format) {
    buffer[0] = 0;
    size = 1;
    return 0;
  }
  if (capacity < kFormatScratch) {
    char scratch[kFormatScratch];
    int length = BoundedPass(scratch, kFormatScratch, format, args);
    if (length >= 0) return PlaceFormatted(scratch, static_cast<unsigned>(length));
  } else if (BoundedPass(buffer, capacity, format, args) >= 0) {
    Recount();
    return 1;
  }
  // Longer than the buffer: ask the formatter for the length and go
  // straight to where the plain loop ends.
  va_list copy;
  va_copy(copy, args);
  unsigned long long target = RetryTarget(capacity, _vscprintf(format, copy));
  va_end(copy);
  int result = 1;
  if (!target) return RefuseFormat();
  if (!SetCapacity(static_cast<unsigned>(target))) {
    Reset(kDefaultCapacity);
    return 0;
  }
  int length = BoundedPass(buffer, capacity, format, args);
  if (length >= 0) {
    // Zero behind the text, as the plain loop's zero-filled buffer has it.
    memset(buffer + length, 0, capacity - length);
  } else {
    // The formatter contradicted its own count: the plain loop from here.
    for (;;) {
      if (capacity >= kFormatCeiling) return RefuseFormat();
      if (!SetCapacity(capacity + kFormatStep)) {
        Reset(kDefaultCapacity);
        result = 0;
        break;
      }
      memset(buffer, 0, capacity);
      if (BoundedPass(buffer, capacity, format, args) >= 0) break;
    }
  }
  Recount();
  return result;
}

// Stores a formatted output of `length` characters as the plain loop leaves
// it: in the buffer as it is when it fits; otherwise in the capacity the
// loop reaches, zeroed behind the text.
int TextString::PlaceFormatted(const char* output, unsigned length) {
  if (length > capacity - 1) {
    unsigned long long target = RetryTarget(capacity, static_cast<int>(length));
    if (!target) return RefuseFormat();
    if (!SetCapacity(static_cast<unsigned>(target))) {
      Reset(kDefaultCapacity);
      return 0;
    }
    memset(buffer + length, 0, capacity - length);
  }
  memcpy(buffer, output, length);
  buffer[length] = 0;
  Recount();
  return 1;
}

int TextString::RefuseFormat() {
  if (SetCapacity(kDefaultCapacity)) {
    buffer[0] = 0;
    size = 1;
  }
  return 0;
}

// --- Comparison and search -------------------------------------------------------

int TextString::Compare(const char* text) const {
  return CompareTexts(buffer, text, ~0ull);
}

int TextString::CompareN(const char* text, unsigned count) const {
  return CompareTexts(buffer, text, count);
}

int TextString::Differs(const TextString& other) const {
  return Compare(other.buffer) != 0;
}

int TextString::Find(const char* pattern) const {
  if (!buffer || !pattern) return -1;
  if (!*pattern) return 0;
  return FindIn(buffer, pattern);
}

char* TextString::FindAt(const char* pattern) const {
  int index = Find(pattern);
  return index < 0 ? nullptr : buffer + index;
}

int TextString::FindNoCase(const char* pattern) const {
  if (!buffer || !pattern) return -1;
  const Byte* text = Bytes(buffer);
  const Byte* want = Bytes(pattern);
  // Steps from character to character as CharNextA does, without a call per
  // character. When the pattern starts with a byte below 0x80, a byte below
  // 0x80 (always a character of its own) starts a match only when it is
  // that byte in either case: the others are skipped in a tight loop.
  Byte lower = 0, upper = 0;
  if (want[0] && want[0] < 0x80) {
    lower = Fold(want[0]);
    upper = (lower >= 'a' && lower <= 'z') ? static_cast<Byte>(lower - ('a' - 'A')) : lower;
  }
  for (const Byte* p = text; *p; p += CharWidth(p)) {
    if (lower) {
      while (*p && *p < 0x80 && *p != lower && *p != upper) ++p;
      if (!*p) break;
    }
    if (StartsWithNoCase(p, want)) return static_cast<int>(p - text);
  }
  return -1;
}

int TextString::FindChar(char c, int start) const {
  if (!buffer || c == 0 || start < 0 || static_cast<unsigned>(start) >= size) return -1;
  const Byte* text = Bytes(buffer);
  for (const Byte* p = text; *p; p += CharWidth(p)) {
    if (p - text >= start && *p == static_cast<Byte>(c) && CharWidth(p) == 1)
      return static_cast<int>(p - text);
  }
  return -1;
}

int TextString::FindLastChar(char c) const {
  if (!buffer || c == 0) return -1;
  const Byte* text = Bytes(buffer);
  int found = -1;
  for (const Byte* p = text; *p; p += CharWidth(p)) {
    if (*p == static_cast<Byte>(c) && CharWidth(p) == 1) found = static_cast<int>(p - text);
  }
  return found;
}

char* TextString::FindCharNoCase(char c) const {
  if (!buffer || c == 0) return nullptr;
  Byte folded = Fold(static_cast<Byte>(c));
  for (char* p = buffer; *p; p = CharNextA(p)) {
    if (Fold(static_cast<Byte>(*p)) == folded) return p;
  }
  return nullptr;
}

// --- Editing in place -----------------------------------------------------------

char* TextString::Truncate(int pos) {
  if (!buffer) return nullptr;
  if (pos < 0) pos = 0;
  if (pos > Length()) pos = Length();
  buffer[pos] = 0;
  Recount();
  return buffer;
}

char* TextString::ReplaceAll(const char* search, const char* replacement) {
  if (!buffer) return nullptr;
  if (!search || !*search) return buffer;
  if (replacement && FindIn(replacement, search) >= 0) return nullptr;
  size_t searchLength = strlen(search);
  size_t replacementLength = replacement ? strlen(replacement) : 0;
  int found = FindIn(buffer, search);
  while (found >= 0) {
    // The new text always fits: its length changes by exactly what the
    // capacity changes by.
    unsigned long long newCapacity =
        static_cast<unsigned long long>(capacity) + replacementLength - searchLength;
    char* replaced = newCapacity <= 0xFFFFFFFFull
                         ? static_cast<char*>(malloc(static_cast<size_t>(newCapacity)))
                         : nullptr;
    if (!replaced) {
      Recover();
      return nullptr;
    }
    size_t before = static_cast<size_t>(found);
    size_t after = strlen(buffer + before + searchLength);
    memcpy(replaced, buffer, before);
    if (replacementLength) memcpy(replaced + before, replacement, replacementLength);
    memcpy(replaced + before + replacementLength, buffer + before + searchLength, after + 1);
    free(buffer);
    buffer = replaced;
    capacity = static_cast<unsigned>(newCapacity);
    size = static_cast<unsigned>(before + replacementLength + after + 1);
    // The plain rule searches again from the start. No occurrence can start
    // before found-searchLength+1 (the text before `found` is unchanged and
    // held none), so this finds the same one without walking it again.
    int from = found - static_cast<int>(searchLength) + 1;
    if (from < 0) from = 0;
    // Start on a character boundary at or before `from`.
    const Byte* text = Bytes(buffer);
    const Byte* p = text;
    while (*p && p - text + static_cast<int>(CharWidth(p)) <= from) p += CharWidth(p);
    int next = FindIn(reinterpret_cast<const char*>(p), search);
    found = next < 0 ? -1 : static_cast<int>(p - text) + next;
  }
  Recount();
  return buffer;
}

char* TextString::Tokenize(int first, const char* delimiters) {
  if (!buffer || !delimiters) return nullptr;
  unsigned char* token = _mbstok(first == 1 ? reinterpret_cast<unsigned char*>(buffer) : nullptr,
                                 reinterpret_cast<const unsigned char*>(delimiters));
  Recount();
  return reinterpret_cast<char*>(token);
}

// --- Conversion to UTF-16 -------------------------------------------------------

WCHAR* TextString::ToWide(WCHAR* dest) {
  if (!buffer) return nullptr;
  if (dest) {
    return MultiByteToWideChar(CP_ACP, 0, buffer, -1, dest, static_cast<int>(size)) ? dest
                                                                                    : nullptr;
  }
  free(wideCopy);
  wideCopy = static_cast<WCHAR*>(malloc(static_cast<size_t>(size) * sizeof(WCHAR)));
  if (!wideCopy) return nullptr;
  if (!MultiByteToWideChar(CP_ACP, 0, buffer, -1, wideCopy, static_cast<int>(size))) {
    free(wideCopy);
    wideCopy = nullptr;
  }
  return wideCopy;
}
