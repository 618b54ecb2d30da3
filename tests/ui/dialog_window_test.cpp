#include "ui/dialog_window.h"

#include <gtest/gtest.h>

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
  std::string log;  // "init; canEnd 5; ..."
  std::function<int(TestDialog&)> onInit;
  std::function<int(int)> canEnd;
  DWORD closeThread = 0;
  LOGFONTA initFont = {};
  bool deletesItself = false;  // End deletes the object: touch nothing after it
  using DialogWindow::End;
  BOOL BaseOnMessage(UINT message, WPARAM wParam) { return DialogWindow::OnMessage(message, wParam, 0); }

  bool Logged(const std::string& entry) const { return log.find(entry + ";") != std::string::npos; }
  void Log(const std::string& entry) { log += entry + "; "; }
  INT_PTR Run(int id = IDD_OLD_FONT, DWORD flags = 0) { return RunModal(Self(), id, flags); }
  // Posts `message` to the dialog once it runs.
  void PostOnInit(UINT message, WPARAM wParam) {
    onInit = [message, wParam](TestDialog& d) { return PostMessageA(d.Window(), message, wParam, 0), 1; };
  }

 protected:
  int OnInitDialog() override {
    Log("init");
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Window(), WM_GETFONT, 0, 0)), sizeof(initFont), &initFont);
    return onInit ? onInit(*this) : 1;
  }
  int CanEnd(int result) override {
    Log("canEnd " + std::to_string(result));
    return canEnd ? canEnd(result) : 1;
  }
  BOOL OnCommand(int id, WPARAM wParam, LPARAM lParam) override {
    Log("command " + std::to_string(id));
    return DialogWindow::OnCommand(id, wParam, lParam);
  }
  BOOL OnClose() override {
    closeThread = GetCurrentThreadId();
    Log("close");
    return DialogWindow::OnClose();
  }
  BOOL OnDestroy() override {
    Log("destroy");
    return DialogWindow::OnDestroy();
  }
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (log.empty()) Log("message before init");
    if (message == kFocusMessage) {
      HWND focus = GetFocus();
      Log(focus == Item(IDC_FIRST) ? "focus first" : focus == Item(IDC_SECOND) ? "focus second" : "focus elsewhere");
    }
    if (message != kEndMessage && message != kFocusMessage) return DialogWindow::OnMessage(message, wParam, lParam);
    End(static_cast<int>(wParam));
    if (!deletesItself && message == kEndMessage) Log(Window() ? "attached" : "detached");
    return TRUE;
  }
};

TEST(DialogWindow, RunModalShowsAdaptedOrStoredTemplate) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = 340;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0);
  const std::string face = metrics.lfMessageFont.lfFaceName;
  if (face != "Tahoma" && face != "Segoe UI" && face != "MS Sans Serif")
    GTEST_SKIP() << "the message font here is \"" << face << "\", which adaptation leaves alone";
  // The character set is kept too, but Wine makes dialog fonts in DEFAULT_CHARSET.
  const struct {
    int id;
    std::string face;
    LONG weight;
    BYTE italic;
  } cases[] = {{IDD_OLD_FONT, face, FW_DONTCARE, 0}, {IDD_OTHER_FONT, "Courier New", FW_DONTCARE, 0},
               {IDD_EXTENDED, face, FW_BOLD, 1}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    TestDialog dialog;
    dialog.PostOnInit(kEndMessage, 42);
    EXPECT_EQ(42, dialog.Run(cases[i].id)) << "case " << i;
    EXPECT_EQ(cases[i].face, dialog.initFont.lfFaceName) << "case " << i;
    EXPECT_EQ(cases[i].italic, dialog.initFont.lfItalic) << "case " << i;
    EXPECT_EQ(cases[i].weight, dialog.initFont.lfWeight) << "case " << i;
    EXPECT_EQ(nullptr, dialog.Window()) << "case " << i;
  }
}

TEST(DialogWindow, MissingTemplateAndMessagesBeforeInitReachNoOperation) {
  TestDialog dialog;
  INT_PTR platform = DialogBoxParamA(Self(), MAKEINTRESOURCEA(999), nullptr, DialogWindow::DialogProcedure,
                                     reinterpret_cast<LPARAM>(&dialog));
  EXPECT_EQ(platform, dialog.RunModal(Self(), 999, 0));
  EXPECT_EQ("", dialog.log);
  dialog.PostOnInit(kEndMessage, 0);
  dialog.Run();
  EXPECT_EQ(0u, dialog.log.find("init;")) << dialog.log;

  HWND plain = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, Self(), nullptr);
  EXPECT_EQ(FALSE, DialogWindow::DialogProcedure(plain, WM_COMMAND, IDCANCEL, 0));
  DestroyWindow(plain);
}

