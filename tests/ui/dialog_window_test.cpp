#include "ui/dialog_window.h"

#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/ui_test_resources.h"

namespace {

// Posted to a test dialog: End(wParam), then log whether it stayed attached.
const UINT kEndMessage = WM_APP + 1;
// Posted to a test dialog: log where the focus is, then End(wParam).
const UINT kFocusMessage = WM_APP + 2;

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// A dialog that logs every virtual operation and lets a test script them.
class TestDialog : public DialogWindow {
 public:
  std::vector<std::string> log;
  std::function<int(TestDialog&)> onInit;
  std::function<int(int)> canEnd;
  DWORD closeThread = 0;
  int messagesBeforeInit = 0;
  std::string initFace;
  LOGFONTA initFont = {};
  INT_PTR reinitResult = -1;
  bool deletesItself = false;  // End may delete the object: touch nothing after it

  using DialogWindow::End;

 protected:
  int OnInitDialog() override {
    log.push_back("init");
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(Window(), WM_GETFONT, 0, 0));
    GetObjectA(font, sizeof(initFont), &initFont);
    initFace = initFont.lfFaceName;
    return onInit ? onInit(*this) : 1;
  }
  int CanEnd(int result) override {
    log.push_back("canEnd " + std::to_string(result));
    return canEnd ? canEnd(result) : 1;
  }
  BOOL OnCommand(int id, WPARAM wParam, LPARAM lParam) override {
    log.push_back("command " + std::to_string(id));
    return DialogWindow::OnCommand(id, wParam, lParam);
  }
  BOOL OnClose() override {
    closeThread = GetCurrentThreadId();
    log.push_back("close");
    return DialogWindow::OnClose();
  }
  BOOL OnDestroy() override {
    log.push_back("destroy");
    return DialogWindow::OnDestroy();
  }
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (log.empty()) ++messagesBeforeInit;
    if (message == kEndMessage) {
      if (deletesItself) {
        End(static_cast<int>(wParam));
        return TRUE;
      }
      End(static_cast<int>(wParam));
      log.push_back(Window() ? "attached" : "detached");
      return TRUE;
    }
    if (message == kFocusMessage) {
      HWND focus = GetFocus();
      log.push_back(focus == Item(IDC_FIRST) ? "focus first" : focus == Item(IDC_SECOND) ? "focus second" : "focus elsewhere");
      End(static_cast<int>(wParam));
      return TRUE;
    }
    return DialogWindow::OnMessage(message, wParam, lParam);
  }
};

bool Logged(const TestDialog& dialog, const std::string& entry) {
  for (const std::string& line : dialog.log)
    if (line == entry) return true;
  return false;
}

std::string Joined(const std::vector<std::string>& log) {
  std::string text;
  for (const std::string& line : log) text += line + "; ";
  return text;
}

// Captured before any test runs a dialog.
const BOOL dpiAwareAtStart = IsProcessDPIAware();

TEST(DialogWindow, RunModalMakesTheProcessDpiAware) {
  if (dpiAwareAtStart)
    GTEST_SKIP() << "the process was DPI aware before any dialog ran (Wine sets it at start), "
                    "so RunModal's call cannot be observed";
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    PostMessageA(d.Window(), kEndMessage, 1, 0);
    return 1;
  };
  EXPECT_EQ(1, dialog.RunModal(Self(), IDD_OLD_FONT, 0));
  EXPECT_TRUE(IsProcessDPIAware());
}

std::string MessageFace() {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = 340;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0);
  return metrics.lfMessageFont.lfFaceName;
}

TEST(DialogWindow, RunModalShowsAdaptedOrStoredTemplate) {
  std::string face = MessageFace();
  if (face != "Tahoma" && face != "Segoe UI" && face != "MS Sans Serif")
    GTEST_SKIP() << "the message font here is \"" << face << "\", which adaptation leaves alone";
  const struct {
    int id;
    const char* face;
    LONG weight;
    BYTE italic;
  } cases[] = {
      // The template's character set is kept too (a byte-level test shows
      // it), but Wine creates dialog fonts in DEFAULT_CHARSET regardless.
      {IDD_OLD_FONT, face.c_str(), FW_DONTCARE, 0},
      {IDD_OTHER_FONT, "Courier New", FW_DONTCARE, 0},
      {IDD_EXTENDED, face.c_str(), FW_BOLD, 1},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    TestDialog dialog;
    dialog.onInit = [](TestDialog& d) {
      PostMessageA(d.Window(), kEndMessage, 42, 0);
      return 1;
    };
    EXPECT_EQ(42, dialog.RunModal(Self(), cases[i].id, 0)) << "case " << i;
    EXPECT_EQ(cases[i].face, dialog.initFace) << "case " << i;
    EXPECT_EQ(cases[i].italic, dialog.initFont.lfItalic) << "case " << i;
    EXPECT_EQ(cases[i].weight, dialog.initFont.lfWeight) << "case " << i;
    EXPECT_EQ(nullptr, dialog.Window());
  }
}

