// The dialog host, dialog font adaptation, resource strings and version
// titles; the pure campaigns are in pure_campaigns.cpp.
#include <gtest/gtest.h>
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/guarded_bytes.h"
#include "support/test_support.h"
#include "ui/dialog_font.h"
#include "ui/dialog_window.h"
#include "ui/localized_resource.h"
#include "ui/module_file.h"
#include "ui/pure_campaigns.h"
#include "ui/resource_strings.h"
#include "ui/version_title.h"

using namespace testing_support;
using namespace ui_test;

namespace {

// The resources of ui_test.rc.
enum { kOld = 300, kOtherFont, kFirst = 1001, kSecond };

// The system as a test describes it, and the font to choose ("none": the
// template stays as stored).
struct FontCase { int metricsRead; const char* messageFace; LONG height; int dpi; std::set<std::string> faces;
                  int prefer; const char* chosen; };

struct FakeFonts : FontEnvironment {
  explicit FakeFonts(const FontCase& c) : c(c) {}
  int MessageFont(LOGFONTA* font) override {
    *font = LOGFONTA(), font->lfHeight = c.height, lstrcpynA(font->lfFaceName, c.messageFace, LF_FACESIZE);
    return c.metricsRead;
  }
  int PixelsPerInchY() override { return c.dpi; }
  int FaceExists(const char* face) override { return static_cast<int>(c.faces.count(face)); }
  const FontCase& c;
};

TEST(ChooseDialogFont, FaceAndSize) {
  const FontCase cases[] = {
      {1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 0, "Segoe UI 9"},
      {1, "Segoe UI", -12, 96, {"Segoe UI", "MS Shell Dlg 2"}, 1, "MS Shell Dlg 2 8"},
      {1, "Segoe UI", -12, 96, {"Segoe UI"}, 1, "Segoe UI 9"},              // preferred but missing
      {1, "Tahoma", -11, 96, {"Tahoma", "MS Shell Dlg 2"}, 1, "Tahoma 8"},  // preferred only with Segoe UI
      {1, "MS Sans Serif", -11, 120, {"MS Sans Serif"}, 0, "MS Sans Serif 7"},
      {1, "Tahoma", -11, 96, {"MS Shell Dlg 2"}, 0, "MS Shell Dlg 2 8"},  // the message face missing
      {1, "Segoe UI", -12, 96, {}, 0, "MS Shell Dlg 8"},
      {1, "Tahoma", -32767, 72, {"Tahoma"}, 0, "Tahoma 32767"},  // the largest point size
      {1, "Tahoma", -32768, 72, {"Tahoma"}, 0, "none"},
      {1, "Tahoma", 11, 96, {"Tahoma"}, 0, "none"},  // a cell height, not a character height
      {1, "Arial", -11, 96, {"Arial"}, 0, "none"},
      {0, "Tahoma", -11, 96, {"Tahoma"}, 0, "none"},  // metrics unreadable
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    FakeFonts fonts(cases[i]);
    DialogFontChoice choice = {"", 0};
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(cases[i].chosen, ChooseDialogFont(fonts, cases[i].prefer, &choice)
                                   ? choice.face + (" " + std::to_string(choice.points)) : "none");
  }
}

// The copies, of bytes that end at an inaccessible page, in their whole allocation.
TEST(AdaptDialogTemplate, RandomTemplatesGiveNullOrTheExpectedCopy) {
  const FontCase tahoma8 = {1, "Tahoma", -11, 96, {"Tahoma"}, 0, "Tahoma 8"};
  FakeFonts fonts(tahoma8);
  GuardedBytes guard(1 << 16);
  int adapted = 0, n = 0;
  RunCampaign(kTemplateSeed, kTemplateCases, RandomTemplate, [&](const TemplateCase& c) {
    auto copy = static_cast<BYTE*>(AdaptDialogTemplate(guard.Place(c.bytes), DWORD(c.bytes.size()), n++ % 2, fonts));
    ExpectTahomaCopy(c, Bytes(copy, copy + (copy ? _msize(copy) : 0)));
    adapted += copy != nullptr;
    free(copy);
  });
  EXPECT_GT(adapted, kTemplateCases / 10) << "too few random templates are adaptable";
}

// What a test dialog's script posts to it: End(wParam), then log whether the
// window stayed attached; log which button has the focus; Close() from a new
// thread.
enum : UINT { kEnd = WM_APP + 1, kFocus, kCloser };
typedef std::vector<std::pair<UINT, WPARAM>> Script;

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
    Log("init " + std::string(f.lfFaceName));
    SetFocus(Item(kSecond));
    for (auto& post : script) PostMessageA(Window(), post.first, post.second, 0);
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
  HWND shown = nullptr;      // the window it was attached to
  HANDLE closer = nullptr;   // the thread that closes it
};

