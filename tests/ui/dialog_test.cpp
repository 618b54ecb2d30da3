#include "ui/dialog_font.h"
#include "ui/dialog_window.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <stdlib.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/guarded_bytes.h"
#include "ui/pure_campaigns.h"

namespace {

// The resources of ui_test.rc.
enum { kOldFont = 300, kOtherFont, kExtended, kFirst = 1001, kSecond };

// The system as a test describes it, and the font to choose (face null: none).
struct FontCase {
  int metricsRead; const char* messageFace; LONG height; int dpi; std::set<std::string> faces;
  int prefer; const char* face; WORD points;
};

struct FakeFonts : FontEnvironment {
  explicit FakeFonts(const FontCase& c) : c(c) {}
  int MessageFont(LOGFONTA* font) override {
    *font = LOGFONTA();
    font->lfHeight = c.height;
    lstrcpynA(font->lfFaceName, c.messageFace, LF_FACESIZE);
    return c.metricsRead;
  }
  int PixelsPerInchY() override { return c.dpi; }
  int FaceExists(const char* face) override { return static_cast<int>(c.faces.count(face)); }
  const FontCase& c;
};

TEST(ChooseDialogFont, FaceAndSize) {
  const FontCase cases[] = {
      {1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 0, "Segoe UI", 9},
      {1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 1, "MS Shell Dlg 2", 8},
      {1, "Segoe UI", -12, 96, {"Segoe UI"}, 1, "Segoe UI", 9},              // preferred but missing
      {1, "Tahoma", -11, 96, {"Tahoma", "MS Shell Dlg 2"}, 1, "Tahoma", 8},  // preferred only with Segoe UI
      {1, "MS Sans Serif", -11, 120, {"MS Sans Serif"}, 0, "MS Sans Serif", 7},
      {1, "Tahoma", -11, 96, {"MS Shell Dlg 2"}, 0, "MS Shell Dlg 2", 8},  // the message face missing
      {1, "Segoe UI", -12, 96, {}, 0, "MS Shell Dlg", 8},
      {1, "Tahoma", -32767, 72, {"Tahoma"}, 0, "Tahoma", 32767},  // the largest point size
      {1, "Tahoma", -32768, 72, {"Tahoma"}, 0, nullptr, 0},
      {1, "Tahoma", 11, 96, {"Tahoma"}, 0, nullptr, 0},  // a cell height, not a character height
      {1, "Tahoma", -11, 0, {"Tahoma"}, 0, nullptr, 0},  // no resolution
      {1, "Arial", -11, 96, {"Arial"}, 0, nullptr, 0},
      {0, "Tahoma", -11, 96, {"Tahoma"}, 0, nullptr, 0},  // metrics unreadable
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    FakeFonts fonts(cases[i]);
    DialogFontChoice choice = {"", 0};
    const int chosen = ChooseDialogFont(fonts, cases[i].prefer, &choice);
    EXPECT_EQ(cases[i].face ? cases[i].face + std::string(" ") + std::to_string(cases[i].points) : "none",
              chosen ? choice.face + std::string(" ") + std::to_string(choice.points) : "none") << "case " << i;
  }
}

// The copies, of bytes that end at an inaccessible page, in their whole allocation.
TEST(AdaptDialogTemplate, RandomTemplatesGiveNullOrTheExpectedCopy) {
  const FontCase tahoma8 = {1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma", 8};
  FakeFonts fonts(tahoma8);
  testing_support::GuardedBytes guard(1 << 16);
  int adapted = 0, index = 0;
  testing_support::RunCampaign(ui_test::kTemplateSeed, ui_test::kTemplateCases, ui_test::RandomTemplate,
                               [&](const ui_test::TemplateCase& c) {
    void* copy = AdaptDialogTemplate(guard.Place(c.bytes), DWORD(c.bytes.size()), index++ % 2, fonts);
    ui_test::ExpectTahomaCopy(c, ui_test::Bytes((BYTE*)copy, (BYTE*)copy + (copy ? _msize(copy) : 0)));
    adapted += copy != nullptr;
    free(copy);
  });
  EXPECT_GT(adapted, ui_test::kTemplateCases / 10) << "too few random templates are adaptable";
}

// What a test dialog's script posts to it: End(wParam), then log whether the
// window stayed attached; log which button has the focus; Close() from a new
// thread. With kToButton the message goes to the first button instead.
enum : UINT { kEnd = WM_APP + 1, kFocus, kCloser, kToButton = 0x10000 };
typedef std::vector<std::pair<UINT, WPARAM>> Script;

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

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

 protected:
  int OnInitDialog() override {
    LOGFONTA f = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(shown = Window(), WM_GETFONT, 0, 0)), sizeof(f), &f);
    Log("init " + std::string(f.lfFaceName) + (f.lfWeight == FW_BOLD ? " bold" : "") + (f.lfItalic ? " italic" : ""));
    SetFocus(Item(kSecond));
    for (auto& post : script)
      PostMessageA(post.first & kToButton ? Item(kFirst) : Window(), post.first & 0xFFFF, post.second, 0);
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
    if (message == kFocus) Log(GetFocus() == Item(kFirst) ? "focus first" : "focus second");
    if (message == kCloser) closer = CreateThread(nullptr, 0, CloseFromWorker, this, 0, nullptr);
    if (message < kEnd || message > kCloser) return DialogWindow::OnMessage(message, wParam, lParam);
    if (message == kEnd) End(static_cast<int>(wParam));
    if (message == kEnd && !deleting) Log(Window() ? "attached" : "detached");
    return TRUE;
  }

 private:
  static DWORD WINAPI CloseFromWorker(void* self) { return static_cast<TestDialog*>(self)->Close() != 0; }
  void Log(const std::string& entry) { *log += entry + "; "; }

  std::string* log;
  Script script;
  int initResult;
  HWND shown = nullptr;
  HANDLE closer = nullptr;
};

