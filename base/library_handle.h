// Owning handle to one dynamically loaded library, and the typed slots through
// which every late-bound platform function is called.
#ifndef BASE_LIBRARY_HANDLE_H_
#define BASE_LIBRARY_HANDLE_H_

#include <windows.h>

#include <stddef.h>

// Holds one module reference taken by LoadLibraryA and gives it back exactly
// once, on Unload or destruction. Not copyable: owners embed it by value.
class LibraryHandle {
 public:
  LibraryHandle() : module(nullptr) {}
  ~LibraryHandle() { Unload(); }
  LibraryHandle(const LibraryHandle&) = delete;
  LibraryHandle& operator=(const LibraryHandle&) = delete;

  // Releases what the handle holds, then loads `name`: a name with a path as
  // it stands; a bare name already in the process (imported, or resolved
  // through the side-by-side manifest as comctl32.dll is) as that module;
  // any other bare name from the system folder only, never through the
  // search order, which starts at the program's own folder. 1 when the
  // library loaded; 0 leaves the handle empty.
  int Load(const char* name);
  // 0 on an empty handle (nothing called); otherwise FreeLibrary, empty, 1.
  int Unload();
  // What GetProcAddress answers for `name`; null on an empty handle.
  FARPROC Lookup(const char* name) const;

  HMODULE Module() const { return module; }
  bool Loaded() const { return module != nullptr; }

 private:
  HMODULE module;
};

// A late-bound function with its exact platform signature. F is the function
// type, typically decltype(::SomeFunction), so a call through the slot is
// type-checked like a direct call. A missing function is a null slot, which
// the caller checks before calling.
template <typename F>
class ProcSlot {
 public:
  ProcSlot() : address(nullptr) {}

  explicit operator bool() const { return address != nullptr; }
  F* Get() const {
    // Through void (*)(): the one function type GCC lets convert to any other.
    return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(address));
  }

  template <typename... Args>
  auto operator()(Args... args) const {
    return Get()(args...);
  }

  // Binds from `library`; 1 when the function was found.
  int Bind(const LibraryHandle& library, const char* name) {
    address = library.Lookup(name);
    return address != nullptr;
  }
  void Clear() { address = nullptr; }

  // Every slot type stores one untyped address, so tables of slots of
  // different signatures can be filled by one loop.
  FARPROC* Storage() { return &address; }

 private:
  FARPROC address;
};

// One row of a binding table: which of the owner's libraries, which export,
// which slot. Rows are bound in table order.
struct ProcBinding {
  int library;
  const char* name;
  FARPROC* slot;
};

// Eager chain: binds rows in order and stops at the first missing function.
// 1 when every row was bound. Slots after the failing row are left as they are.
int BindChain(const LibraryHandle* libraries, const ProcBinding* rows, size_t count);

// Eager table: binds every row, keeping null for missing functions.
// Returns the number of rows bound.
int BindTable(const LibraryHandle* libraries, const ProcBinding* rows, size_t count);

// Sets every row's slot to null.
void ClearTable(const ProcBinding* rows, size_t count);

// Lazy lookup: the slot is looked up on first use and cached; a miss is
// retried on the next call.
template <typename F>
class LazyProc {
 public:
  explicit LazyProc(const char* exportName) : name(exportName) {}

  // The function, or null when the library does not (yet) export it.
  F* Resolve(const LibraryHandle& library) {
    if (!slot) slot.Bind(library, name);
    return slot.Get();
  }
  // Forgets the cached address (for when its library is released).
  void Clear() { slot.Clear(); }

 private:
  const char* name;
  ProcSlot<F> slot;
};

#endif  // BASE_LIBRARY_HANDLE_H_
