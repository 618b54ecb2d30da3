// The few platform names the pure sources use, for their native build:
// fixed-width integer types of the 32-bit platform, 16-bit UTF-16 units and
// the template, window-style and version constants they use. Nothing else of
// the platform exists here, so a platform call in a pure source fails to
// compile.
#ifndef TESTS_NATIVE_INCLUDE_WINDOWS_H_
#define TESTS_NATIVE_INCLUDE_WINDOWS_H_

#include <stdint.h>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint16_t WCHAR;

#define DS_SETFONT 0x40u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#endif  // TESTS_NATIVE_INCLUDE_WINDOWS_H_
