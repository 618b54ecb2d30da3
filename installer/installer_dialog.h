// The installer's one dialog: a picture, a title, a prompt, the maker's link,
// "Install" and "Exit", and a progress bar that runs as a busy indicator
// while the install sequence works on the dialog's worker thread.
#ifndef INSTALLER_INSTALLER_DIALOG_H_
#define INSTALLER_INSTALLER_DIALOG_H_

#include <windows.h>

#include "base/worker_thread.h"
#include "installer/install_owner.h"
#include "installer/install_sequence.h"
#include "ui/dialog_window.h"
#include "ui/hyperlink.h"
#include "ui/module_file.h"
#include "ui/progress_marquee.h"
#include "ui/resource_strings.h"
#include "ui/separator_line.h"
#include "ui/styled_label.h"

// The link's caption and target.
extern const char kMakerSite[];

// Runs on the main thread (modal loop); the install sequence reaches it from
// the worker thread through its SequenceOwner, whose operations act through
// window calls or sent messages handled by the main thread.
class InstallerDialog : public DialogWindow {
 public:
  // Milliseconds per step of the busy indicator.
  static const int kMarqueeInterval = 60;

  InstallerDialog() : sequenceOwner(*this) {}
  // Stops a worker that still runs before anything else it may use is
  // destroyed; a sequence that has closed the window is given time to return.
  ~InstallerDialog() override;

  // What the install sequence is started with (the extra log and the command
  // line for the log); set before the dialog runs, kept by address.
  void SetInstallOptions(const InstallOptions& options) { installOptions = options; }

 protected:
  // Icons, the versioned title, button captions, the custom controls; the
  // progress bar starts hidden. Returns 1 (default focus).
  int OnInitDialog() override;
  // 0 while the install sequence runs, until it closes the window itself:
  // ending then would terminate it inside the platform's device installer.
  // Otherwise releases the separator and answers 1.
  int CanEnd(int result) override;
  // IDC_EXIT ends with 0; IDC_INSTALL shows the busy indicator, disables both
  // buttons and starts the install sequence; others as the base.
  BOOL OnCommand(int id, WPARAM wParam, LPARAM lParam) override;

 private:
  // The install sequence's view of the dialog: each operation forwarded to it.
  class SequenceOwner : public InstallOwner {
   public:
    explicit SequenceOwner(InstallerDialog& owner) : dialog(owner) {}
    HWND OwnerWindow() override;
    int GetModuleDirectory(HMODULE module, char* path) override;
    void ShowItem(int id, int show) override;
    void SetMarquee(int on) override;
    int ShowMessage(UINT style, const char* caption, const char* text) override;
    void Close() override;

   private:
    InstallerDialog& dialog;
  };

  ModuleFile moduleFile;
  ResourceStrings strings;
  SeparatorLine separator;
  Hyperlink link;
  StyledLabel titleLabel;
  StyledLabel promptLabel;
  ProgressMarquee progress;
  SequenceOwner sequenceOwner;
  InstallOptions installOptions = {nullptr, nullptr, 0};
  WorkerThread worker;
};

#endif  // INSTALLER_INSTALLER_DIALOG_H_
