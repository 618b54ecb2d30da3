// The controls on real windows: subclassing, the progress marquee, the
// separator line over a scripted uxtheme, font fitting, the hyperlink (whose
// activation opens a copy of the launch stub) and the styled label.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "ui/dialog_font.h"
#include "ui/drawn_text.h"
#include "ui/hyperlink.h"
#include "ui/progress_marquee.h"
#include "ui/separator_line.h"
#include "ui/styled_label.h"
#include "ui/subclass_hook.h"

// The one test parent of the process (each top-level window costs Wine
// seconds): visible, topmost, 360 x 120 at (100, 100), a popup of the static
// class with a procedure that counts the WM_COMMAND it receives.
static int parentCommands = 0;

static LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  parentCommands += message == WM_COMMAND;
  return DefWindowProcA(window, message, wParam, lParam);
}

static HWND TestParent() {
  static const HWND parent = [] {
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 360, 120, nullptr,
                                  nullptr, nullptr, nullptr);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParentProcedure));
    return window;
  }();
  return parent;
}

// A visible static child of the test parent, `width` x 24 at (10, 10).
static HWND MakeStatic(const char* text, int width) {
  return CreateWindowA("STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, 10, 10, width, 24, TestParent(),
                       nullptr, nullptr, nullptr);
}

// Dispatches the thread's messages for `ms`, or until `done` answers true.
static void PumpFor(DWORD ms, const std::function<bool()>& done = nullptr) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < ms && !(done && done());) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

// The client area drawn through WM_PRINTCLIENT over `marker`, row by row
// from the top.
static std::vector<COLORREF> ClientPixels(HWND window, COLORREF marker) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, CreateBitmap(client.right, client.bottom, 1, 32, nullptr));
  SetDCBrushColor(dc, marker);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::vector<COLORREF> pixels;
  for (int i = 0; i < client.right * client.bottom; ++i)
    pixels.push_back(GetPixel(dc, i % client.right, i / client.right));
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  return pixels;
}

// The cursor a control shows once the mouse moves to client point (x, y).
static HCURSOR CursorOnMove(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  SetCursorPos(point.x, point.y);
  SetCursor(nullptr);
  SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  return GetCursor();
}

// ---- Subclassing

const UINT kProbe = WM_USER + 1;
static std::string seen;  // who saw probes: the handlers' names, 'c' the class
static HANDLE propertyAtDestroy = nullptr;

static LRESULT CALLBACK ClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kProbe) return seen += 'c', 0x1234;
  if (message == WM_NCDESTROY)  // either family's property still there
    propertyAtDestroy = reinterpret_cast<HANDLE>(
        reinterpret_cast<UINT_PTR>(GetPropA(window, SubclassHook<kSeparatorFamily>::kPropertyName.text)) |
        reinterpret_cast<UINT_PTR>(GetPropA(window, SubclassHook<kHyperlinkFamily>::kPropertyName.text)));
  return DefWindowProcA(window, message, wParam, lParam);
}

// The owner names the handler and what it answers a probe with ("S1":
// handler S answers 1). It always sets the result, which counts only with 1.
static int Handler(HWND, UINT message, WPARAM, LPARAM, LRESULT* result, void* owner) {
  if (message != kProbe) return 0;
  seen += static_cast<const char*>(owner)[0];
  *result = 7;
  return static_cast<const char*>(owner)[1] - '0';
}