TEST(DialogWindow, MissingTemplateReturnsWhatThePlatformReturns) {
  TestDialog dialog;
  INT_PTR platform = DialogBoxParamA(Self(), MAKEINTRESOURCEA(999), nullptr, DialogWindow::DialogProcedure,
                                     reinterpret_cast<LPARAM>(&dialog));
  EXPECT_EQ(platform, dialog.RunModal(Self(), 999, 0));
  EXPECT_TRUE(dialog.log.empty()) << Joined(dialog.log);
}

TEST(DialogWindow, MessagesBeforeInitDialogReachNoOperation) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    PostMessageA(d.Window(), kEndMessage, 0, 0);
    return 1;
  };
  dialog.RunModal(Self(), IDD_OLD_FONT, 0);
  ASSERT_FALSE(dialog.log.empty());
  EXPECT_EQ("init", dialog.log[0]);
  EXPECT_EQ(0, dialog.messagesBeforeInit);

  // A window that never saw WM_INITDIALOG: every message answers FALSE.
  HWND plain = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr);
  ASSERT_NE(nullptr, plain);
  for (UINT message : {static_cast<UINT>(WM_SETFONT), static_cast<UINT>(WM_COMMAND),
                       static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_DESTROY)})
    EXPECT_EQ(FALSE, DialogWindow::DialogProcedure(plain, message, IDCANCEL, 0)) << message;
  DestroyWindow(plain);
}

TEST(DialogWindow, InitDialogResults) {
  // 0 ends the dialog at once with 0.
  TestDialog failing;
  failing.onInit = [](TestDialog&) { return 0; };
  EXPECT_EQ(0, failing.RunModal(Self(), IDD_OLD_FONT, 0));
  EXPECT_TRUE(Logged(failing, "canEnd 0")) << Joined(failing.log);
  EXPECT_EQ(nullptr, failing.Window());

  // 1 lets the platform set the focus (first tab stop), 2 keeps the handler's.
  const struct {
    int result;
    INT_PTR procedureResult;
    const char* focus;
  } cases[] = {{1, TRUE, "focus first"}, {2, FALSE, "focus second"}, {7, TRUE, "focus first"}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    TestDialog dialog;
    int result = cases[i].result;
    dialog.onInit = [result](TestDialog& d) {
      SetFocus(d.Item(IDC_SECOND));
      if (d.log.size() == 1) PostMessageA(d.Window(), kFocusMessage, 5, 0);
      return result;
    };
    // A second WM_INITDIALOG attaches again and answers as the first did.
    dialog.canEnd = [&dialog](int) {
      if (dialog.reinitResult == -1)
        dialog.reinitResult = DialogWindow::DialogProcedure(dialog.Window(), WM_INITDIALOG, 0,
                                                            reinterpret_cast<LPARAM>(&dialog));
      return 1;
    };
    EXPECT_EQ(5, dialog.RunModal(Self(), IDD_OLD_FONT, 0)) << "case " << i;
    EXPECT_EQ(cases[i].procedureResult, dialog.reinitResult) << "case " << i;
    EXPECT_TRUE(Logged(dialog, cases[i].focus)) << "case " << i << ": " << Joined(dialog.log);
  }
}

TEST(DialogWindow, EndWithoutWindowDoesNotAskCanEnd) {
  TestDialog dialog;
  dialog.End(3);
  EXPECT_TRUE(dialog.log.empty()) << Joined(dialog.log);
}

TEST(DialogWindow, CanEndZeroKeepsTheDialog) {
  TestDialog dialog;
  dialog.canEnd = [](int result) { return result == 7 ? 1 : 0; };
  dialog.onInit = [](TestDialog& d) {
    PostMessageA(d.Window(), kEndMessage, 5, 0);
    PostMessageA(d.Window(), kEndMessage, 7, 0);
    return 1;
  };
  EXPECT_EQ(7, dialog.RunModal(Self(), IDD_OLD_FONT, 0));
  std::vector<std::string> expected = {"init", "canEnd 5", "attached", "canEnd 7", "detached"};
  ASSERT_GE(dialog.log.size(), expected.size());
  EXPECT_EQ(expected, std::vector<std::string>(dialog.log.begin(), dialog.log.begin() + 5));
}

TEST(DialogWindow, CancelCloseEscapeAndCloseBoxEndWithZero) {
  const struct {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool toButton;
    INT_PTR result;
    const char* logged;
  } cases[] = {
      {"IDCANCEL", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), false, 0, "command 2"},
      {"IDCLOSE", WM_COMMAND, MAKEWPARAM(IDCLOSE, BN_CLICKED), false, 0, "command 8"},
      {"other command", WM_COMMAND, MAKEWPARAM(1234, BN_CLICKED), false, 99, "command 1234"},
      {"IDOK", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), false, 99, "command 1"},
      {"close box", WM_SYSCOMMAND, SC_CLOSE, false, 0, "close"},
      {"Escape", WM_KEYDOWN, VK_ESCAPE, true, 0, "command 2"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    TestDialog dialog;
    dialog.onInit = [&](TestDialog& d) {
      HWND target = cases[i].toButton ? d.Item(IDC_FIRST) : d.Window();
      PostMessageA(target, cases[i].message, cases[i].wParam, 0);
      PostMessageA(d.Window(), kEndMessage, 99, 0);
      return 1;
    };
    EXPECT_EQ(cases[i].result, dialog.RunModal(Self(), IDD_OLD_FONT, 0))
        << "case " << i << " (" << cases[i].name << "): " << Joined(dialog.log);
    EXPECT_TRUE(Logged(dialog, cases[i].logged)) << "case " << i << ": " << Joined(dialog.log);
  }
}

