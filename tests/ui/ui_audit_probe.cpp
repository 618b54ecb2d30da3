// Links the dialog host and the custom controls into a program so the import audit can check that
// nothing it binds at run time is imported. Never run.
#include "ui/dialog_window.h"
#include "ui/hyperlink.h"
#include "ui/styled_label.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Hyperlink().Setup(nullptr, "", nullptr, 0, 0);
  StyledLabel().Setup(nullptr, StyledLabel::Settings());
  return static_cast<int>(DialogWindow().RunModal(instance, 1, 0));
}