TEST(SubclassHookTest, FamiliesStackAndDetachInEitherOrder) {
  const WNDCLASSA windowClass = {0, ClassProcedure, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "HookTest"};
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("HookTest", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  // What a probe answers (4660 from the class), and who saw it.
  auto probe = [window] { return seen.clear(), std::to_string(SendMessageA(window, kProbe, 0, 0)) + " " + seen; };
  const LONG_PTR classProcedure = GetWindowLongPtrA(window, GWLP_WNDPROC);
  char link[] = "L2", separator[] = "S0", handling[] = "S1";
  SubclassHook<kHyperlinkFamily> linkHook;
  SubclassHook<kSeparatorFamily> separatorHook, second;

  // One hook per family; only an answer of 1 keeps the probe from the class.
  ASSERT_EQ(separatorHook.Attach(window, Handler, handling), 1);
  EXPECT_EQ(second.Attach(window, Handler, link), 0);
  EXPECT_EQ(probe(), "7 S");
  EXPECT_EQ(second.Detach(), 0);
  EXPECT_EQ(separatorHook.Detach(), 1);
  // Two families pass a probe from the latest down. Detached latest first,
  // the class procedure is back; earliest first, the later procedure stays
  // installed (putting the earlier one's predecessor back would cut it out)
  // and the earlier one passes everything to the class. Each Attach here
  // also shows that Detach removed the family's property.
  for (bool latestFirst : {true, false}) {
    SCOPED_TRACE(latestFirst);
    ASSERT_EQ(linkHook.Attach(window, Handler, link), 1);
    ASSERT_EQ(separatorHook.Attach(window, Handler, separator), 1);
    EXPECT_EQ(probe(), "4660 SLc");
    EXPECT_EQ(latestFirst ? separatorHook.Detach() : linkHook.Detach(), 1);
    EXPECT_EQ(probe(), latestFirst ? "4660 Lc" : "4660 Sc");
    if (latestFirst) { EXPECT_EQ(linkHook.Detach(), 1); }
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC) == classProcedure, latestFirst);
  }
  // The family left in the chain takes no new hook, which would pass every
  // message to itself through the old procedure, without end.
  EXPECT_EQ(linkHook.Attach(window, Handler, link), 0);
  EXPECT_EQ(probe(), "4660 Sc");
  // Destroyed while a hook is attached: the hook lets go first, and the
  // family left in the chain gives its property up.
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(propertyAtDestroy, nullptr);
  EXPECT_FALSE(separatorHook.Attached());
}

// ---- The progress marquee

// A progress bar stand-in: answers PBM_SETMARQUEE with `ownMarquee`, notes
// the other bar messages as text and the times of PBM_STEPIT.
static LRESULT ownMarquee = 0;
static std::string received;
static std::vector<DWORD> steps;

static LRESULT CALLBACK StandInProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PBM_STEPIT) return steps.push_back(GetTickCount()), 0;
  if (message < PBM_SETRANGE || message > PBM_SETMARQUEE) return DefWindowProcA(window, message, wParam, lParam);
  received += std::to_string(message - WM_USER) + ":" + std::to_string(wParam) + "," + std::to_string(lParam) + " ";
  return message == PBM_SETMARQUEE ? ownMarquee : 0;
}

// A bar with a marquee of its own animates itself; one without is stepped
// by a 20 ms timer whatever the interval asked.
TEST(ProgressMarqueeTest, OwnMarqueeElseTimerSteppedUntilStopped) {
  for (LRESULT own : {1, 0}) {
    SCOPED_TRACE(own);
    ownMarquee = own, received.clear(), steps.clear();
    HWND bar = MakeStatic("", 100);
    SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StandInProcedure));
    ProgressMarquee marquee;
    marquee.Attach(bar);
    ASSERT_EQ(marquee.SetMarquee(60), 1);
    // Marquee on at 60 ms; without one, range 0..40 both ways and step 1.
    EXPECT_EQ(received, own ? "10:1,60 " : "10:1,60 1:0,2621440 6:0,40 4:1,0 ");
    // Load only stretches the gaps: one well under 60 ms shows the period is
    // not the interval asked for.
    PumpFor(own ? 300 : 3000, [] { return steps.size() >= 12; });
    DWORD shortest = 1000;
    for (size_t i = 1; i < steps.size(); ++i) shortest = std::min(shortest, steps[i] - steps[i - 1]);
    EXPECT_EQ(steps.size() >= 12 && shortest < 45, !own);
    // A stop from another thread may not reach the timer (KillTimer acts on
    // the caller's own windows only): once the style is gone it ends itself.
    if (!own) SetWindowLongA(bar, GWL_STYLE, GetWindowLongA(bar, GWL_STYLE) & ~PBS_MARQUEE);
    PumpFor(100);
    EXPECT_FALSE(KillTimer(bar, reinterpret_cast<UINT_PTR>(&marquee))) << "the timer is left";
    received.clear();
    EXPECT_EQ(marquee.SetMarquee(0), 1);
    EXPECT_EQ(received, "10:0,0 ");
    EXPECT_FALSE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE);
    DestroyWindow(bar);
  }
}

// ---- The separator line, and the ThemeData under it, against a scripted
// uxtheme: while a test runs, this program's import of GetProcAddress hands
// the product the functions below for uxtheme.dll's theme names.

typedef FARPROC(WINAPI* Lookup)(HMODULE, const char*);
extern "C" Lookup getProcAddressImport asm("__imp__GetProcAddress@8");

// How many OpenThemeData calls answer a handle (1, 2, ...) before null, what
// the first DrawThemeBackground answers (later ones S_OK), what
// IsThemeActive answers, whether the functions exist, whether the theme
// defines the part. The calls are logged as T<handle answered>,
// P<answer>, D<handle>, A<answer>, C<handle>.
static struct Plan { int opens; HRESULT firstDraw; int active; bool exported; int defined = 1; int given = 0; } plan;
static std::string calls;

