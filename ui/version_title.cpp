#include "ui/version_title.h"

#include <stdio.h>

void ParseFileVersion(const char* text, unsigned* major, unsigned* minor) {
  unsigned first, second;
  int read = sscanf(text, "%u.%u", &first, &second);
  if (read >= 1) *major = first;
  if (read >= 2) *minor = second;
}

char* FormatVersionText(char* buffer, size_t size, const char* caption, unsigned major,
                        unsigned minor) {
  if (size == 0) return buffer;
  snprintf(buffer, size, "%s [%u.%02u]", caption ? caption : "", major, minor);
  buffer[size - 1] = '\0';
  return buffer;
}
