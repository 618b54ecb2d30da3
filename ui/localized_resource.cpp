#include "ui/localized_resource.h"

void ResourceLanguageChain(WORD language, WORD chain[kResourceLanguageCount]) {
  WORD primary = language & 0x3FF;
  chain[0] = language;
  chain[1] = primary | 0x400;  // SUBLANG_DEFAULT
  chain[2] = primary;          // SUBLANG_NEUTRAL
  chain[3] = 0;                // LANG_NEUTRAL
  chain[4] = 0x0409;           // English, United States
  chain[5] = 0x0809;           // English, United Kingdom
  chain[6] = 0x0009;           // English, neutral
}

const void* FindLocalizedResource(HINSTANCE module, LPCSTR type, LPCSTR name, WORD language,
                                  DWORD* size) {
  WORD chain[kResourceLanguageCount];
  ResourceLanguageChain(language, chain);
  HRSRC found = nullptr;
  for (int i = 0; i < kResourceLanguageCount && !found; ++i)
    found = FindResourceExA(module, type, name, chain[i]);
  if (!found) return nullptr;

  HGLOBAL loaded = LoadResource(module, found);
  DWORD bytes = SizeofResource(module, found);
  if (!loaded || bytes == 0) return nullptr;
  if (size) *size = bytes;
  return LockResource(loaded);
}