static LONG_PTR Note(const char* word, LONG_PTR value) { return calls += word + std::to_string(value), value; }
static HTHEME WINAPI Open(HWND, LPCWSTR) { return HTHEME(Note(" T", ++plan.given <= plan.opens ? plan.given : 0)); }
static HRESULT WINAPI Draw(HTHEME theme, HDC, int, int, const RECT*, const RECT*) {
  return Note(" D", LONG_PTR(theme)), std::exchange(plan.firstDraw, S_OK);
}
static BOOL WINAPI IsActive() { return Note(" A", plan.active); }
static BOOL WINAPI IsDefined(HTHEME, int part, int state) { return Note(" P", plan.defined && part == 6 && state == 1); }
static HRESULT WINAPI Close(HTHEME theme) { return Note(" C", LONG_PTR(theme)), S_OK; }

template <typename F>
static FARPROC Proc(F* function) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function)); }

static const Lookup realGetProcAddress = getProcAddressImport;

static FARPROC WINAPI ScriptedLookup(HMODULE module, const char* name) {
  const std::map<std::string, FARPROC> kFakes = {{"OpenThemeData", Proc(Open)}, {"DrawThemeBackground", Proc(Draw)},
                                                 {"IsThemeActive", Proc(IsActive)}, {"CloseThemeData", Proc(Close)},
                                                 {"IsThemePartDefined", Proc(IsDefined)}};
  if (module != GetModuleHandleA("uxtheme.dll")) return realGetProcAddress(module, name);
  return plan.exported && kFakes.count(name) ? kFakes.at(name) : nullptr;
}

// A 100 x 1 static at (20, 30) becomes a 103 x 3 band at (18, 29), without
// its static edge, and shows the theme's line or, where the theme cannot
// draw or lacks the part (it may still answer S_OK to drawing it), an etched
// line whose shadow row covers the static's own columns and row. A stale
// handle, while a theme is active, is reopened once to draw again. Release
// restores the static and closes the theme once. A second separator on the
// same window is refused.
TEST(SeparatorLineTest, ThemeLineElseEtched) {
  const struct { Plan plan; bool etched; const char* log; } kCases[] = {
      {{9, S_OK, 1, true}, false, " T1 P1 D1 C1"},
      {{9, S_OK, 1, true, 0}, true, " T1 P0 C1"},  // the part undefined: not drawn at all
      {{9, E_FAIL, 1, true}, true, " T1 P1 D1 C1"},
      {{9, E_HANDLE, 1, true}, false, " T1 P1 D1 A1 C1 T2 D2 C2"},
      {{1, E_HANDLE, 1, true}, true, " T1 P1 D1 A1 C1 T0"},  // the reopen opens none
      {{9, E_HANDLE, 0, true}, true, " T1 P1 D1 A0 C1"},     // no theme active
      {{9, S_OK, 1, false}, true, ""},                     // a uxtheme without the theme functions
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    plan = kCases[i].plan, calls.clear();
    getProcAddressImport = &ScriptedLookup;  // mingw's import table stays writable
    HWND item = CreateWindowExA(WS_EX_STATICEDGE, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 30, 100, 1,
                                TestParent(), nullptr, nullptr, nullptr);
    const LONG_PTR classProcedure = GetWindowLongPtrA(item, GWLP_WNDPROC);
    SeparatorLine line, second;
    EXPECT_NE(line.Attach(item), 0);
    EXPECT_EQ(second.Attach(item), 0);
    POINT origin = {0, 0};
    MapWindowPoints(item, TestParent(), &origin, 1);
    EXPECT_EQ(std::make_pair(origin.x, origin.y), std::make_pair(18L, 29L));
    EXPECT_EQ(GetWindowLongA(item, GWL_EXSTYLE) & (WS_EX_TRANSPARENT | WS_EX_STATICEDGE), WS_EX_TRANSPARENT);
    std::vector<COLORREF> expected(3 * 103, RGB(255, 0, 255));  // the marker: nothing drawn
    for (int x = 2; kCases[i].etched && x < 102; ++x)
      expected[103 + x] = GetSysColor(COLOR_BTNSHADOW), expected[206 + x] = GetSysColor(COLOR_BTNHIGHLIGHT);
    EXPECT_EQ(ClientPixels(item, RGB(255, 0, 255)), expected);
    line.Release(), line.Release();  // the second does nothing
    EXPECT_EQ(GetWindowLongPtrA(item, GWLP_WNDPROC), classProcedure);
    EXPECT_EQ(calls, kCases[i].log);
    getProcAddressImport = realGetProcAddress;
    DestroyWindow(item);
  }
}

