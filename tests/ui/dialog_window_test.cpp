#include "ui/dialog_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ui_test_resources.h"

namespace {

// What a test dialog's script posts to it.
const UINT kEnd = WM_APP + 1;     // End(wParam), then log whether the window stayed attached
const UINT kFocus = WM_APP + 2;   // log which button has the focus
const UINT kBase = WM_APP + 3;    // the base OnMessage with WM_COMMAND wParam; log its answer
const UINT kCloser = WM_APP + 4;  // Close() from a new thread

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

struct Post {
  Post(UINT message, WPARAM wParam, bool toButton = false) : message(message), wParam(wParam), toButton(toButton) {}
  UINT message;
  WPARAM wParam;
  bool toButton;  // to the first button, not the dialog
};

// Logs its operations to a log that outlives it and posts its script from
// OnInitDialog. Deleted, it logs whether its window still leads to it.
class TestDialog : public DialogWindow {
 public:
  TestDialog(std::string* log, std::vector<Post> script, int initResult = 1, int refused = -1)
      : log(log), script(script), initResult(initResult), refused(refused) {}
  ~TestDialog() override {
    if (shown) Log(GetWindowLongPtrA(shown, GWLP_USERDATA) ? "deleted, still reachable" : "deleted");
    if (closer) WaitForSingleObject(closer, 10000), CloseHandle(closer);
  }
  using DialogWindow::End;
  bool onHeap = false;  // End deletes it
  void (*atInit)(TestDialog&) = nullptr;
  LOGFONTA font = {};

 protected:
  int OnInitDialog() override {
    Log("init");
    shown = Window();
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Window(), WM_GETFONT, 0, 0)), sizeof(font), &font);
    SetFocus(Item(IDC_SECOND));
    for (const Post& p : script) PostMessageA(p.toButton ? Item(IDC_FIRST) : Window(), p.message, p.wParam, 0);
    if (atInit) atInit(*this);
    return initResult;
  }
  int CanEnd(int result) override {
    Log("canEnd " + std::to_string(result));
    return result != refused;
  }
  BOOL OnCommand(int id, WPARAM wParam, LPARAM lParam) override {
    Log("command " + std::to_string(id));
    return DialogWindow::OnCommand(id, wParam, lParam);
  }
  BOOL OnClose() override {
    Log(GetWindowThreadProcessId(Window(), nullptr) == GetCurrentThreadId() ? "close" : "close off its thread");
    return DialogWindow::OnClose();
  }
  BOOL OnDestroy() override {
    Log("destroy");
    return DialogWindow::OnDestroy();
  }
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kFocus) {
      Log(GetFocus() == Item(IDC_FIRST) ? "focus first" : "focus second");
    } else if (message == kBase) {
      Log(DialogWindow::OnMessage(WM_COMMAND, wParam, 0) ? "base TRUE" : "base FALSE");
    } else if (message == kCloser) {
      closer = CreateThread(nullptr, 0, CloseFromWorker, this, 0, nullptr);
    } else if (message == kEnd) {
      const bool deleted = onHeap;
      End(static_cast<int>(wParam));
      if (!deleted) Log(Window() ? "attached" : "detached");
    } else {
      return DialogWindow::OnMessage(message, wParam, lParam);
    }
    return TRUE;
  }

 private:
  static DWORD WINAPI CloseFromWorker(void* dialog) { return static_cast<DWORD>(static_cast<TestDialog*>(dialog)->Close()); }
  void Log(const std::string& entry) { *log += entry + "; "; }

  std::string* log;
  std::vector<Post> script;
  int initResult, refused;  // CanEnd refuses `refused`
  HWND shown = nullptr;
  HANDLE closer = nullptr;
};

TEST(DialogWindow, ScriptedRuns) {
  const struct {
    int id;
    int initResult, refused;
    std::vector<Post> script;
    INT_PTR result;
    std::string log;
  } cases[] = {
      {999, 1, -1, {}, -1, ""},  // no such template: the platform's answer, no operation reached
      {IDD_OLD_FONT, 0, -1, {}, 0, "init; canEnd 0; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{kFocus, 0}, {kEnd, 5}}, 5, "init; focus first; canEnd 5; detached; destroy; deleted; "},
      {IDD_OLD_FONT, 2, -1, {{kFocus, 0}, {kEnd, 5}}, 5, "init; focus second; canEnd 5; detached; destroy; deleted; "},
      {IDD_OLD_FONT, 1, 5, {{kEnd, 5}, {kEnd, 7}}, 7,
       "init; canEnd 5; attached; canEnd 7; detached; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{WM_COMMAND, IDCLOSE}}, 0, "init; command 8; canEnd 0; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{WM_COMMAND, IDOK}, {kEnd, 9}}, 9, "init; command 1; canEnd 9; detached; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{WM_SYSCOMMAND, SC_CLOSE}}, 0, "init; close; canEnd 0; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{WM_KEYDOWN, VK_ESCAPE, true}}, 0, "init; command 2; canEnd 0; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{kBase, IDCANCEL}}, 0, "init; canEnd 0; base TRUE; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{kBase, IDOK}, {kEnd, 9}}, 9, "init; base FALSE; canEnd 9; detached; destroy; deleted; "},
      {IDD_OLD_FONT, 1, -1, {{kCloser, 0}}, 0, "init; close; canEnd 0; destroy; deleted; "},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    std::string log;
    {
      TestDialog dialog(&log, cases[i].script, cases[i].initResult, cases[i].refused);
      EXPECT_EQ(cases[i].result, dialog.RunModal(Self(), cases[i].id, 0));
      EXPECT_EQ(nullptr, dialog.Window());
      dialog.End(1);  // no window: nothing to ask
    }
    EXPECT_EQ(cases[i].log, log);
  }
  // DeleteOnEnd: the window lets go of the object before it is deleted.
  std::string log;
  TestDialog* dialog = new TestDialog(&log, {{kEnd, 3}});
  dialog->onHeap = true;
  EXPECT_EQ(3, dialog->RunModal(Self(), IDD_OLD_FONT, DialogWindow::DeleteOnEnd));
  EXPECT_EQ("init; canEnd 3; deleted; ", log);
}

