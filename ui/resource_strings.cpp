#include "ui/resource_strings.h"

#include "ui/localized_resource.h"
#include "ui/string_block.h"

namespace {

const int kTextBytes = ResourceStrings::kTextSize - 1;

char* UnknownText(char* buffer) {
  buffer[0] = '?';
  buffer[1] = '\0';
  return buffer;
}

}  // namespace

ResourceStrings::ResourceStrings() : module(GetModuleHandleA(nullptr)), language(kUserDefault) {
  text[0] = '\0';
}

char* ResourceStrings::GetString(int id, char* buffer) {
  if (!buffer) buffer = text;
  if (id < 0 || id > 0xFFFF) return UnknownText(buffer);

  WORD wanted = language;
  if (language == kUserDefault)
    wanted = GetUserDefaultLangID();
  else if (language == kSystemDefault)
    wanted = GetSystemDefaultLangID();

  DWORD size = 0;
  const BYTE* block = static_cast<const BYTE*>(
      FindLocalizedResource(module, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), wanted, &size));
  DWORD offset, units;
  if (!block || !FindBlockString(block, size, id % 16, &offset, &units)) return UnknownText(buffer);

  int bytes = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const WCHAR*>(block + offset),
                                  static_cast<int>(units), buffer, kTextBytes, nullptr, nullptr);
  if (bytes <= 0) return UnknownText(buffer);
  buffer[bytes] = '\0';
  return buffer;
}
