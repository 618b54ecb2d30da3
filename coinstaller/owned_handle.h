// Sole owner of one kernel handle (process, thread, snapshot).
#ifndef COINSTALLER_OWNED_HANDLE_H_
#define COINSTALLER_OWNED_HANDLE_H_

#include <windows.h>

// Holds a handle that is either null, INVALID_HANDLE_VALUE (both meaning
// none) or open, and closes an open one on destruction, keeping the
// caller's last error.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE owned) : handle(owned) {}
  ~OwnedHandle() {
    if (!Valid()) return;
    DWORD error = GetLastError();
    CloseHandle(handle);
    SetLastError(error);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  bool Valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle; }

 private:
  HANDLE handle;
};

#endif  // COINSTALLER_OWNED_HANDLE_H_
