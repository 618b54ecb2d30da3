#include "ui/subclass_hook.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const UINT kProbe = WM_USER + 1;
std::string seen;  // who saw probes: the handlers' names, "c" the class
int propertiesAtDestroy = -1;

// How many of the two families' properties the window carries.
int OurProperties(HWND window) {
  return (GetPropA(window, SubclassHook<kHyperlinkFamily>::kPropertyName.text) != nullptr) +
         (GetPropA(window, SubclassHook<kSeparatorFamily>::kPropertyName.text) != nullptr);
}

LRESULT CALLBACK ClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kProbe) return seen += 'c', 0x1234;
  if (message == WM_NCDESTROY) propertiesAtDestroy = OurProperties(window);
  return DefWindowProcA(window, message, wParam, lParam);
}

// A family's handler: answers a probe with `answer` and, for 1, result 7.
struct Owner {
  char name;
  int answer;
};

int Handler(HWND, UINT message, WPARAM, LPARAM, LRESULT* result, void* context) {
  const Owner* owner = static_cast<Owner*>(context);
  if (message != kProbe) return 0;
  seen += owner->name;
  if (owner->answer == 1) *result = 7;
  return owner->answer;
}

class SubclassHookTest : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ClassProcedure;
    windowClass.lpszClassName = "SubclassHookTestClass";
    RegisterClassA(&windowClass);
    window = CreateWindowA("SubclassHookTestClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }
  WNDPROC Installed() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)); }
  // What a probe answers (4660 from the class), and who saw it.
  std::string Probe() {
    seen.clear();
    return std::to_string(SendMessageA(window, kProbe, 0, 0)) + " " + seen;
  }

  HWND window = nullptr;
  Owner link{'L', 2}, separator{'S', 0};  // 2 passes the probe on like 0
  SubclassHook<kHyperlinkFamily> linkHook;
  SubclassHook<kSeparatorFamily> separatorHook;
};

TEST(SubclassPropertyNameTest, EightUpperCaseHexDigitsOfTheTag) {
  EXPECT_STREQ(MakeSubclassPropertyName(0xABC).text, "_C_SubClassing_Property_00000ABC");
}

TEST_F(SubclassHookTest, OneHookPerFamilyAndDetachRestoresOnce) {
  SubclassHook<kSeparatorFamily> second;
  separator.answer = 1;
  ASSERT_EQ(separatorHook.Attach(window, Handler, &separator), 1);
  EXPECT_EQ(second.Attach(window, Handler, &link), 0);
  EXPECT_EQ(Probe(), "7 S");
  EXPECT_EQ(second.Detach(), 0);
  EXPECT_EQ(separatorHook.Detach(), 1);
  EXPECT_EQ(Installed(), &ClassProcedure);
  EXPECT_EQ(OurProperties(window), 0);
  // Someone else subclasses the window now; a second Detach must leave it.
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
  EXPECT_EQ(separatorHook.Detach(), 0);
  EXPECT_EQ(Installed(), reinterpret_cast<WNDPROC>(DefWindowProcA));
}

// Hooks of two families: messages pass from the latest down; detached in
// order or out of order, the class stays reachable and no property is left,
// nor when the window goes while they are attached.
TEST_F(SubclassHookTest, StackedFamiliesDetachInEitherOrder) {
  for (bool reverse : {true, false}) {
    SCOPED_TRACE(reverse ? "latest first" : "earliest first");
    ASSERT_EQ(linkHook.Attach(window, Handler, &link), 1);
    ASSERT_EQ(separatorHook.Attach(window, Handler, &separator), 1);
    EXPECT_EQ(Probe(), "4660 SLc");
    EXPECT_EQ(reverse ? separatorHook.Detach() : linkHook.Detach(), 1);
    EXPECT_EQ(Probe(), reverse ? "4660 Lc" : "4660 Sc");
    EXPECT_EQ(reverse ? linkHook.Detach() : separatorHook.Detach(), 1);
    EXPECT_EQ(Probe(), "4660 c");
    EXPECT_EQ(OurProperties(window), 0);
    if (reverse) { EXPECT_EQ(Installed(), &ClassProcedure); }
  }
  ASSERT_EQ(linkHook.Attach(window, Handler, &link), 1);
  ASSERT_EQ(separatorHook.Attach(window, Handler, &separator), 1);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(propertiesAtDestroy, 0);
  EXPECT_FALSE(linkHook.Attached() || separatorHook.Attached());
}

}  // namespace
