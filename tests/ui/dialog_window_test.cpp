#include "ui/dialog_window.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/ui_test_resources.h"

namespace {

// What a test dialog's script posts to it: End(wParam), then log whether the
// window stayed attached; log which button has the focus; log the answer of
// the base OnMessage to WM_COMMAND wParam; Close() from a new thread; set the
// icons twice and log the small one's width, whether the first one was
// destroyed and whether the large one is the shared one. With kToButton the
// message goes to the first button instead.
enum : UINT { kEnd = WM_APP + 1, kFocus, kBase, kCloser, kIcons, kToButton = 0x10000 };
typedef std::vector<std::pair<UINT, WPARAM>> Script;

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

std::string TextOf(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

// Logs its operations to a log that outlives it and posts its script from
// OnInitDialog; CanEnd refuses 5. Deleted, it logs whether its window still
// leads to it.
class TestDialog : public DialogWindow {
 public:
  TestDialog(std::string* log, Script script, int initResult = 1) : log(log), script(script), initResult(initResult) {}
  ~TestDialog() override {
    if (shown) Log(GetWindowLongPtrA(shown, GWLP_USERDATA) ? "deleted, still reachable" : "deleted");
    if (closer) WaitForSingleObject(closer, 10000), CloseHandle(closer);
  }
  using DialogWindow::End;
  bool onHeap = false;  // End deletes it
  std::string font;     // face, " bold", " italic"

 protected:
  int OnInitDialog() override {
    LOGFONTA f = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(shown = Window(), WM_GETFONT, 0, 0)), sizeof(f), &f);
    font = f.lfFaceName + std::string(f.lfWeight == FW_BOLD ? " bold" : "") + (f.lfItalic ? " italic" : "");
    Log("init");
    SetFocus(Item(IDC_SECOND));
    for (auto& post : script)
      PostMessageA(post.first & kToButton ? Item(IDC_FIRST) : Window(), post.first & 0xFFFF, post.second, 0);
    return initResult;
  }
  int CanEnd(int result) override { return Log("canEnd " + std::to_string(result)), result != 5; }
  BOOL OnCommand(int id, WPARAM w, LPARAM l) override {
    return Log("command " + std::to_string(id)), DialogWindow::OnCommand(id, w, l);
  }
  BOOL OnClose() override {
    Log(GetWindowThreadProcessId(Window(), nullptr) == GetCurrentThreadId() ? "close" : "close off its thread");
    return DialogWindow::OnClose();
  }
  BOOL OnDestroy() override { return Log("destroy"), DialogWindow::OnDestroy(); }
  BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    const bool deleting = onHeap;  // then End deletes the object
    if (message == kFocus) Log(GetFocus() == Item(IDC_FIRST) ? "focus first" : "focus second");
    if (message == kBase) Log(DialogWindow::OnMessage(WM_COMMAND, wParam, 0) ? "base TRUE" : "base FALSE");
    if (message == kCloser) closer = CreateThread(nullptr, 0, CloseFromWorker, this, 0, nullptr);
    if (message == kIcons) LogIcons();
    if (message < kEnd || message > kIcons) return DialogWindow::OnMessage(message, wParam, lParam);
    if (message == kEnd) End(static_cast<int>(wParam));
    if (message == kEnd && !deleting) Log(Window() ? "attached" : "detached");
    return TRUE;
  }

 private:
  static DWORD WINAPI CloseFromWorker(void* self) { return static_cast<TestDialog*>(self)->Close() != 0; }
  void Log(const std::string& entry) { *log += entry + "; "; }
  void LogIcons() {
    SetIcons(IDI_TEST);
    const HICON small = reinterpret_cast<HICON>(SendMessageA(Window(), WM_GETICON, ICON_SMALL, 0));
    ICONINFO info = {};
    BITMAP bitmap = {};
    GetIconInfo(small, &info), GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor), DeleteObject(info.hbmMask), SetIcons(IDI_TEST);
    const LRESULT shared = reinterpret_cast<LRESULT>(LoadIconA(Self(), MAKEINTRESOURCEA(IDI_TEST)));
    Log("small " + std::to_string(bitmap.bmWidth) + (GetIconInfo(small, &info) ? " kept" : " destroyed") +
        (SendMessageA(Window(), WM_GETICON, ICON_BIG, 0) == shared ? ", large shared" : ""));
  }

  std::string* log;
  Script script;
  int initResult;
  HWND shown = nullptr;
  HANDLE closer = nullptr;
};

