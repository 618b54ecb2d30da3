// The version part of a window title: reading major and minor from a
// FileVersion text and formatting "caption [major.minor]". Pure.
#ifndef UI_VERSION_TITLE_H_
#define UI_VERSION_TITLE_H_

#include <stddef.h>

// Reads `text` as "%u.%u". A number that cannot be read leaves its output
// unchanged, so "1, 0, 2, 1" sets only the major number.
void ParseFileVersion(const char* text, unsigned* major, unsigned* minor);

// "caption [major.minor]" with the minor in at least two digits ("[2.05]"),
// in `buffer` of `size` bytes: a text that does not fit is cut, and the
// buffer is always terminated. A null caption counts as empty. Returns
// `buffer`.
char* FormatVersionText(char* buffer, size_t size, const char* caption, unsigned major,
                        unsigned minor);

#endif  // UI_VERSION_TITLE_H_
