#include "installer/installer_dialog.h"

#include "installer/resource_ids.h"
#include "ui/screen_scale.h"

const char kMakerSite[] = "www.tarnvik.example";

InstallerDialog::~InstallerDialog() {
  // The sequence reaches the window and the members below through this
  // object; it must not outlive any of them.
  worker.Stop();
}

int InstallerDialog::OnInitDialog() {
  SetIcons(IDI_INSTALLER);
  // The result messages' caption, with the program's version appended.
  SetTitle(moduleFile.FormatVersionTitle(kMessageCaption, instance));
  SetItemText(IDC_INSTALL, strings.GetString(IDS_INSTALL, nullptr));
  SetItemText(IDC_EXIT, strings.GetString(IDS_EXIT, nullptr));
  separator.Attach(Item(IDC_SEPARATOR));
  link.Setup(Item(IDC_LINK), kMakerSite, kMakerSite, IDR_LINK_CURSOR, 0);
  // The title in bold Verdana of 24 pixels, the prompt at 16 in the window's
  // font, both at 96 DPI.
  const struct {
    StyledLabel* label;
    int item;
    int height;
    DWORD options;
    int text;
  } labels[] = {{&titleLabel, IDC_TITLE, 24, StyledLabel::kBold, IDS_TITLE},
                {&promptLabel, IDC_PROMPT, 16, StyledLabel::kWindowFont, IDS_PROMPT}};
  const int dpi = ScreenDpi();
  for (const auto& row : labels) {
    StyledLabel::Settings settings;
    settings.faces = "Verdana";
    settings.height = ScalePixels(row.height, dpi);
    settings.options = row.options;
    row.label->Setup(Item(row.item), settings);
    row.label->SetText(strings.GetString(row.text, nullptr));
  }
  progress.Attach(Item(IDC_PROGRESS));
  ShowItem(IDC_PROGRESS, 0);
  return 1;
}

int InstallerDialog::CanEnd(int) {
  if (worker.Running() && !worker.Ending()) return 0;
  separator.Release();
  return 1;
}

BOOL InstallerDialog::OnCommand(int id, WPARAM wParam, LPARAM lParam) {
  switch (id) {
    case IDC_EXIT:
      End(0);
      return 1;
    case IDC_INSTALL:
      progress.SetMarquee(kMarqueeInterval);
      ShowItem(IDC_PROGRESS, 1);
      EnableItem(IDC_INSTALL, FALSE);
      EnableItem(IDC_EXIT, FALSE);
      // A thread that cannot start leaves the buttons disabled and the
      // indicator running until the user closes the window.
      worker.Start(InstallSequence, reinterpret_cast<INT_PTR>(static_cast<InstallOwner*>(&sequenceOwner)),
                   reinterpret_cast<INT_PTR>(&installOptions));
      return 1;
    default:
      return DialogWindow::OnCommand(id, wParam, lParam);
  }
}

HWND InstallerDialog::SequenceOwner::OwnerWindow() { return dialog.Window(); }

int InstallerDialog::SequenceOwner::GetModuleDirectory(HMODULE module, char* path) {
  return ModuleFile::GetModuleDirectory(module, path);
}

void InstallerDialog::SequenceOwner::ShowItem(int id, int show) {
  // The window operation shows only for exactly 1.
  dialog.ShowItem(id, show ? 1 : 0);
}

void InstallerDialog::SequenceOwner::SetMarquee(int on) {
  dialog.progress.SetMarquee(on ? kMarqueeInterval : 0);
}

int InstallerDialog::SequenceOwner::ShowMessage(UINT style, const char* caption,
                                                const char* text) {
  // The text is shown as given, never read as a format.
  return dialog.ShowMessage(style, caption, "%s", text);
}

void InstallerDialog::SequenceOwner::Close() {
  // The sequence's last call: lets the window end, and lets the worker's
  // stop wait for it rather than terminate it.
  dialog.worker.MarkEnding();
  dialog.Close();
}
