#include "ui/dialog_window.h"

#include <commctrl.h>
#include <stdlib.h>

#include "ui/dialog_font.h"
#include "ui/localized_resource.h"

namespace {

// Every class from ICC_WIN95_CLASSES up to ICC_STANDARD_CLASSES; not
// ICC_LINK_CLASS, which only version 6 of the common controls knows.
const DWORD kCommonControlClasses = 0x7FFF;

// Owns the adapted template until the dialog has ended.
class TemplateCopy {
 public:
  explicit TemplateCopy(void* bytes) : bytes(bytes) {}
  ~TemplateCopy() { free(bytes); }
  TemplateCopy(const TemplateCopy&) = delete;
  TemplateCopy& operator=(const TemplateCopy&) = delete;

  const DLGTEMPLATE* Get() const { return static_cast<const DLGTEMPLATE*>(bytes); }

 private:
  void* bytes;
};

// SetProcessDPIAware is missing before Windows Vista.
void BecomeDpiAware() {
  LibraryHandle user32;
  if (!user32.Load("user32.dll")) return;
  ProcSlot<decltype(::SetProcessDPIAware)> setDpiAware;
  if (setDpiAware.Bind(user32, "SetProcessDPIAware")) setDpiAware();
}

DialogWindow* ObjectOf(HWND window) {
  return reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace

DialogWindow::~DialogWindow() {
  flags &= ~DeleteOnEnd;  // the object is already being destroyed
  HWND attached = window;
  if (window) End(0);
  // A window that outlives the object must not reach it any more.
  if (attached && ObjectOf(attached) == this) SetWindowLongPtrA(attached, GWLP_USERDATA, 0);
}

void DialogWindow::InitCommonControlsOnce() {
  // InitCommonControlsEx is missing from the oldest common controls.
  if (!commonControls.Loaded()) commonControls.Load("comctl32.dll");
  ProcSlot<decltype(::InitCommonControlsEx)> initEx;
  if (initEx.Bind(commonControls, "InitCommonControlsEx")) {
    INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    if (initEx(&classes)) return;
  }
  InitCommonControls();
}

INT_PTR DialogWindow::RunModal(HINSTANCE instance, int templateId, DWORD flags, HWND parent) {
  this->flags = flags;
  this->instance = instance;
  BecomeDpiAware();
  InitCommonControlsOnce();

  LPCSTR name = MAKEINTRESOURCEA(templateId & 0xFFFF);
  DWORD size = 0;
  const void* stored = FindLocalizedResource(instance, RT_DIALOG, name, 0, &size);
  TemplateCopy adapted(stored ? AdaptDialogTemplate(stored, size, (flags & PreferShellDlg2) ? 1 : 0)
                              : nullptr);
  // With DeleteOnEnd the object may be gone when the dialog call returns:
  // nothing below touches it.
  LPARAM self = reinterpret_cast<LPARAM>(this);
  if (adapted.Get())
    return DialogBoxIndirectParamA(instance, adapted.Get(), parent, DialogProcedure, self);
  return DialogBoxParamA(instance, name, parent, DialogProcedure, self);
}

void DialogWindow::End(int result) {
  if (!window) return;
  if (!CanEnd(result)) return;
  HWND ending = window;
  if (flags & Modeless)
    DestroyWindow(ending);
  else
    EndDialog(ending, result);
  window = nullptr;
  if (flags & DeleteOnEnd) {
    // A modal window lives on until the dialog loop returns; its last
    // messages must not reach the deleted object.
    if (!(flags & Modeless)) SetWindowLongPtrA(ending, GWLP_USERDATA, 0);
    delete this;
  }
}

LRESULT DialogWindow::Close() { return SendMessageA(window, WM_CLOSE, 0, 0); }

INT_PTR CALLBACK DialogWindow::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  DialogWindow* self = ObjectOf(window);
  if (message == WM_INITDIALOG && lParam) {
    self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
    self->window = window;
  }
  if (!self) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    if (self->window == window) self->window = nullptr;
  }
  return self->HandleMessage(message, wParam, lParam);
}

INT_PTR DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return InitDialogResult(OnInitDialog());
    case WM_DESTROY: return OnDestroy();
    case WM_CLOSE: return OnClose();
    case WM_COMMAND: return OnCommand(LOWORD(wParam), wParam, lParam);
    default: return OnMessage(message, wParam, lParam);
  }
}

INT_PTR DialogWindow::InitDialogResult(int result) {
  if (result == 0) {
    End(0);
    return FALSE;
  }
  return result == 2 ? FALSE : TRUE;
}

int DialogWindow::OnInitDialog() { return 1; }

int DialogWindow::CanEnd(int) { return 1; }

BOOL DialogWindow::EndOnCancel(int id) {
  if (id != IDCANCEL && id != IDCLOSE) return FALSE;
  End(0);
  return TRUE;
}

BOOL DialogWindow::OnCommand(int id, WPARAM, LPARAM) { return EndOnCancel(id); }

BOOL DialogWindow::OnClose() {
  End(0);
  return TRUE;
}

BOOL DialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  return message == WM_COMMAND ? EndOnCancel(LOWORD(wParam)) : FALSE;
}

BOOL DialogWindow::OnDestroy() { return OnMessage(WM_DESTROY, 0, 0); }
