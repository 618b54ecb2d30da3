#include "ui/subclass_hook.h"

int SubclassHookBase::AttachAs(const char* property, WNDPROC procedure, HWND target,
                               SubclassHandler messageHandler, void* messageOwner) {
  if (previous || !IsWindow(target) || GetPropA(target, property)) return 0;
  LONG_PTR before = SetWindowLongPtrA(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  if (!before) return 0;
  window = target;
  handler = messageHandler;
  owner = messageOwner;
  previous = reinterpret_cast<WNDPROC>(before);
  if (!SetPropA(target, property, this)) {
    SetWindowLongPtrA(target, GWLP_WNDPROC, before);
    previous = nullptr;
    return 0;
  }
  return 1;
}

// The property of a family whose procedure was left in a window's chain by
// an out-of-order Detach: not a hook, but it keeps the family's property
// taken, so no new hook of the family can be installed above the old
// procedure and be called again through it, endlessly.
static void* const kLeftInChain = reinterpret_cast<void*>(1);

int SubclassHookBase::DetachAs(const char* property, WNDPROC procedure) {
  if (!previous) return 0;
  // Another procedure installed after ours still calls ours: putting ours
  // back would cut it out of the chain.
  const bool installed = GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(procedure);
  if (installed) SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  if (GetPropA(window, property) == this) {
    if (installed)
      RemovePropA(window, property);
    else
      SetPropA(window, property, kLeftInChain);
  }
  previous = nullptr;
  return 1;
}

LRESULT SubclassHookBase::Dispatch(const char* property, WNDPROC procedure, HWND target,
                                   UINT message, WPARAM wParam, LPARAM lParam) {
  void* const stored = GetPropA(target, property);
  SubclassHookBase* hook = static_cast<SubclassHookBase*>(stored);
  if (!hook || stored == kLeftInChain || !hook->previous) {
    // Left in the chain by an out-of-order Detach: skip to the class. The
    // window's end frees the family's property.
    if (message == WM_NCDESTROY && stored == kLeftInChain) RemovePropA(target, property);
    WNDPROC classProcedure = reinterpret_cast<WNDPROC>(GetClassLongPtrA(target, GCLP_WNDPROC));
    if (!classProcedure || classProcedure == procedure) return 0;
    return CallWindowProcA(classProcedure, target, message, wParam, lParam);
  }
  WNDPROC next = hook->previous;
  LRESULT result = 0;
  int handled = hook->handler(target, message, wParam, lParam, &result, hook->owner);
  if (message == WM_NCDESTROY) {
    // The window is going away: its last message always goes on, after the
    // hook has let go of it.
    hook->DetachAs(property, procedure);
    return CallWindowProcA(next, target, message, wParam, lParam);
  }
  if (handled == 1) return result;
  return CallWindowProcA(next, target, message, wParam, lParam);
}
