// The installed DirectX version as one packed number.
#ifndef COINSTALLER_DIRECTX_VERSION_H_
#define COINSTALLER_DIRECTX_VERSION_H_

#include <windows.h>

// DirectX 9.0c, "4.09.00.0904" packed.
const DWORD kDirectX9c = 0x09000904;

// Packs "a.b.c.d" (hexadecimal numbers; missing ones are 0): the second
// number in bits 24-31, the third in 16-23, the fourth in 0-15. The first is
// dropped. A null text packs to 0.
DWORD PackDirectXVersion(const char* text);

// HKLM "SOFTWARE\Microsoft\DirectX" value "Version", packed; 0 when missing.
DWORD ReadDirectXVersion();

#endif  // COINSTALLER_DIRECTX_VERSION_H_
