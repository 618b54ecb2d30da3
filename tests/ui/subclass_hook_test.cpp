#include "ui/subclass_hook.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

const UINT kProbe = WM_USER + 1;
const LRESULT kClassAnswer = 0x1234;
int classProbes = 0;
std::vector<std::string> propertiesAtDestroy;

BOOL CALLBACK CollectOurs(HWND, LPSTR name, HANDLE, ULONG_PTR found) {
  if (!IS_INTRESOURCE(name) && strncmp(name, kSubclassPropertyPrefix, 24) == 0)
    reinterpret_cast<std::vector<std::string>*>(found)->push_back(name);
  return TRUE;
}

std::vector<std::string> OurProperties(HWND window) {
  std::vector<std::string> names;
  EnumPropsExA(window, CollectOurs, reinterpret_cast<LPARAM>(&names));
  return names;
}

LRESULT CALLBACK ClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kProbe) return ++classProbes, kClassAnswer;
  if (message == WM_NCDESTROY) propertiesAtDestroy = OurProperties(window);
  return DefWindowProcA(window, message, wParam, lParam);
}

// A family handler: answers kProbe with `answer` and result `value`, and
// records the order in which handlers saw it.
std::string order;

struct Owner {
  char name;
  int answer = 0;
  LRESULT value = 0;
};

int Handler(HWND, UINT message, WPARAM, LPARAM, LRESULT* result, void* context) {
  Owner* owner = static_cast<Owner*>(context);
  if (message != kProbe) return 0;
  order += owner->name;
  if (owner->answer == 1) *result = owner->value;
  return owner->answer;
}

class SubclassHookTest : public testing::Test {
 protected:
  void SetUp() override {
    classProbes = 0;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ClassProcedure;
    windowClass.lpszClassName = "SubclassHookTestClass";
    RegisterClassA(&windowClass);
    window = CreateWindowA("SubclassHookTestClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { DestroyWindow(window); }
  WNDPROC Installed() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)); }
  // What a probe answers, and which handlers and the class saw it.
  std::string Probe() {
    order.clear();
    classProbes = 0;
    LRESULT answer = SendMessageA(window, kProbe, 0, 0);
    return std::to_string(answer) + " " + order + (classProbes ? " class" : "");
  }

  HWND window = nullptr;
  Owner link{'L'}, separator{'S'};
  SubclassHook<kHyperlinkFamily> linkHook;
  SubclassHook<kSeparatorFamily> separatorHook;
};

TEST(SubclassPropertyNameTest, EightUpperCaseHexDigitsOfTheTag) {
  EXPECT_STREQ(MakeSubclassPropertyName(0xABC).text, "_C_SubClassing_Property_00000ABC");
}

TEST_F(SubclassHookTest, OnlyAnswerOneKeepsTheMessageFromThePreviousProcedure) {
  const struct {
    int answer;
    std::string seen;
  } cases[] = {{1, "55 L"}, {2, "4660 L class"}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    link.answer = cases[i].answer;
    link.value = 55;
    ASSERT_EQ(linkHook.Attach(window, Handler, &link), 1) << "case " << i;
    EXPECT_EQ(Probe(), cases[i].seen) << "case " << i;
    EXPECT_EQ(linkHook.Detach(), 1) << "case " << i;
  }
}

TEST_F(SubclassHookTest, OneHookPerFamilyAndDetachRestoresOnce) {
  SubclassHook<kSeparatorFamily> second;
  separator.answer = 1;
  separator.value = 7;
  ASSERT_EQ(separatorHook.Attach(window, Handler, &separator), 1);
  EXPECT_EQ(second.Attach(window, Handler, &link), 0);
  EXPECT_EQ(GetPropA(window, SubclassHook<kSeparatorFamily>::kPropertyName.text), &separatorHook);
  EXPECT_EQ(Probe(), "7 S");
  EXPECT_EQ(second.Detach(), 0);
  EXPECT_EQ(separatorHook.Detach(), 1);
  EXPECT_EQ(Installed(), &ClassProcedure);
  EXPECT_TRUE(OurProperties(window).empty());
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
    EXPECT_EQ(Probe(), "4660 SL class");
    EXPECT_EQ(reverse ? separatorHook.Detach() : linkHook.Detach(), 1);
    EXPECT_EQ(Installed(), reverse ? &SubclassHook<kHyperlinkFamily>::Procedure : &SubclassHook<kSeparatorFamily>::Procedure);
    EXPECT_EQ(Probe(), reverse ? "4660 L class" : "4660 S class");
    EXPECT_EQ(reverse ? linkHook.Detach() : separatorHook.Detach(), 1);
    EXPECT_EQ(Probe(), "4660  class");
    EXPECT_TRUE(OurProperties(window).empty());
    if (reverse) { EXPECT_EQ(Installed(), &ClassProcedure); }
  }
  // Destroyed while attached: no property is left.
  ASSERT_EQ(linkHook.Attach(window, Handler, &link), 1);
  ASSERT_EQ(separatorHook.Attach(window, Handler, &separator), 1);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_TRUE(propertiesAtDestroy.empty()) << propertiesAtDestroy[0];
  EXPECT_FALSE(linkHook.Attached() || separatorHook.Attached());
}

}  // namespace