// "*" in a log stands for the system's message face, which the old default
// font is adapted to; another is shown as stored.
TEST(DialogWindow, ScriptedRuns) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = 340;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0);
  const int d = kOldFont;
  const struct { int id, initResult; DWORD flags; Script script; INT_PTR result; std::string log; } cases[] = {
      {999, 1, 0, {}, -1, ""},  // no such template: the platform's answer, no operation reached
      {d, 0, 0, {}, 0, "init *; canEnd 0; destroy; deleted; "},
      {d, 1, 0, {{kFocus, 0}, {kEnd, 6}}, 6, "init *; focus first; canEnd 6; detached; destroy; deleted; "},
      {d, 2, 0, {{kFocus, 0}, {kEnd, 6}}, 6, "init *; focus second; canEnd 6; detached; destroy; deleted; "},
      {d, 1, 0, {{kEnd, 5}, {kEnd, 7}}, 7, "init *; canEnd 5; attached; canEnd 7; detached; destroy; deleted; "},
      {d, 1, 0, {{WM_COMMAND, IDCLOSE}}, 0, "init *; command 8; canEnd 0; destroy; deleted; "},
      {d, 1, 0, {{WM_COMMAND, IDOK}, {kEnd, 9}}, 9, "init *; command 1; canEnd 9; detached; destroy; deleted; "},
      {d, 1, 0, {{WM_SYSCOMMAND, SC_CLOSE}}, 0, "init *; close; canEnd 0; destroy; deleted; "},
      {d, 1, 0, {{kToButton | WM_KEYDOWN, VK_ESCAPE}}, 0, "init *; command 2; canEnd 0; destroy; deleted; "},
      {d, 1, 0, {{kCloser, 0}}, 0, "init *; close; canEnd 0; destroy; deleted; "},
      {d, 1, DialogWindow::DeleteOnEnd, {{kEnd, 3}}, 3, "init *; canEnd 3; deleted; "},
      {kOtherFont, 0, 0, {}, 0, "init Courier New; canEnd 0; destroy; deleted; "},
      {kExtended, 0, 0, {}, 0, "init * bold italic; canEnd 0; destroy; deleted; "},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    std::string log, expected = cases[i].log;
    TestDialog* dialog = new TestDialog(&log, cases[i].script, cases[i].initResult);
    dialog->onHeap = cases[i].flags != 0;
    EXPECT_EQ(cases[i].result, dialog->RunModal(Self(), cases[i].id, cases[i].flags)) << "case " << i;
    if (!dialog->onHeap) {
      EXPECT_EQ(nullptr, dialog->Window()) << "case " << i;
      dialog->End(1);  // no window: nothing to ask
      delete dialog;
    }
    const size_t star = expected.find('*');
    if (star != std::string::npos) expected.replace(star, 1, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(expected, log) << "case " << i;
  }
}

// Modeless windows: one destroyed under its object, one whose object is
// deleted under it.
TEST(DialogWindow, DestroyedWindowAndDeletedObjectLetGo) {
  std::string log;
  TestDialog survivor(&log, {}), *doomed = new TestDialog(&log, {});
  DestroyWindow(CreateDialogParamA(Self(), MAKEINTRESOURCEA(kOldFont), nullptr, DialogWindow::DialogProcedure,
                                   reinterpret_cast<LPARAM>(&survivor)));
  EXPECT_EQ(nullptr, survivor.Window());
  HWND window = CreateDialogParamA(Self(), MAKEINTRESOURCEA(kOldFont), nullptr, DialogWindow::DialogProcedure,
                                   reinterpret_cast<LPARAM>(doomed));
  delete doomed;
  EXPECT_EQ(0, GetWindowLongPtrA(window, GWLP_USERDATA)) << "the window still leads to a deleted object";
  EXPECT_TRUE(DestroyWindow(window));
}

}  // namespace
