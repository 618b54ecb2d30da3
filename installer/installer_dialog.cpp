#include "installer/installer_dialog.h"

#include "installer/install_sequence.h"

using namespace installer_ids;

const char kMakerSite[] = "www.tarnvik.example";

InstallerDialog::~InstallerDialog() {
  // The sequence reaches the window and the members below through this
  // object; it must not outlive any of them.
  worker.Stop();
}

int InstallerDialog::OnInitDialog() {
  SetIcons(kIconGroup);
  // The result messages' caption, with the program's version appended.
  SetTitle(moduleFile.FormatVersionTitle(kMessageCaption, instance));
  SetItemText(kInstallButton, strings.GetString(kInstallString, nullptr));
  SetItemText(kExitButton, strings.GetString(kExitString, nullptr));
  separator.Attach(Item(kSeparator));
  link.Setup(Item(kLink), kMakerSite, kMakerSite, kLinkCursor, 0);
  titleLabel.Setup(Item(kTitleLabel), "Verdana", 24, 0, 0, StyledLabel::kBold, 0, nullptr, 0);
  titleLabel.SetText(strings.GetString(kTitleString, nullptr));
  promptLabel.Setup(Item(kPromptLabel), "Verdana", 16, 0, 0, StyledLabel::kWindowFont, 0, nullptr, 0);
  promptLabel.SetText(strings.GetString(kPromptString, nullptr));
  progress.Attach(Item(kProgress));
  WindowObject::ShowItem(kProgress, 0);
  return 1;
}

int InstallerDialog::CanEnd(int) {
  separator.Release();
  return 1;
}

BOOL InstallerDialog::OnCommand(int id, WPARAM wParam, LPARAM lParam) {
  switch (id) {
    case kExitButton:
      End(0);
      return 1;
    case kInstallButton:
      progress.SetMarquee(kMarqueeInterval);
      WindowObject::ShowItem(kProgress, 1);
      EnableItem(kInstallButton, FALSE);
      EnableItem(kExitButton, FALSE);
      // A thread that cannot start leaves the buttons disabled and the
      // indicator running until the user closes the window.
      worker.Start(InstallSequence, reinterpret_cast<INT_PTR>(static_cast<InstallOwner*>(this)), 0);
      return 1;
    default:
      return DialogWindow::OnCommand(id, wParam, lParam);
  }
}

HWND InstallerDialog::OwnerWindow() { return Window(); }

int InstallerDialog::GetModuleDirectory(HMODULE module, char* path) {
  return ModuleFile::GetModuleDirectory(module, path);
}

void InstallerDialog::ShowItem(int id, int show) {
  // The window operation shows only for exactly 1.
  WindowObject::ShowItem(id, show ? 1 : 0);
}

void InstallerDialog::SetMarquee(int on) { progress.SetMarquee(on ? kMarqueeInterval : 0); }

int InstallerDialog::ShowMessage(UINT style, const char* caption, const char* text) {
  // The text is shown as given, never read as a format.
  return WindowObject::ShowMessage(style, caption, "%s", text);
}

void InstallerDialog::Close() { DialogWindow::Close(); }
