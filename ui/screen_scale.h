// Pixel sizes given for a 96-DPI screen, scaled to the screen's DPI (the
// process declares itself DPI aware, so nothing scales them for it).
#ifndef UI_SCREEN_SCALE_H_
#define UI_SCREEN_SCALE_H_

#include <windows.h>

// The screen's vertical DPI; 96 when it cannot be read.
inline int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// `pixels` at 96 DPI, rounded to the nearest pixel at `dpi`.
inline int ScalePixels(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

#endif  // UI_SCREEN_SCALE_H_