// "*" in a log stands for the system's message face, which the old default
// font is adapted to; another is shown as stored.
TEST(DialogWindow, ScriptedRuns) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = 340;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &metrics, 0);
  const struct { int id, initResult; DWORD flags; Script script; INT_PTR result; std::string log; } cases[] = {
      {999, 1, 0, {}, -1, ""},  // no such template: the platform's answer, no operation reached
      {kOld, 0, 0, {}, 0, "init *; canEnd 0; destroy; deleted; "},
      {kOld, 1, 0, {{kFocus, 0}, {kEnd, 6}}, 6, "init *; focus first; canEnd 6; detached; destroy; deleted; "},
      {kOld, 2, 0, {{kFocus, 0}, {kEnd, 6}}, 6, "init *; focus second; canEnd 6; detached; destroy; deleted; "},
      {kOld, 1, 0, {{kEnd, 5}, {kEnd, 7}}, 7, "init *; canEnd 5; attached; canEnd 7; detached; destroy; deleted; "},
      {kOld, 1, 0, {{WM_COMMAND, IDCLOSE}}, 0, "init *; command 8; canEnd 0; destroy; deleted; "},
      {kOld, 1, 0, {{WM_COMMAND, IDOK}, {kEnd, 9}}, 9, "init *; command 1; canEnd 9; detached; destroy; deleted; "},
      {kOld, 1, 0, {{WM_COMMAND, IDCANCEL}}, 0, "init *; command 2; canEnd 0; destroy; deleted; "},
      {kOld, 1, 0, {{kCloser, 0}}, 0, "init *; close; canEnd 0; destroy; deleted; "},
      {kOld, 1, DialogWindow::DeleteOnEnd, {{kEnd, 3}}, 3, "init *; canEnd 3; deleted; "},
      {kOtherFont, 0, 0, {}, 0, "init Courier New; canEnd 0; destroy; deleted; "},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    std::string log, expected = cases[i].log;
    TestDialog* dialog = new TestDialog(&log, cases[i].script, cases[i].initResult);
    dialog->onHeap = cases[i].flags != 0;
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(cases[i].result, dialog->RunModal(GetModuleHandleA(nullptr), cases[i].id, cases[i].flags));
    if (!dialog->onHeap) dialog->End(1), delete dialog;  // End: no window left, nothing to ask
    const size_t star = expected.find('*');
    if (star != std::string::npos) expected.replace(star, 1, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(expected, log);
  }
}

// Modeless windows: one destroyed under its object, one whose object is
// deleted under it.
TEST(DialogWindow, DestroyedWindowAndDeletedObjectLetGo) {
  std::string log;
  TestDialog survivor(&log, {}), *doomed = new TestDialog(&log, {});
  DestroyWindow(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kOld), nullptr,
                                   DialogWindow::DialogProcedure, reinterpret_cast<LPARAM>(&survivor)));
  EXPECT_EQ(nullptr, survivor.Window());
  HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kOld), nullptr,
                                   DialogWindow::DialogProcedure, reinterpret_cast<LPARAM>(doomed));
  delete doomed;
  EXPECT_EQ(0, GetWindowLongPtrA(window, GWLP_USERDATA)) << "the window still leads to a deleted object";
  EXPECT_TRUE(DestroyWindow(window));
}

// The language chain, then one string-table block of the program per lookup
// (ui_test.rc), each entry naming its language: Wine's own lookup falls back
// too (an exact language also finds its neutral variants, LANG_NEUTRAL finds
// any), which hides part of the order from the lookups. Then texts around
// the 600 bytes a caller's buffer holds, read into buffers of exactly
// kTextSize bytes that end at an inaccessible page (the first two rows: the
// object's own buffer).
TEST(ResourceStrings, FollowTheLanguageChainWithin600Bytes) {
  WORD chain[kResourceLanguageCount];
  ResourceLanguageChain(0x7C04, chain);
  EXPECT_EQ(std::vector<WORD>({0x7C04, 0x0404, 0x0004, 0, 0x0409, 0x0809, 0x0009}),
            std::vector<WORD>(chain, chain + kResourceLanguageCount));
  const std::string x599(599, 'x');
  const struct { WORD language; int id; std::string text; } cases[] = {
      {0x0411, 16, "neutral"}, {0x0407, 32, "en-GB"},  // no German, no neutral: the chain reaches 0x0809
      {0x0C07, 48, "de-AT"},   {0x0807, 48, "de-DE"},  // SUBLANG_DEFAULT before English
      {0x0416, 48, "en-US"},   {0x0416, 64, "en-GB"},  // 0x0809, not another English
      {0x0407, 80, "en"},      {0x0816, 96, "pt"},     // SUBLANG_NEUTRAL before English
      {0x0407, 112, "?"},      {0x0411, 17, "?"},      // no block; an empty entry
      {0x0407, 128, x599},     {0x0407, 129, x599 + "x"}, {0x0407, 130, "?"},
  };
  ResourceStrings strings;
  GuardedBytes guard;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    char* buffer = i < 2 ? nullptr : reinterpret_cast<char*>(guard.Place(nullptr, ResourceStrings::kTextSize));
    strings.SetLanguage(cases[i].language);
    const char* text = strings.GetString(cases[i].id, buffer);
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(cases[i].text, buffer && text != buffer ? "(not the buffer given)" : text);
  }
}