// ---- Font fitting, shared by both text controls: heights go down one unit
// at a time from the start to the first the judge accepts, and not below 4;
// the font last made stays selected.
TEST(FitFontTest, ShrinksOneUnitAtATimeDownToFour) {
  const std::vector<int> kCases[] = {{9, 12, 11, 10, 9}, {0, 12, 11, 10, 9, 8, 7, 6, 5, 4}};  // accepted up to, made
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    std::vector<int> made = {kCases[i][0]};  // the judge's limit, then each height made
    HDC dc = CreateCompatibleDC(nullptr);
    auto make = [](int height, void* made) {
      static_cast<std::vector<int>*>(made)->push_back(height);
      return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    };
    auto judge = [](HDC, void* made) { auto& m = *static_cast<std::vector<int>*>(made); return int(m.back() <= m[0]); };
    const HFONT font = FitFont(dc, 12, make, judge, &made);
    EXPECT_EQ(made, kCases[i]);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    DeleteDC(dc);
    DeleteObject(font);
  }
}

// ---- The hyperlink

// A link on a new static of the same text, with a cursor the module lacks;
// with `hover` the mouse moves over its text, which shows the hand instead.
static HWND MakeLink(Hyperlink* link, const char* caption, const char* target, DWORD options, bool hover) {
  HWND item = MakeStatic(caption, 200);
  link->Setup(item, caption, target, 105, options);
  if (hover) { EXPECT_EQ(CursorOnMove(item, link->TextExtent().cx / 2, 12), LoadCursorA(nullptr, IDC_HAND)); }
  EXPECT_EQ((link->Flags() & Hyperlink::kHovering) != 0, hover);
  return item;
}

// Colours and underline as drawn, idle and hovering: an underline is an
// unbroken run of the text colour nearly as wide as the text.
TEST(HyperlinkTest, ColoursAndUnderlineFollowTheLinkSettings) {
  const char* const kNames[] = {"Settings\0Use Anchor Hover Color", "Settings\0Anchor Color",
                                "Settings\0Anchor Color Hover", "Main\0Anchor Underline"};  // key, value
  const struct { const char* settings[4]; COLORREF colour[2]; bool underline[2]; } kCases[] = {  // idle, hovering
      {{"no", "0,255", "0,128,0", "no"}, {0xCC6600, 0xCC6600}, {false, false}},  // two numbers: ignored
      {{"YES", "300,0,0", "0,128,0", "HoVeR"}, {RGB(44, 0, 0), RGB(0, 128, 0)}, {false, true}},  // cut to 8 bits
      {{nullptr, "255,0,0", "0,128,0", "sometimes"}, {RGB(255, 0, 0), RGB(0, 128, 0)}, {true, true}},
      {{}, {}, {}},  // removes the values again
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    for (int v = 0; v < 4; ++v) {
      const std::string key = std::string("Software\\Microsoft\\Internet Explorer\\") + kNames[v];
      const char *name = kNames[v] + strlen(kNames[v]) + 1, *text = kCases[i].settings[v];
      text ? RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, text, strlen(text) + 1)
           : RegDeleteKeyValueA(HKEY_CURRENT_USER, key.c_str(), name);
    }
    for (int hover = 0; hover < 2 && i + 1 < std::size(kCases); ++hover) {
      Hyperlink link;
      HWND item = MakeLink(&link, "Web site", "", 0, hover);
      const std::vector<COLORREF> shown = ClientPixels(item, 0);
      const COLORREF colour = kCases[i].colour[hover];
      const int line = link.TextExtent().cx * 8 / 10;  // the text is left-aligned: no run wraps a row
      EXPECT_GT(std::count(shown.begin(), shown.end(), colour), 0) << hover;
      EXPECT_EQ(std::search_n(shown.begin(), shown.end(), line, colour) != shown.end(), kCases[i].underline[hover])
          << hover;
      DestroyWindow(item);
    }
  }
}

