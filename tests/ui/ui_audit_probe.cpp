// Links the dialog host and the custom controls into a program so the import audit can check that
// nothing it binds at run time is imported. Never run.
#include <windows.h>

#include "ui/dialog_window.h"
#include "ui/hyperlink.h"
#include "ui/styled_label.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  DialogWindow dialog;
  Hyperlink link;
  link.Setup(nullptr, "", nullptr, 0, 0);
  StyledLabel label;
  label.Setup(nullptr, StyledLabel::Settings());
  return static_cast<int>(dialog.RunModal(instance, 1, 0));
}