// Modeless windows: one destroyed under its object, one whose object is
// deleted under it.
TEST(DialogWindow, DestroyedWindowAndDeletedObjectLetGo) {
  std::string log;
  TestDialog survivor(&log, {});
  DestroyWindow(CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr, DialogWindow::DialogProcedure,
                                   reinterpret_cast<LPARAM>(&survivor)));
  EXPECT_EQ(nullptr, survivor.Window());
  TestDialog* doomed = new TestDialog(&log, {});
  HWND window = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr, DialogWindow::DialogProcedure,
                                   reinterpret_cast<LPARAM>(doomed));
  ASSERT_EQ(window, doomed->Window());
  delete doomed;
  EXPECT_EQ(0, GetWindowLongPtrA(window, GWLP_USERDATA)) << "the window still leads to a deleted object";
  EXPECT_TRUE(DestroyWindow(window));
}

TEST(DialogWindow, AdaptsTheFontOrShowsTheTemplateAsStored) {
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
    std::string log;
    TestDialog dialog(&log, {{kEnd, 42}});
    EXPECT_EQ(42, dialog.RunModal(Self(), cases[i].id, 0)) << "case " << i;
    EXPECT_EQ(cases[i].face, dialog.font.lfFaceName) << "case " << i;
    EXPECT_EQ(cases[i].weight, dialog.font.lfWeight) << "case " << i;
    EXPECT_EQ(cases[i].italic, dialog.font.lfItalic) << "case " << i;
  }
}

std::string TextOf(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

TEST(WindowObject, IconsAndItems) {
  std::string log;
  TestDialog dialog(&log, {{kEnd, 0}});
  dialog.atInit = [](TestDialog& d) {
    d.SetIcons(IDI_TEST);
    const HICON small = reinterpret_cast<HICON>(SendMessageA(d.Window(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(LoadIconA(Self(), MAKEINTRESOURCEA(IDI_TEST)),
              reinterpret_cast<HICON>(SendMessageA(d.Window(), WM_GETICON, ICON_BIG, 0)));
    ICONINFO info = {};
    BITMAP bitmap = {};
    ASSERT_TRUE(GetIconInfo(small, &info));
    GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor), DeleteObject(info.hbmMask);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), bitmap.bmWidth);
    d.SetIcons(IDI_TEST);
    EXPECT_FALSE(GetIconInfo(small, &info)) << "the first small icon was not destroyed";

    EXPECT_EQ(1, d.SetItemText(IDC_LABEL, "Label text"));
    EXPECT_EQ("Label text", TextOf(d.Item(IDC_LABEL)));
    EXPECT_EQ(0, d.SetItemText(4321, "no such item"));
    const int shows[] = {1, 2, 1, 0};  // only 1 shows
    for (int i = 0; i < 4; ++i) {
      d.ShowItem(IDC_LABEL, shows[i]);
      EXPECT_EQ(shows[i] == 1, (GetWindowLongA(d.Item(IDC_LABEL), GWL_STYLE) & WS_VISIBLE) != 0) << "case " << i;
    }
  };
  EXPECT_EQ(0, dialog.RunModal(Self(), IDD_OLD_FONT, 0));
}

// The message box, read and closed by a timer that its modal loop runs.
std::string boxCaption, boxText;
HICON boxIcon = nullptr;

BOOL CALLBACK ReadBoxItem(HWND item, LPARAM) {
  char name[8] = "";
  GetClassNameA(item, name, sizeof(name));
  if (lstrcmpiA(name, "Static") == 0 && (GetWindowLongA(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
    boxIcon = reinterpret_cast<HICON>(SendMessageA(item, STM_GETICON, 0, 0));
  else if (lstrcmpiA(name, "Static") == 0 && !TextOf(item).empty())
    boxText = TextOf(item);
  return TRUE;
}

void CALLBACK ReadBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = GetActiveWindow();
  if (!box || !IsWindowVisible(box)) return;
  KillTimer(nullptr, timer);
  boxCaption = TextOf(box);
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
  EXPECT_EQ("Caption", boxCaption);
  EXPECT_EQ("Value 42, " + longText.substr(0, 1013), boxText);
  EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), boxIcon);
}

}  // namespace
