// The one growable narrow-text string of both deliverables.
#ifndef BASE_TEXT_STRING_H_
#define BASE_TEXT_STRING_H_

#include <windows.h>

#include <stdarg.h>

// A zero-terminated text in the process's ANSI code page (double-byte
// characters allowed) in a heap buffer of its own, with its length and the
// buffer's size. Searches are multibyte-aware: a lead byte and its trail byte
// are one character, so no match starts on a trail byte (on a single-byte
// code page this is plain byte-wise).
//
// States. A string either has a buffer (capacity >= 1, 1 <= size <= capacity,
// byte size-1 is a terminator) or, after an allocation failure that even the
// 260-byte recovery could not mend, none at all (buffer null, capacity and
// size 0). Every operation is defined in both states: without a buffer,
// Length and Capacity are 0, searches find nothing, and an operation that
// stores text first tries to get a buffer. No operation reads or writes
// outside the buffer, whatever the state.
//
// Growth failure: an operation that must grow and cannot calls Reset(260)
// (an empty text in a fresh 260-byte buffer) and returns 0 (or null).
//
// Where this string deliberately differs from the plain growth rules (which
// would be faulty):
//  - FormatV always writes the terminator at capacity-1 itself (the bounded
//    formatter leaves an exact-fit output unterminated). It reaches the
//    capacity the 260-byte retry loop would reach in one step: an output of
//    up to 1 KB is formatted once on the stack and its length sizes the
//    buffer; a longer one is counted by the formatter first. Results (text,
//    result, capacity, zero bytes behind a grown text) equal those of the
//    stepwise loop, including the refusal at 3 MiB.
//  - ReplaceAll with a null or empty searched text returns the buffer
//    unchanged (a naive loop never ends); with a replacement that contains
//    the searched text (a naive loop never ends either) it returns null and
//    leaves the text unchanged; an allocation failure takes the usual
//    recovery instead of leaving a live buffer with size 0.
//  - AssignN and AssignWideN never read past the source's terminator, even
//    when the count is larger (they still grow to count + 1).
//  - AssignWide(N) of an empty text gives an empty string with result 1.
//  - AppendWide and AssignWideN grow for double-byte output instead of
//    failing (and wiping the text) when the converted bytes need more room
//    than the UTF-16 unit count; with single-byte output the capacities are
//    the plain ones.
//  - EnsureTrailingBackslash looks at the last character, not the last byte,
//    so a text ending in a double-byte character whose trail byte is 0x5C
//    (Shift-JIS "表" is 0x95 0x5C) still gets its backslash.
//  - Null arguments: Append/AppendWide of null append nothing (1);
//    AppendChar(0) and AssignChar(0) store no zero inside the text; Compare
//    and CompareN take null as the empty text; Find/FindAt/Find*Char with a
//    null pattern or a zero character find nothing; Format(null) gives an
//    empty text and 0; Tokenize with null delimiters returns null.
class TextString {
 public:
  static const unsigned kDefaultCapacity = 260;
  static const unsigned kAppendSlack = 20;
  static const unsigned kFormatStep = 260;
  static const unsigned kFormatCeiling = 3145728;  // 3 MiB

  TextString();
  explicit TextString(unsigned initialCapacity);
  ~TextString();
  TextString(const TextString&) = delete;

  // --- Storage ---------------------------------------------------------
  // Resizes the buffer to n bytes (0 taken as 1); cuts a longer text. On
  // failure the string has no buffer and the result is 0.
  int SetCapacity(unsigned n);
  // An empty text in an n-byte buffer.
  void Reset(unsigned n);
  // Counts the text again after a platform call wrote into Buffer(). Never
  // reads past the buffer: an unterminated buffer is terminated at its end.
  void Recount();
  // Keeps the first n-1 bytes (n counts the terminator); 0 when n is 0 or
  // more than Capacity().
  int SetLength(unsigned n);
  int Length() const { return size ? static_cast<int>(size - 1) : 0; }
  // Characters that fit beside the terminator (the count handed to platform
  // calls that fill Buffer()); 0 without a buffer.
  int Capacity() const { return capacity ? static_cast<int>(capacity - 1) : 0; }
  char* Buffer() const { return buffer; }
  // Copies the text and its terminator to dest (the caller guarantees room)
  // when both exist; returns Buffer().
  char* CopyTo(char* dest) const;
  // The byte at index; 0 for a negative index or one past Length().
  char CharAt(int index) const;