TEST(DialogWindow, InitDialogResults) {
  TestDialog failing;  // 0 ends the dialog at once with 0
  failing.onInit = [](TestDialog&) { return 0; };
  EXPECT_EQ(0, failing.Run());
  EXPECT_TRUE(failing.Logged("canEnd 0")) << failing.log;
  EXPECT_EQ(nullptr, failing.Window());

  // 1 lets the platform set the focus (first tab stop), 2 keeps the handler's;
  // a second WM_INITDIALOG answers as the first did.
  const struct {
    int result;
    INT_PTR procedureResult;
    const char* focus;
  } cases[] = {{1, TRUE, "focus first"}, {2, FALSE, "focus second"}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    TestDialog dialog;
    INT_PTR again = -1;
    dialog.onInit = [&](TestDialog& d) {
      SetFocus(d.Item(IDC_SECOND));
      if (again == -1) PostMessageA(d.Window(), kFocusMessage, 5, 0);
      return cases[i].result;
    };
    dialog.canEnd = [&](int) {
      if (again == -1)
        again = DialogWindow::DialogProcedure(dialog.Window(), WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&dialog));
      return 1;
    };
    EXPECT_EQ(5, dialog.Run()) << "case " << i;
    EXPECT_EQ(cases[i].procedureResult, again) << "case " << i;
    EXPECT_TRUE(dialog.Logged(cases[i].focus)) << "case " << i << ": " << dialog.log;
  }
}

TEST(DialogWindow, CanEndZeroKeepsTheDialogAndEndWithoutWindowAsksNothing) {
  TestDialog dialog;
  dialog.End(3);
  EXPECT_EQ("", dialog.log);
  dialog.canEnd = [](int result) { return result == 7; };
  dialog.onInit = [](TestDialog& d) {
    PostMessageA(d.Window(), kEndMessage, 5, 0);
    return PostMessageA(d.Window(), kEndMessage, 7, 0), 1;
  };
  EXPECT_EQ(7, dialog.Run());
  EXPECT_EQ(0u, dialog.log.find("init; canEnd 5; attached; canEnd 7; detached; ")) << dialog.log;
}

TEST(DialogWindow, CommandsCloseBoxAndEscape) {
  const struct {
    UINT message;
    WPARAM wParam;
    bool toButton;
    INT_PTR result;
    const char* logged;
  } cases[] = {
      {WM_COMMAND, IDCLOSE, false, 0, "command 8"}, {WM_COMMAND, IDOK, false, 99, "command 1"},
      {WM_SYSCOMMAND, SC_CLOSE, false, 0, "close"}, {WM_KEYDOWN, VK_ESCAPE, true, 0, "command 2"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    TestDialog dialog;
    dialog.onInit = [&](TestDialog& d) {
      PostMessageA(cases[i].toButton ? d.Item(IDC_FIRST) : d.Window(), cases[i].message, cases[i].wParam, 0);
      return PostMessageA(d.Window(), kEndMessage, 99, 0), 1;
    };
    EXPECT_EQ(cases[i].result, dialog.Run()) << "case " << i << ": " << dialog.log;
    EXPECT_TRUE(dialog.Logged(cases[i].logged)) << "case " << i << ": " << dialog.log;
  }
  // The base OnMessage ends on WM_COMMAND 2 and 8 too, for dialogs routing commands there.
  const WORD ids[] = {IDCANCEL, IDOK};
  for (size_t i = 0; i < 2; ++i) {
    TestDialog dialog;
    BOOL answer = -1;
    dialog.onInit = [&](TestDialog& d) {
      answer = d.BaseOnMessage(WM_COMMAND, MAKEWPARAM(ids[i], 0));
      if (d.Window()) PostMessageA(d.Window(), kEndMessage, 77, 0);
      return 1;
    };
    EXPECT_EQ(i < 1 ? 0 : 77, dialog.Run()) << "id case " << i;
    EXPECT_EQ(i < 1 ? TRUE : FALSE, answer) << "id case " << i;
  }
}

DWORD WINAPI CloseFromWorker(void* dialog) { return static_cast<DWORD>(static_cast<TestDialog*>(dialog)->Close()); }

TEST(DialogWindow, CloseFromAWorkerThreadRunsOnCloseOnTheDialogThread) {
  TestDialog dialog;
  HANDLE worker = nullptr;
  dialog.onInit = [&](TestDialog& d) { return worker = CreateThread(nullptr, 0, CloseFromWorker, &d, 0, nullptr), 1; };
  EXPECT_EQ(0, dialog.Run());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker, 10000));
  DWORD result = 1;
  GetExitCodeThread(worker, &result);
  CloseHandle(worker);
  EXPECT_EQ(GetCurrentThreadId(), dialog.closeThread);
  EXPECT_EQ(0u, result);  // a dialog answers WM_CLOSE through DWLP_MSGRESULT, left 0
}

// A deleted dialog's window must no longer lead to it: the modal loop still
// sends it messages after End, and the platform swallows faults in dialog
// procedures, so a late call would not show as a crash.
int deletedDialogs = 0;
LONG_PTR userDataAtDeletion = -1;

