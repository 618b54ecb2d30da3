// Module path and version-title operations of the installer's module file.
#ifndef UI_MODULE_FILE_H_
#define UI_MODULE_FILE_H_

#include <windows.h>

#include <stddef.h>

class TextString;

class ModuleFile {
 public:
  static const int kPathSize = 260;
  static const int kTitleSize = 200;

  ModuleFile() { title[0] = '\0'; }

  // The file name of `module` (null: the program) in `path`, which holds
  // kPathSize bytes and is always terminated. 1 when the whole path fit; 0
  // when the platform gave no name (`path` empty) or a longer one (`path`
  // holds its first kPathSize - 1 bytes).
  static int GetModulePath(HMODULE module, char* path);

  // As GetModulePath, then cut behind the last backslash, which stays; a path
  // without a backslash becomes empty. 1, or 0 as GetModulePath (then `path`
  // is empty).
  static int GetModuleDirectory(HMODULE module, char* path);

  // 1 when the version block of the file at `path` has a FileVersion string
  // in its German (040704B0) or, failing that, US English (040904B0) string
  // table; the text, read as "%u.%u", sets `major` and `minor` as far as it
  // goes. `versionText`, when not null, receives the text as stored. 0 when
  // neither string exists or the block cannot be read; outputs unchanged.
  static int ReadFileVersion(const char* path, unsigned* major, unsigned* minor,
                             TextString* versionText);

  // "caption [major.minor]" from the FileVersion of `module` (null: the
  // program), [1.01] when it has none; in `buffer` of `size` bytes, cut to
  // fit and always terminated. Returns `buffer`.
  static char* FormatVersionTitle(const char* caption, HMODULE module, char* buffer, size_t size);
  // The same in the object's own kTitleSize-byte buffer.
  char* FormatVersionTitle(const char* caption, HMODULE module) {
    return FormatVersionTitle(caption, module, title, sizeof(title));
  }

 private:
  char title[kTitleSize];
};

#endif  // UI_MODULE_FILE_H_
