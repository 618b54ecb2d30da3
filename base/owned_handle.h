// Sole owners of one handle each: the handle is closed when its owner goes,
// and the caller's last error survives the close.
#ifndef BASE_OWNED_HANDLE_H_
#define BASE_OWNED_HANDLE_H_

#include <windows.h>

// Kernel objects (files, processes, threads, events, snapshots): null and
// INVALID_HANDLE_VALUE both mean none.
struct KernelHandleTraits {
  static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};

// Directory walks opened by FindFirstFileA.
struct FindHandleTraits {
  static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { FindClose(handle); }
};

template <typename Traits>
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE owned = nullptr) : handle(owned) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool Valid() const { return Traits::Valid(handle); }
  HANDLE Get() const { return handle; }
  // Closes what is held (when valid), then holds `owned`.
  void Reset(HANDLE owned = nullptr) {
    if (Valid()) {
      DWORD error = GetLastError();
      Traits::Close(handle);
      SetLastError(error);
    }
    handle = owned;
  }
  // Gives up the handle without closing it.
  HANDLE Release() {
    HANDLE given = handle;
    handle = nullptr;
    return given;
  }

 private:
  HANDLE handle;
};

typedef ScopedHandle<KernelHandleTraits> OwnedHandle;
typedef ScopedHandle<FindHandleTraits> OwnedFindHandle;

#endif  // BASE_OWNED_HANDLE_H_
