// The few platform names the pure sources use, for their native build:
// fixed-width integer types of the 32-bit platform, 16-bit UTF-16 units and
// the template, window and version constants. Nothing else of the platform
// exists here, so a platform call in a pure source fails to compile.
#ifndef TESTS_NATIVE_INCLUDE_WINDOWS_H_
#define TESTS_NATIVE_INCLUDE_WINDOWS_H_

#include <stdint.h>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint16_t WCHAR;

#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_SYSMENU 0x00080000u
#define WS_TABSTOP 0x00010000u
#define SS_BLACKFRAME 0x00000007u

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#endif  // TESTS_NATIVE_INCLUDE_WINDOWS_H_
