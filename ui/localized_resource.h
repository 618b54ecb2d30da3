// Finding a resource in the language the user reads, with a fixed fallback
// chain ending in English.
#ifndef UI_LOCALIZED_RESOURCE_H_
#define UI_LOCALIZED_RESOURCE_H_

#include <windows.h>

const int kResourceLanguageCount = 7;

// The languages tried for `language`, in order: the language itself, its
// primary language with SUBLANG_DEFAULT, its primary language with
// SUBLANG_NEUTRAL, LANG_NEUTRAL, 0x0409, 0x0809, 0x0009.
void ResourceLanguageChain(WORD language, WORD chain[kResourceLanguageCount]);

// The data of the first resource of `type` and `name` found in `module` along
// the chain for `language`, or null. The data is read-only and belongs to the
// module (never freed). When `size` is not null it receives the data's size;
// a resource that cannot be loaded or has size 0 gives null.
const void* FindLocalizedResource(HINSTANCE module, LPCSTR type, LPCSTR name, WORD language,
                                  DWORD* size);

#endif  // UI_LOCALIZED_RESOURCE_H_
