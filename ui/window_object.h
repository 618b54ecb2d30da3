// Root of the framework's window classes: the window, the module whose
// resources it uses, its small caption icon, and the window operations the
// installer's dialog and its install sequence use.
#ifndef UI_WINDOW_OBJECT_H_
#define UI_WINDOW_OBJECT_H_

#include <windows.h>

#include <stdio.h>  // the printf format family of ShowMessage

class WindowObject {
 public:
  WindowObject() : window(nullptr), instance(nullptr), smallIcon(nullptr) {}
  // Destroys the small icon, if any.
  virtual ~WindowObject();
  WindowObject(const WindowObject&) = delete;
  WindowObject& operator=(const WindowObject&) = delete;

  // Null while no window is attached.
  HWND Window() const { return window; }
  HINSTANCE Instance() const { return instance; }

  // Loads icon `iconId` of the instance at the small-icon size (owned: the one
  // held before is destroyed) and as the shared large icon, and sets both on
  // the window. Returns what the second WM_SETICON returns.
  LRESULT SetIcons(int iconId);
  BOOL SetTitle(const char* text);
  // 1/0.
  int SetItemText(int id, const char* text);
  HWND Item(int id) const;
  BOOL EnableItem(int id, BOOL enable);
  // Shows item `id` when `show` is 1, hides it otherwise; what ShowWindow returns.
  BOOL ShowItem(int id, int show);
  // A message box owned by the window with the printf-style text, cut to
  // 1023 characters; style 0 means MB_OK with the exclamation icon. Returns
  // what MessageBoxA returns.
  int ShowMessage(UINT style, const char* caption, const char* format, ...)
      __attribute__((format(__MINGW_PRINTF_FORMAT, 4, 5)));

 protected:
  HWND window;
  HINSTANCE instance;

 private:
  HICON smallIcon;
};

#endif  // UI_WINDOW_OBJECT_H_