// Each text read as a version over 1.1 and formatted into a buffer of `size`
// bytes that ends at an inaccessible page ("C [1.02]" takes 9).
//
// The program's FileVersion texts are German "1.02" and US English "3.3"
// (ui_test.rc), version_dll.dll's US English "9.9". Copies of the latter at
// paths of 258, 259 and 260 characters, read into buffers of exactly
// kPathSize bytes that end at an inaccessible page: 259 is the longest that
// fits; a longer one is cut there and terminated, and gives no version.
TEST(ModuleFile, VersionTitlesAndPathsWithinTheirBuffers) {
  const struct { const char* version; size_t size; const char* title; } cases[] = {
      {"2.5", 64, "C [2.05]"},   {"1, 0, 2, 1", 64, "C [1.01]"},  // the minor number is not read and keeps 1
      {"1.0.2.1", 64, "C [1.00]"}, {"4.123", 64, "C [4.123]"}, {"v2.0", 64, "C [1.01]"},
      {"1.02", 10, "C [1.02]"},  {"1.02", 9, "C [1.02]"},  {"1.02", 8, "C [1.02"},
      {"1.02", 1, ""},           {"1.02", 0, nullptr},  // nothing written
  };
  GuardedBytes guard;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    unsigned major = 1, minor = 1;
    ParseFileVersion(cases[i].version, &major, &minor);
    char* title = reinterpret_cast<char*>(guard.Place(nullptr, cases[i].size));
    SCOPED_TRACE(testing::Message() << "case " << i);
    EXPECT_EQ(title, FormatVersionText(title, cases[i].size, "C", major, minor));
    if (cases[i].title) { EXPECT_STREQ(cases[i].title, title); }
  }
  unsigned major = 7, minor = 7;
  EXPECT_EQ(0, ModuleFile::ReadFileVersion("Z:\\no\\such.dll", &major, &minor, nullptr));
  EXPECT_EQ(707u, major * 100 + minor) << "a failed read changed the version";
  ModuleFile file;
  EXPECT_STREQ("T [1.02]", file.FormatVersionTitle("T", nullptr));
  ScratchFolder folder;
  const std::string dll = BuildPath("testbin\\version_dll.dll");
  for (size_t length : {258, 259, 260}) {
    SCOPED_TRACE(testing::Message() << "length " << length);
    const std::string full = folder.Path() + std::string(length - folder.Path().size() - 4, 'm') + ".dll";
    const std::wstring wide = L"\\\\?\\" + std::wstring(full.begin(), full.end());
    ASSERT_TRUE(CopyFileW(std::wstring(dll.begin(), dll.end()).c_str(), wide.c_str(), FALSE));
    HMODULE module = LoadLibraryW(wide.c_str());
    ASSERT_NE(nullptr, module) << GetLastError();
    const int fits = length < 260;
    char* path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits, ModuleFile::GetModulePath(module, path));
    EXPECT_EQ(full.substr(0, 259), path);
    path = reinterpret_cast<char*>(guard.Place(nullptr, ModuleFile::kPathSize));
    EXPECT_EQ(fits, ModuleFile::GetModuleDirectory(module, path));
    EXPECT_EQ(fits ? folder.Path() : "", path);
    EXPECT_STREQ(fits ? "T [9.09]" : "T [1.01]", file.FormatVersionTitle("T", module));
    EXPECT_EQ(ModuleFile::kTitleSize - 1u, strlen(file.FormatVersionTitle(std::string(500, 'c').c_str(), module)));
    FreeLibrary(module);
    DeleteFileW(wide.c_str());
  }
}

}  // namespace
