// What the install sequence needs from the window that runs it.
#ifndef INSTALLER_INSTALL_OWNER_H_
#define INSTALLER_INSTALL_OWNER_H_

#include <windows.h>

// The six operations through which the install sequence reaches its window.
// The sequence calls them from its worker thread; an implementation makes its
// window calls there (sent messages, handled by the window's own thread).
class InstallOwner {
 public:
  // The window that owns the platform's device-installation windows.
  virtual HWND OwnerWindow() = 0;
  // Writes the folder of `module` (null: the program itself) with its
  // trailing backslash into `path`, a buffer of MAX_PATH bytes. 1 on
  // success, 0 on failure.
  virtual int GetModuleDirectory(HMODULE module, char* path) = 0;
  // Shows (non-zero) or hides (0) the dialog item `id`.
  virtual void ShowItem(int id, int show) = 0;
  // Starts (non-zero) or stops (0) the busy indicator.
  virtual void SetMarquee(int on) = 0;
  // Shows a message box owned by the window; returns when it is dismissed.
  virtual int ShowMessage(UINT style, const char* caption, const char* text) = 0;
  // Sends WM_CLOSE to the window; returns once the window has handled it.
  virtual void Close() = 0;

 protected:
  ~InstallOwner() {}
};

#endif  // INSTALLER_INSTALL_OWNER_H_