// Which messages activate, seen as the parent's notification; then one real
// launch of a copy of the launch stub through the shell.
TEST(HyperlinkTest, ActivatesOnButtonUpAndKeyReleaseOnly) {
  const struct { UINT message; WPARAM wParam; bool hover; int opens; } kCases[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON, true, 0}, {WM_LBUTTONUP, 0, true, 1},  {WM_LBUTTONUP, 0, false, 0},
      {WM_KEYUP, VK_SPACE, false, 1},        {WM_KEYDOWN, VK_RETURN, false, 0}, {WM_KEYUP, 'A', false, 0}};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    Hyperlink link;
    HWND item = MakeLink(&link, "Web site", "", Hyperlink::kNotifyParent, kCases[i].hover);
    parentCommands = 0;
    SendMessageA(item, kCases[i].message, kCases[i].wParam, 0);
    EXPECT_EQ(parentCommands, kCases[i].opens);
    DestroyWindow(item);
  }
  testing_support::ScratchFolder folder;
  const std::string program = folder.File("site.exe"), record = folder.File("launch_record.txt");
  ASSERT_TRUE(CopyFileA(testing_support::BuildPath("testbin\\launch_stub.exe").c_str(), program.c_str(), FALSE));
  Hyperlink link;
  SendMessageA(MakeLink(&link, "Web site", program.c_str(), 0, false), WM_KEYUP, VK_RETURN, 0);
  PumpFor(10000, [&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; });
  EXPECT_NE(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES) << "the target was not opened";
  PumpFor(300);  // the stub ends before the folder goes
}

TEST(HyperlinkTest, TextsAreCutNotOverrunAndTheStaticKeepsNone) {
  const std::string longText(300, 'x');
  Hyperlink link, masked;
  HWND item = MakeLink(&link, longText.c_str(), longText.c_str(), 0, false);
  EXPECT_EQ(link.Target(), longText.substr(0, Hyperlink::kTargetSize - 1));
  char buffer[16] = "###############";
  EXPECT_EQ(SendMessageA(item, WM_GETTEXT, 10, reinterpret_cast<LPARAM>(buffer)), 9);
  EXPECT_EQ(std::string(buffer, 11), longText.substr(0, 9) + '\0' + '#') << "cut to the size given";
  EXPECT_EQ(GetWindowTextLengthA(item), 300) << "screen readers get the whole text";
  EXPECT_EQ(DefWindowProcA(item, WM_GETTEXTLENGTH, 0, 0), 0) << "the static itself keeps no text";
  MakeLink(&masked, "Web site", "", Hyperlink::kMasked, false);
  EXPECT_STREQ(masked.DisplayText(), "********");
}

// With none of its faces installed the link takes the dialog's face: either
// way it names a face that exists, not one the font mapper would replace.
TEST(HyperlinkTest, LinkFaceExists) {
  char face[LF_FACESIZE];
  ChooseLinkFace(0, "Tahoma", face);
  EXPECT_TRUE(FontExists(face, DEFAULT_CHARSET, nullptr)) << face;
}

// ---- The styled label

// The label takes over the window text and draws it in its colour; a new
// text is measured anew, and refits the font only with kRefitOnSetText.
// Hovering with a cursor the module lacks shows the hand, not no cursor.
TEST(StyledLabelTest, TakesOverTheTextAndRefitsOnlyWithItsOption) {
  for (DWORD options : {DWORD(StyledLabel::kRefitOnSetText), DWORD(0)}) {
    SCOPED_TRACE(options);
    HWND item = MakeStatic("Short", 200);
    StyledLabel label;
    StyledLabel::Settings settings;
    settings.textColour = RGB(128, 0, 0), settings.cursorId = 105;
    settings.options = options | StyledLabel::kInteractive | StyledLabel::kWholeClient;
    label.Setup(item, settings);
    EXPECT_EQ(DefWindowProcA(item, WM_GETTEXTLENGTH, 0, 0), 0) << "the static keeps no text";
    char text[8] = "#######";
    EXPECT_EQ(GetWindowTextA(item, text, 5), 4);
    EXPECT_EQ(std::string(text, 6), std::string("Shor\0#", 6)) << "cut to the size given";
    const std::vector<COLORREF> pixels = ClientPixels(item, 0);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), RGB(128, 0, 0)), 20);
    auto height = [&label] { LOGFONTA font; return GetObjectA(label.Font(), sizeof(font), &font), font.lfHeight; };
    const LONG before = height(), extentBefore = label.TextExtent().cx;
    SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("A much longer text than the first one was"));
    EXPECT_GT(label.TextExtent().cx, extentBefore);
    EXPECT_EQ(GetWindowTextLengthA(item), 41);
    EXPECT_EQ(height() < before, options != 0);
    EXPECT_EQ(CursorOnMove(item, 20, 12), LoadCursorA(nullptr, IDC_HAND));
    DestroyWindow(item);
  }
}