struct SelfDeleting : TestDialog {
  HWND window = nullptr;
  SelfDeleting() {
    deletesItself = true;
    onInit = [this](TestDialog&) { return PostMessageA(window = Window(), kEndMessage, 3, 0), 1; };
  }
  ~SelfDeleting() override {
    ++deletedDialogs;
    userDataAtDeletion = GetWindowLongPtrA(window, GWLP_USERDATA);
  }
};

TEST(DialogWindow, DeleteOnEndAndDestructionDetachTheWindow) {
  EXPECT_EQ(3, (new SelfDeleting)->Run(IDD_OLD_FONT, DialogWindow::DeleteOnEnd));
  EXPECT_EQ(1, deletedDialogs);
  EXPECT_EQ(0, userDataAtDeletion) << "the window still led to the object when it was deleted";

  TestDialog* dialog = new TestDialog;
  HWND window = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr, DialogWindow::DialogProcedure,
                                   reinterpret_cast<LPARAM>(dialog));
  ASSERT_EQ(window, dialog->Window());
  delete dialog;
  EXPECT_EQ(0, GetWindowLongPtrA(window, GWLP_USERDATA)) << "the window still points at a deleted object";
  EXPECT_TRUE(DestroyWindow(window));

  TestDialog survivor;
  window = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr, DialogWindow::DialogProcedure,
                              reinterpret_cast<LPARAM>(&survivor));
  DestroyWindow(window);
  EXPECT_EQ(nullptr, survivor.Window());
  EXPECT_TRUE(survivor.Logged("destroy"));
  survivor.End(0);
  EXPECT_FALSE(survivor.Logged("canEnd 0")) << "End after the window is gone must do nothing";
}

// --- The window operations of WindowObject, on a live dialog ---------------

std::string TextOf(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

TEST(WindowObject, IconsAndItems) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    d.SetIcons(IDI_TEST);
    HICON small = reinterpret_cast<HICON>(SendMessageA(d.Window(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(LoadIconA(d.Instance(), MAKEINTRESOURCEA(IDI_TEST)),
              reinterpret_cast<HICON>(SendMessageA(d.Window(), WM_GETICON, ICON_BIG, 0)));
    ICONINFO info = {};
    BITMAP bitmap = {};
    EXPECT_TRUE(GetIconInfo(small, &info));
    GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), bitmap.bmWidth);
    DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
    d.SetIcons(IDI_TEST);
    EXPECT_FALSE(GetIconInfo(small, &info)) << "the first small icon was not destroyed";

    EXPECT_EQ(1, d.SetItemText(IDC_LABEL, "Label text"));
    EXPECT_EQ("Label text", TextOf(d.Item(IDC_LABEL)));
    EXPECT_EQ(0, d.SetItemText(4321, "no such item"));
    const int shows[] = {1, 2, 1, 0};  // only 1 shows
    for (size_t i = 0; i < 4; ++i) {
      d.ShowItem(IDC_LABEL, shows[i]);
      EXPECT_EQ(shows[i] == 1, (GetWindowLongA(d.Item(IDC_LABEL), GWL_STYLE) & WS_VISIBLE) != 0) << "case " << i;
    }
    return 0;
  };
  dialog.Run();
}

// --- Message boxes, read and closed by a timer their modal loop runs -------

struct SeenBox {
  std::string caption, text;
  HICON icon = nullptr;
  std::vector<int> buttons;
} seen;

BOOL CALLBACK ReadBoxItem(HWND item, LPARAM) {
  char name[32];
  GetClassNameA(item, name, sizeof(name));
  if (lstrcmpiA(name, "Static") == 0 && (GetWindowLongA(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
    seen.icon = reinterpret_cast<HICON>(SendMessageA(item, STM_GETICON, 0, 0));
  else if (lstrcmpiA(name, "Static") == 0 && !TextOf(item).empty())
    seen.text = TextOf(item);
  else if (lstrcmpiA(name, "Button") == 0 && IsWindowVisible(item))
    seen.buttons.push_back(GetDlgCtrlID(item));
  return TRUE;
}

void CALLBACK ReadBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = GetActiveWindow();
  if (!box || !IsWindowVisible(box)) return;
  KillTimer(nullptr, timer);
  seen.caption = TextOf(box);
  EnumChildWindows(box, ReadBoxItem, 0);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Style 0 gives an exclamation icon and OK; the text is cut to 1023 characters.
TEST(WindowObject, ShowMessageCutsAt1023Characters) {
  std::string longText;
  while (longText.size() < 3000) longText += std::to_string(longText.size() % 10);
  WindowObject owner;
  SetTimer(nullptr, 0, 50, ReadBox);
  EXPECT_EQ(IDOK, owner.ShowMessage(0, "Caption", "Value %d, %s", 42, longText.c_str()));
  EXPECT_EQ("Caption", seen.caption);
  EXPECT_EQ("Value 42, " + longText.substr(0, 1013), seen.text);
  EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), seen.icon);
  EXPECT_EQ(std::vector<int>{IDOK}, seen.buttons);
}

}  // namespace