  // --- Assignment (1 success, 0 failure) ---------------------------------
  int Assign(const char* text);
  int AssignN(const char* text, unsigned count);
  int AssignChar(char c);
  int Assign(const TextString& other);
  int AssignWide(const WCHAR* text);
  int AssignWideN(const WCHAR* text, unsigned units);

  TextString& operator=(const char* text) { Assign(text); return *this; }
  TextString& operator=(const WCHAR* text) { AssignWide(text); return *this; }
  TextString& operator=(char c) { AssignChar(c); return *this; }
  TextString& operator=(const TextString& other) { Assign(other); return *this; }

  // --- Appending --------------------------------------------------------
  int Append(const char* text);
  int AppendChar(char c);
  // Appends `count` bytes, none of them zero (the caller's guarantee). When
  // it must grow it takes at least twice the capacity, so a text built from
  // many pieces is copied only a few times.
  int AppendBytes(const char* bytes, unsigned count);
  int AppendWide(const WCHAR* text);
  int AppendWideChar(WCHAR unit);
  TextString& operator+=(const char* text) { Append(text); return *this; }
  TextString& operator+=(char c) { AppendChar(c); return *this; }
  TextString& operator+=(const WCHAR* text) { AppendWide(text); return *this; }
  // Null without a buffer; otherwise appends a backslash unless the text is
  // empty or its last character is one; returns Buffer().
  char* EnsureTrailingBackslash();

  // --- Formatting (the runtime's msvcrt formatter: %s, %d, %I64d, %S ...) -
  // The format and the arguments must not point into this string's buffer.
  // The result is 1, or 0 (empty text in 260 bytes) when the output would
  // need the capacity to grow past 3 MiB or memory runs out.
  int Format(const char* format, ...) __attribute__((format(ms_printf, 2, 3)));
  int FormatV(const char* format, va_list args);

  // --- Comparison and search (never change the text) ----------------------
  // Multibyte-aware, case-sensitive ordering: characters compare by value,
  // a double-byte character as lead*256+trail. Returns -1, 0 or 1.
  int Compare(const char* text) const;
  // As Compare over at most the first count bytes. A double-byte character
  // cut by the limit is compared by its lead byte alone.
  int CompareN(const char* text, unsigned count) const;
  int Differs(const TextString& other) const;
  // Byte index of the first occurrence (an empty pattern is found at 0), -1.
  int Find(const char* pattern) const;
  char* FindAt(const char* pattern) const;
  // Case-insensitive (single-byte characters are folded by the ANSI code
  // page's case mapping; double-byte characters must match exactly). An
  // empty pattern is found at 0 unless the text is empty.
  int FindNoCase(const char* pattern) const;
  // First single-byte character c at or after start (a negative start or
  // one at or past size gives -1).
  int FindChar(char c, int start) const;
  int FindLastChar(char c) const;
  // First character whose first byte equals c ignoring case.
  char* FindCharNoCase(char c) const;

  // --- Editing in place ---------------------------------------------------
  // Cuts the text at pos (clamped to 0..Length()); returns Buffer().
  char* Truncate(int pos);
  // Replaces every occurrence, searching again from the start after each
  // replacement; returns Buffer(), or null (see above).
  char* ReplaceAll(const char* search, const char* replacement);
  // The runtime's multibyte tokenizer (_mbstok) over the own text when first
  // is 1, else continuing the thread's last tokenization; Recount follows.
  char* Tokenize(int first, const char* delimiters);

  // --- Conversion to UTF-16 ---------------------------------------------
  // Into dest (room for Length()+1 units), or into a copy the string owns
  // until the next ToWide or its destruction. Null on failure.
  WCHAR* ToWide(WCHAR* dest);

 private:
  // Grows to `needed` bytes (from a 64-bit request); on failure recovers and
  // returns 0.
  int Grow(unsigned long long needed);
  int Recover();
  // 1 when the string has a buffer, trying to get an empty 260-byte one.
  int EnsureBuffer();
  // Offset of p inside the buffer, or -1.
  long long OffsetInside(const void* p) const;
  int PlaceFormatted(const char* output, unsigned length);
  int RefuseFormat();

  char* buffer;
  WCHAR* wideCopy;
  unsigned capacity;
  unsigned size;
};

#endif  // BASE_TEXT_STRING_H_
