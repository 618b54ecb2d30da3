#include "coinstaller/directx_version.h"

#include "base/registry_key.h"

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