TEST(DialogWindow, BaseOnMessageEndsForCancelAndClose) {
  // OnMessage answers WM_COMMAND 2 and 8 itself, for derived dialogs that
  // route commands there.
  const struct {
    WORD id;
    int ends;
  } cases[] = {{IDCANCEL, 1}, {IDCLOSE, 1}, {IDOK, 0}, {1003, 0}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    struct Router : TestDialog {
      WORD id = 0;
      BOOL answer = -1;
      int OnInitDialog() override {
        TestDialog::OnInitDialog();
        answer = DialogWindow::OnMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
        if (Window()) PostMessageA(Window(), kEndMessage, 77, 0);
        return 1;
      }
    } dialog;
    dialog.id = cases[i].id;
    EXPECT_EQ(cases[i].ends ? 0 : 77, dialog.RunModal(Self(), IDD_OLD_FONT, 0)) << "case " << i;
    EXPECT_EQ(cases[i].ends, dialog.answer) << "case " << i;
  }
}

struct CloseWork {
  TestDialog* dialog;
  DWORD closeThreadSeen;
  LRESULT result;
};

DWORD WINAPI CloseFromWorker(void* context) {
  CloseWork* work = static_cast<CloseWork*>(context);
  work->result = work->dialog->Close();
  work->closeThreadSeen = work->dialog->closeThread;  // OnClose ran before Close returned
  return 0;
}

TEST(DialogWindow, CloseFromAWorkerThreadRunsOnCloseOnTheDialogThread) {
  TestDialog dialog;
  CloseWork work = {&dialog, 0, -1};
  HANDLE worker = nullptr;
  dialog.onInit = [&](TestDialog&) {
    worker = CreateThread(nullptr, 0, CloseFromWorker, &work, 0, nullptr);
    return 1;
  };
  EXPECT_EQ(0, dialog.RunModal(Self(), IDD_OLD_FONT, 0));
  ASSERT_NE(nullptr, worker);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker, 10000));
  CloseHandle(worker);
  EXPECT_EQ(GetCurrentThreadId(), dialog.closeThread);
  EXPECT_EQ(GetCurrentThreadId(), work.closeThreadSeen);
  EXPECT_EQ(0, work.result);  // a dialog answers WM_CLOSE through DWLP_MSGRESULT, left 0
}

// A deleted dialog's window must no longer lead to it: the modal loop still
// sends it messages after End. (A late call through the deleted object would
// not show as a crash: the platform swallows faults in dialog procedures.)
int deletedDialogs = 0;
LONG_PTR userDataAtDeletion = -1;

struct SelfDeleting : TestDialog {
  SelfDeleting() { deletesItself = true; }
  ~SelfDeleting() override {
    ++deletedDialogs;
    userDataAtDeletion = GetWindowLongPtrA(window, GWLP_USERDATA);
  }
  HWND window = nullptr;
  int OnInitDialog() override {
    window = Window();
    PostMessageA(window, kEndMessage, 3, 0);
    return 1;
  }
};

TEST(DialogWindow, DeleteOnEndDestroysTheObjectOnce) {
  deletedDialogs = 0;
  SelfDeleting* dialog = new SelfDeleting;
  EXPECT_EQ(3, dialog->RunModal(Self(), IDD_OLD_FONT, DialogWindow::DeleteOnEnd));
  EXPECT_EQ(1, deletedDialogs);
  EXPECT_EQ(0, userDataAtDeletion) << "the window still led to the object when it was deleted";
}

TEST(DialogWindow, DestroyingTheObjectEndsAndDetachesItsWindow) {
  TestDialog* dialog = new TestDialog;
  HWND window = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr,
                                   DialogWindow::DialogProcedure, reinterpret_cast<LPARAM>(dialog));
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(window, dialog->Window());
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(dialog), GetWindowLongPtrA(window, GWLP_USERDATA));
  delete dialog;
  EXPECT_EQ(0, GetWindowLongPtrA(window, GWLP_USERDATA)) << "the window still points at a deleted object";
  EXPECT_TRUE(DestroyWindow(window));
}

TEST(DialogWindow, WindowDestroyedElsewhereIsDetached) {
  TestDialog dialog;
  HWND window = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr,
                                   DialogWindow::DialogProcedure, reinterpret_cast<LPARAM>(&dialog));
  ASSERT_NE(nullptr, window);
  DestroyWindow(window);
  EXPECT_EQ(nullptr, dialog.Window());
  EXPECT_TRUE(Logged(dialog, "destroy"));
  dialog.End(0);
  EXPECT_FALSE(Logged(dialog, "canEnd 0")) << "End after the window is gone must do nothing";
}

}  // namespace
