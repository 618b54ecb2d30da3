#include "coinstaller/directx_version.h"

#include <stdio.h>

#include "base/registry_key.h"

DWORD PackDirectXVersion(const char* text) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (text) sscanf(text, "%x.%x.%x.%x", &a, &b, &c, &d);
  return (b & 0xFF) << 24 | (c & 0xFF) << 16 | (d & 0xFFFF);
}

DWORD ReadDirectXVersion() {
  char text[260];
  text[0] = 0;
  RegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\DirectX")) {
    key.QueryString("Version", text, sizeof(text));
    key.Close();
  }
  return PackDirectXVersion(text);
}
