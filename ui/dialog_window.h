// The dialog host: runs a dialog modally from a dialog resource (font
// adapted to the system's message font), routes its messages to seven
// virtual operations, and ends it by fixed rules.
#ifndef UI_DIALOG_WINDOW_H_
#define UI_DIALOG_WINDOW_H_

#include <windows.h>

#include "base/library_handle.h"
#include "ui/window_object.h"

class DialogWindow : public WindowObject {
 public:
  // Flags given to RunModal.
  static const DWORD Modeless = 0x1;         // End destroys the window instead of EndDialog
  static const DWORD DeleteOnEnd = 0x2;      // End deletes the object (which must be on the heap)
  static const DWORD PreferShellDlg2 = 0x4;  // passed to dialog font adaptation

  DialogWindow() : flags(0) {}
  // Ends an attached window first (through this class's CanEnd, the derived
  // part being gone) and detaches a window that outlives the object, then
  // releases the common-controls library.
  ~DialogWindow() override;

  // Makes the process DPI aware, initialises the common controls, and runs
  // dialog `templateId` of `instance` modally on the calling thread, from a
  // copy whose font is adapted when that is possible, else from the resource
  // as stored. Returns the value given to End, or what the platform's dialog
  // call returns when the dialog cannot be created.
  INT_PTR RunModal(HINSTANCE instance, int templateId, DWORD flags, HWND parent = nullptr);

  // Does nothing without a window or when CanEnd(result) is 0; otherwise ends
  // the dialog with `result`, detaches the window and, with DeleteOnEnd,
  // deletes the object.
  void End(int result);

  // Sends WM_CLOSE, so OnClose runs on the dialog's thread before this
  // returns; callable from any thread. Returns what SendMessageA returns.
  LRESULT Close();

  // The dialog procedure of every DialogWindow; the creation parameter is the
  // object. Messages before WM_INITDIALOG answer FALSE and reach no object.
  static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // WM_INITDIALOG, window attached. 0: failed (the dialog ends with 0);
  // 2: the handler set the focus itself; other values: success. Base: 1.
  virtual int OnInitDialog();
  // Every End; 0 keeps the dialog open. Base: 1.
  virtual int CanEnd(int result);
  // WM_COMMAND with the low word of wParam as `id`. Base: ids 2 (IDCANCEL) and
  // 8 (IDCLOSE) end the dialog with 0 and answer TRUE; others FALSE.
  virtual BOOL OnCommand(int id, WPARAM wParam, LPARAM lParam);
  // WM_CLOSE. Base: ends the dialog with 0, TRUE.
  virtual BOOL OnClose();
  // Every other message. Base: WM_COMMAND for ids 2 and 8 ends the dialog
  // with 0 and answers TRUE; anything else FALSE.
  virtual BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_DESTROY. Base: OnMessage(WM_DESTROY, 0, 0).
  virtual BOOL OnDestroy();

 private:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR InitDialogResult(int result);
  // Ends the dialog with 0 for IDCANCEL and IDCLOSE; TRUE when it did.
  BOOL EndOnCancel(int id);
  void InitCommonControlsOnce();

  DWORD flags;
  LibraryHandle commonControls;
};

#endif  // UI_DIALOG_WINDOW_H_