// `font` (when given; "*": the system's message face) is the one the dialog
// shows: the old default adapted, another as stored.
TEST(DialogWindow, ScriptedRuns) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = 340;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0);
  const int d = IDD_OLD_FONT, icon = GetSystemMetrics(SM_CXSMICON);
  const struct {
    int id, initResult;
    DWORD flags;
    Script script;
    INT_PTR result;
    std::string log, font;
  } cases[] = {
      {999, 1, 0, {}, -1, "", ""},  // no such template: the platform's answer, no operation reached
      {d, 0, 0, {}, 0, "init; canEnd 0; destroy; deleted; ", "*"},
      {d, 1, 0, {{kFocus, 0}, {kEnd, 6}}, 6, "init; focus first; canEnd 6; detached; destroy; deleted; ", ""},
      {d, 2, 0, {{kFocus, 0}, {kEnd, 6}}, 6, "init; focus second; canEnd 6; detached; destroy; deleted; ", ""},
      {d, 1, 0, {{kEnd, 5}, {kEnd, 7}}, 7, "init; canEnd 5; attached; canEnd 7; detached; destroy; deleted; ", ""},
      {d, 1, 0, {{WM_COMMAND, IDCLOSE}}, 0, "init; command 8; canEnd 0; destroy; deleted; ", ""},
      {d, 1, 0, {{WM_COMMAND, IDOK}, {kEnd, 9}}, 9, "init; command 1; canEnd 9; detached; destroy; deleted; ", ""},
      {d, 1, 0, {{WM_SYSCOMMAND, SC_CLOSE}}, 0, "init; close; canEnd 0; destroy; deleted; ", ""},
      {d, 1, 0, {{kToButton | WM_KEYDOWN, VK_ESCAPE}}, 0, "init; command 2; canEnd 0; destroy; deleted; ", ""},
      {d, 1, 0, {{kBase, IDCANCEL}}, 0, "init; canEnd 0; base TRUE; destroy; deleted; ", ""},
      {d, 1, 0, {{kBase, IDOK}, {kEnd, 9}}, 9, "init; base FALSE; canEnd 9; detached; destroy; deleted; ", ""},
      {d, 1, 0, {{kCloser, 0}}, 0, "init; close; canEnd 0; destroy; deleted; ", ""},
      {d, 1, DialogWindow::DeleteOnEnd, {{kEnd, 3}}, 3, "init; canEnd 3; deleted; ", ""},
      {d, 1, 0, {{kIcons, 0}, {kEnd, 0}}, 0,
       "init; small " + std::to_string(icon) + " destroyed, large shared; canEnd 0; detached; destroy; deleted; ", ""},
      {IDD_OTHER_FONT, 0, 0, {}, 0, "init; canEnd 0; destroy; deleted; ", "Courier New"},
      {IDD_EXTENDED, 0, 0, {}, 0, "init; canEnd 0; destroy; deleted; ", "* bold italic"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    std::string log, font = cases[i].font;
    TestDialog* dialog = new TestDialog(&log, cases[i].script, cases[i].initResult);
    dialog->onHeap = cases[i].flags != 0;
    EXPECT_EQ(cases[i].result, dialog->RunModal(Self(), cases[i].id, cases[i].flags)) << "case " << i;
    if (font[0] == '*') font.replace(0, 1, metrics.lfMessageFont.lfFaceName);
    if (!dialog->onHeap) {
      EXPECT_EQ(nullptr, dialog->Window()) << "case " << i;
      EXPECT_TRUE(font.empty() || font == dialog->font) << "case " << i << ": " << dialog->font;
      dialog->End(1);  // no window: nothing to ask
      delete dialog;
    }
    EXPECT_EQ(cases[i].log, log) << "case " << i;
  }
}

// Modeless windows: one destroyed under its object, one whose object is
// deleted under it.
TEST(DialogWindow, DestroyedWindowAndDeletedObjectLetGo) {
  std::string log;
  TestDialog survivor(&log, {}), *doomed = new TestDialog(&log, {});
  DestroyWindow(CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr, DialogWindow::DialogProcedure,
                                   reinterpret_cast<LPARAM>(&survivor)));
  EXPECT_EQ(nullptr, survivor.Window());
  HWND window = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_OLD_FONT), nullptr, DialogWindow::DialogProcedure,
                                   reinterpret_cast<LPARAM>(doomed));
  delete doomed;
  EXPECT_EQ(0, GetWindowLongPtrA(window, GWLP_USERDATA)) << "the window still leads to a deleted object";
  EXPECT_TRUE(DestroyWindow(window));
}

// The message box, read by a timer that its modal loop runs, then closed:
// "caption|" and "!" for the exclamation icon before the text.
std::string box;

void CALLBACK ReadBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND active = GetActiveWindow();
  if (!active || !IsWindowVisible(active)) return;
  KillTimer(nullptr, timer);
  HWND icon = FindWindowExA(active, nullptr, "Static", nullptr);
  HWND text = FindWindowExA(active, icon, "Static", nullptr);
  const bool exclamation = SendMessageA(icon, STM_GETICON, 0, 0) == reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_EXCLAMATION));
  box = TextOf(active) + "|" + (exclamation ? "!" : "") + TextOf(text);
  PostMessageA(active, WM_COMMAND, IDOK, 0);
}

// Style 0 gives an exclamation icon and OK; the text is cut to 1023 characters.
TEST(WindowObject, ShowMessageCutsAt1023Characters) {
  std::string longText;
  while (longText.size() < 3000) longText += std::to_string(longText.size() % 10);
  WindowObject owner;
  SetTimer(nullptr, 0, 50, ReadBox);
  EXPECT_EQ(IDOK, owner.ShowMessage(0, "Caption", "Value %d, %s", 42, longText.c_str()));
  EXPECT_EQ("Caption|!Value 42, " + longText.substr(0, 1013), box);
}

}  // namespace
