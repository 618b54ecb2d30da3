// Links the dialog host into a program so the import audit can check that
// nothing it binds at run time is imported. Never run.
#include <windows.h>

#include "ui/dialog_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  DialogWindow dialog;
  return static_cast<int>(dialog.RunModal(instance, 1, 0));
}
