// Parsing of the DirectX version text, apart from the registry read: plain
// text in, packed number out.
#include "coinstaller/directx_version.h"

#include <stdio.h>

DWORD PackDirectXVersion(const char* text) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (text) sscanf(text, "%x.%x.%x.%x", &a, &b, &c, &d);
  return (b & 0xFF) << 24 | (c & 0xFF) << 16 | (d & 0xFFFF);
}
