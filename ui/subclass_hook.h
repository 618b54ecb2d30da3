// Subclassing of a dialog item by a control object: the object's hook
// replaces the window's procedure with its family's and finds itself again on
// every message through a window property named for the family.
#ifndef UI_SUBCLASS_HOOK_H_
#define UI_SUBCLASS_HOOK_H_

#include <windows.h>

// Family tags; the property of a subclassed window is named as printf formats
// "_C_SubClassing_Property_%08X" with the tag (MakeSubclassPropertyName).
enum SubclassFamily : DWORD {
  kHyperlinkFamily = 0x6C696E6Bu,    // "link"
  kStyledLabelFamily = 0x73746178u,  // "stax"
  kSeparatorFamily = 0x64697669u,    // "divi"
};

constexpr char kSubclassPropertyPrefix[] = "_C_SubClassing_Property_";

// A family's property name: the prefix, then the tag in eight upper-case hex
// digits.
struct SubclassPropertyName {
  char text[sizeof(kSubclassPropertyPrefix) + 8];
};

constexpr SubclassPropertyName MakeSubclassPropertyName(DWORD tag) {
  SubclassPropertyName name = {};
  int at = 0;
  for (; kSubclassPropertyPrefix[at]; ++at) name.text[at] = kSubclassPropertyPrefix[at];
  for (int shift = 28; shift >= 0; shift -= 4)
    name.text[at++] = "0123456789ABCDEF"[(tag >> shift) & 0xF];
  return name;
}

// A control family's message handler: 1 when it handled the message and
// stored its result through `result`; any other value passes the message on
// to the procedure that was installed before the hook, and leaves `result`.
typedef int (*SubclassHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                               LRESULT* result, void* owner);

// The record a control object embeds for one subclassed window, with the
// family-independent half of the mechanism. Use SubclassHook<tag>.
//
// Rules every family shares:
//  - One window carries at most one hook per family: a second Attach of the
//    same family is refused and changes nothing.
//  - Hooks of different families stack; messages pass from the latest hook
//    down to the class's procedure through handlers that do not handle them.
//  - Detach puts the previous procedure back only while the family's
//    procedure is still the one installed; a hook detached out of order
//    leaves its procedure in the chain, which then forwards every message
//    to the window class's procedure, and keeps the family's property taken
//    (a new hook of the family would call itself through it) until the
//    window is destroyed.
//  - WM_NCDESTROY detaches the hook (property removed) before the message
//    goes on, so a window destroyed while attached keeps no property and a
//    later Detach returns 0.
class SubclassHookBase {
 public:
  SubclassHookBase(const SubclassHookBase&) = delete;
  SubclassHookBase& operator=(const SubclassHookBase&) = delete;

  bool Attached() const { return previous != nullptr; }
  HWND Window() const { return window; }

 protected:
  SubclassHookBase() : previous(nullptr), owner(nullptr), handler(nullptr), window(nullptr) {}
  ~SubclassHookBase() {}

  // `property` is the family's property name, `procedure` its procedure.
  int AttachAs(const char* property, WNDPROC procedure, HWND target,
               SubclassHandler messageHandler, void* messageOwner);
  int DetachAs(const char* property, WNDPROC procedure);
  static LRESULT Dispatch(const char* property, WNDPROC procedure, HWND target, UINT message,
                          WPARAM wParam, LPARAM lParam);

 private:
  WNDPROC previous;  // null while detached
  void* owner;
  SubclassHandler handler;
  HWND window;
};

template <DWORD Tag>
class SubclassHook : public SubclassHookBase {
 public:
  // The family's property name, made once, by the compiler.
  static constexpr SubclassPropertyName kPropertyName = MakeSubclassPropertyName(Tag);

  SubclassHook() {}

  // 1 attached; 0 refused (the window already has this family's property,
  // or the hook is attached already).
  int Attach(HWND target, SubclassHandler messageHandler, void* messageOwner) {
    return AttachAs(kPropertyName.text, &Procedure, target, messageHandler, messageOwner);
  }
  // 1 detached; 0 when the hook was not attached (nothing is touched).
  int Detach() { return DetachAs(kPropertyName.text, &Procedure); }

  // The family's window procedure.
  static LRESULT CALLBACK Procedure(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    return Dispatch(kPropertyName.text, &Procedure, target, message, wParam, lParam);
  }
};

// WM_PAINT (between BeginPaint and EndPaint) and WM_PRINTCLIENT (on the DC
// it brings) both go to `paint`, so a control draws the same either way.
// 1 when `message` was one of the two.
template <typename Painter>
int RoutePaintMessage(HWND window, UINT message, WPARAM wParam, Painter paint) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) paint(dc);
    EndPaint(window, &ps);
    return 1;
  }
  if (message == WM_PRINTCLIENT) {
    paint(reinterpret_cast<HDC>(wParam));
    return 1;
  }
  return 0;
}

#endif  // UI_SUBCLASS_HOOK_H_
