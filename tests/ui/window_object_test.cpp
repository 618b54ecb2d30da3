#include "ui/window_object.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/dialog_window.h"
#include "ui/ui_test_resources.h"

namespace {

// Runs `check` inside a live dialog's OnInitDialog, then ends it.
class ScriptedDialog : public DialogWindow {
 public:
  explicit ScriptedDialog(std::function<void(ScriptedDialog&)> check) : check(check) {}

 protected:
  int OnInitDialog() override {
    check(*this);
    End(0);
    return 1;
  }

 private:
  std::function<void(ScriptedDialog&)> check;
};

void RunScripted(std::function<void(ScriptedDialog&)> check) {
  ScriptedDialog dialog(check);
  EXPECT_EQ(0, dialog.RunModal(GetModuleHandleA(nullptr), IDD_OLD_FONT, 0));
}

std::string TextOf(HWND window) {
  char text[4096] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

TEST(WindowObject, IconsSmallOwnedLargeShared) {
  RunScripted([](ScriptedDialog& d) {
    d.SetIcons(IDI_TEST);
    HICON small = reinterpret_cast<HICON>(SendMessageA(d.Window(), WM_GETICON, ICON_SMALL, 0));
    HICON large = reinterpret_cast<HICON>(SendMessageA(d.Window(), WM_GETICON, ICON_BIG, 0));
    ASSERT_NE(nullptr, small);
    EXPECT_EQ(LoadIconA(d.Instance(), MAKEINTRESOURCEA(IDI_TEST)), large);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(small, &info));
    BITMAP bitmap;
    GetObjectA(info.hbmColor, sizeof(bitmap), &bitmap);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), bitmap.bmWidth);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // A second call destroys the small icon it loaded before.
    d.SetIcons(IDI_TEST);
    HICON again = reinterpret_cast<HICON>(SendMessageA(d.Window(), WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(nullptr, again);
    EXPECT_FALSE(GetIconInfo(small, &info)) << "the first small icon was not destroyed";
  });
}

TEST(WindowObject, ItemOperations) {
  RunScripted([](ScriptedDialog& d) {
    EXPECT_EQ(1, d.SetItemText(IDC_LABEL, "Label text"));
    EXPECT_EQ("Label text", TextOf(d.Item(IDC_LABEL)));
    EXPECT_EQ(0, d.SetItemText(4321, "no such item"));
    // Only 1 shows an item; every other value hides it.
    const struct {
      int show;
      bool visible;
    } cases[] = {{0, false}, {1, true}, {2, false}, {1, true}, {-1, false}};
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
      d.ShowItem(IDC_LABEL, cases[i].show);
      EXPECT_EQ(cases[i].visible, (GetWindowLongA(d.Item(IDC_LABEL), GWL_STYLE) & WS_VISIBLE) != 0)
          << "case " << i;
    }
  });
}

// --- Message boxes, read and closed from a watcher thread ------------------

struct SeenBox {
  DWORD thread;
  HWND box;
  std::string caption;
  std::string text;
  HICON icon;
  std::vector<int> buttons;
};

BOOL CALLBACK FindBox(HWND window, LPARAM context) {
  char name[32];
  GetClassNameA(window, name, sizeof(name));
  if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
  reinterpret_cast<SeenBox*>(context)->box = window;
  return FALSE;
}

BOOL CALLBACK ReadBoxItem(HWND item, LPARAM context) {
  SeenBox* seen = reinterpret_cast<SeenBox*>(context);
  char name[32];
  GetClassNameA(item, name, sizeof(name));
  LONG style = GetWindowLongA(item, GWL_STYLE);
  if (lstrcmpiA(name, "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON)
      seen->icon = reinterpret_cast<HICON>(SendMessageA(item, STM_GETICON, 0, 0));
    else if (!TextOf(item).empty())
      seen->text = TextOf(item);
  } else if (lstrcmpiA(name, "Button") == 0 && IsWindowVisible(item)) {
    seen->buttons.push_back(GetDlgCtrlID(item));
  }
  return TRUE;
}

DWORD WINAPI WatchForBox(void* context) {
  SeenBox* seen = static_cast<SeenBox*>(context);
  for (int tries = 0; tries < 500 && !seen->box; ++tries) {
    EnumThreadWindows(seen->thread, FindBox, reinterpret_cast<LPARAM>(seen));
    if (!seen->box) Sleep(20);
  }
  if (!seen->box) return 1;
  seen->caption = TextOf(seen->box);
  EnumChildWindows(seen->box, ReadBoxItem, reinterpret_cast<LPARAM>(seen));
  PostMessageA(seen->box, WM_COMMAND, IDOK, 0);
  return 0;
}

// Shows the box on this thread while a watcher reads and closes it.
template <typename Show>
SeenBox ShowAndRead(Show show, int* result) {
  SeenBox seen = {GetCurrentThreadId(), nullptr, "", "", nullptr, {}};
  HANDLE watcher = CreateThread(nullptr, 0, WatchForBox, &seen, 0, nullptr);
  *result = show();
  WaitForSingleObject(watcher, 15000);
  CloseHandle(watcher);
  return seen;
}

TEST(WindowObject, ShowMessageStyles) {
  WindowObject owner;
  const struct {
    UINT style;
    LPCSTR icon;
    std::vector<int> buttons;
  } cases[] = {
      {0, IDI_EXCLAMATION, {IDOK}},
      {MB_OKCANCEL | MB_ICONINFORMATION, IDI_ASTERISK, {IDOK, IDCANCEL}},
      {MB_OK | MB_ICONHAND, IDI_HAND, {IDOK}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    int result = 0;
    SeenBox seen = ShowAndRead([&] { return owner.ShowMessage(cases[i].style, "Caption", "Value %d, %s", 42, "text"); },
                               &result);
    ASSERT_NE(nullptr, seen.box) << "case " << i << ": no message box appeared";
    EXPECT_EQ(IDOK, result) << "case " << i;
    EXPECT_EQ("Caption", seen.caption) << "case " << i;
    EXPECT_EQ("Value 42, text", seen.text) << "case " << i;
    EXPECT_EQ(LoadIconA(nullptr, cases[i].icon), seen.icon) << "case " << i;
    EXPECT_EQ(cases[i].buttons, seen.buttons) << "case " << i;
  }
}

TEST(WindowObject, ShowMessageCutsLongTextsAt1023Characters) {
  WindowObject owner;
  std::string longText;
  for (int i = 0; longText.size() < 3000; ++i) longText += std::to_string(i % 10);
  std::string longCaption(5000, 'C');
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {longText.substr(0, 1023), longText.substr(0, 1023)},
      {longText.substr(0, 1024), longText.substr(0, 1023)},
      {longText, longText.substr(0, 1023)},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    int result = 0;
    SeenBox seen = ShowAndRead(
        [&] { return owner.ShowMessage(0, longCaption.c_str(), "%s", cases[i].text.c_str()); }, &result);
    ASSERT_NE(nullptr, seen.box) << "case " << i;
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(cases[i].shown.size(), seen.text.size()) << "case " << i;
    EXPECT_EQ(cases[i].shown, seen.text) << "case " << i;
  }
}

}  // namespace
