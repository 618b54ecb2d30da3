// Reads the program's string table in the user's language.
#ifndef UI_RESOURCE_STRINGS_H_
#define UI_RESOURCE_STRINGS_H_

#include <windows.h>

class ResourceStrings {
 public:
  // Room a caller's buffer must have: 600 bytes of text and the terminator.
  static const int kTextSize = 601;
  // Language selectors other than a language identifier.
  static const WORD kUserDefault = 0x400;
  static const WORD kSystemDefault = 0x800;

  // Reads from the program's own module in the user's default language.
  ResourceStrings();

  // kUserDefault, kSystemDefault or a language identifier.
  void SetLanguage(WORD selector) { language = selector; }
  void SetModule(HINSTANCE instance) { module = instance; }

  // String `id` in the ANSI code page, in `buffer` (at least kTextSize bytes)
  // or, when `buffer` is null, in the object's own buffer, which the next such
  // call overwrites. "?" when the string is missing, empty, or cannot be
  // converted within 600 bytes. Returns the buffer used.
  char* GetString(int id, char* buffer);

 private:
  HINSTANCE module;
  WORD language;
  char text[kTextSize];
};

#endif  // UI_RESOURCE_STRINGS_H_
