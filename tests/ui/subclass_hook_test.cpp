#include "ui/subclass_hook.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

const UINT kProbe = WM_USER + 1;
const LRESULT kClassAnswer = 0x1234;

// What reached the test class's own procedure.
struct ClassLog {
  int probes = 0;
  std::vector<std::string> propertiesAtDestroy;
  bool destroyed = false;
} classLog;

BOOL CALLBACK CollectProperty(HWND, LPCSTR name, HANDLE) {
  if (!IS_INTRESOURCE(name)) classLog.propertiesAtDestroy.push_back(name);
  return TRUE;
}

LRESULT CALLBACK ClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kProbe) {
    ++classLog.probes;
    return kClassAnswer;
  }
  if (message == WM_NCDESTROY) {
    classLog.destroyed = true;
    EnumPropsA(window, CollectProperty);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A family handler that answers kProbe with `answer` and result `value`, and
// records the order in which handlers saw it.
struct Owner {
  int answer = 0;
  LRESULT value = 0;
  int seen = 0;
  std::vector<const Owner*>* order = nullptr;
};

int Handler(HWND, UINT message, WPARAM, LPARAM, LRESULT* result, void* context) {
  Owner* owner = static_cast<Owner*>(context);
  if (message != kProbe) return 0;
  ++owner->seen;
  if (owner->order) owner->order->push_back(owner);
  if (owner->answer == 1) *result = owner->value;
  return owner->answer;
}

BOOL CALLBACK CollectOurs(HWND, LPSTR name, HANDLE, ULONG_PTR found) {
  if (!IS_INTRESOURCE(name) && strncmp(name, "_C_SubClassing_Property_", 24) == 0)
    reinterpret_cast<std::vector<std::string>*>(found)->push_back(name);
  return TRUE;
}

std::vector<std::string> OurProperties(HWND window) {
  std::vector<std::string> names;
  EnumPropsExA(window, CollectOurs, reinterpret_cast<LPARAM>(&names));
  return names;
}

class SubclassHookTest : public testing::Test {
 protected:
  void SetUp() override {
    classLog = ClassLog();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ClassProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SubclassHookTestClass";
    RegisterClassA(&windowClass);
    window = CreateWindowA("SubclassHookTestClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
  }
  WNDPROC Installed() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)); }

  HWND window = nullptr;
};

TEST(SubclassPropertyNameTest, EightUpperCaseHexDigitsOfTheTag) {
  const struct {
    DWORD tag;
    const char* name;
  } cases[] = {
      {kHyperlinkFamily, "_C_SubClassing_Property_6C696E6B"},
      {kStyledLabelFamily, "_C_SubClassing_Property_73746178"},
      {kSeparatorFamily, "_C_SubClassing_Property_64697669"},
      {0xABC, "_C_SubClassing_Property_00000ABC"},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
    EXPECT_STREQ(MakeSubclassPropertyName(cases[i].tag).text, cases[i].name) << "case " << i;
}

TEST_F(SubclassHookTest, SecondAttachOfOneFamilyIsRefusedAndChangesNothing) {
  SubclassHook<kSeparatorFamily> first, second;
  Owner firstOwner, secondOwner;
  firstOwner.answer = 1;
  firstOwner.value = 7;
  ASSERT_EQ(first.Attach(window, Handler, &firstOwner), 1);
  EXPECT_EQ(second.Attach(window, Handler, &secondOwner), 0);
  EXPECT_EQ(first.Attach(window, Handler, &firstOwner), 0) << "already attached";
  EXPECT_EQ(Installed(), &SubclassHook<kSeparatorFamily>::Procedure);
  EXPECT_EQ(GetPropA(window, "_C_SubClassing_Property_64697669"), &first);
  EXPECT_EQ(SendMessageA(window, kProbe, 0, 0), 7);
  EXPECT_EQ(firstOwner.seen, 1);
  EXPECT_EQ(secondOwner.seen, 0);
  EXPECT_EQ(second.Detach(), 0);
  EXPECT_EQ(first.Detach(), 1);
}

TEST_F(SubclassHookTest, DetachRestoresOnceAndASecondDetachTouchesNothing) {
  SubclassHook<kHyperlinkFamily> hook;
  Owner owner;
  ASSERT_EQ(hook.Attach(window, Handler, &owner), 1);
  EXPECT_EQ(hook.Detach(), 1);
  EXPECT_EQ(Installed(), &ClassProcedure);
  EXPECT_TRUE(OurProperties(window).empty());
  // Someone else subclasses the window now; a second Detach must leave it.
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
  EXPECT_EQ(hook.Detach(), 0);
  EXPECT_EQ(Installed(), reinterpret_cast<WNDPROC>(DefWindowProcA));
}

TEST_F(SubclassHookTest, OnlyAnswerOneKeepsTheMessageFromThePreviousProcedure) {
  const struct {
    int answer;
    LRESULT expected;
    int classProbes;
  } cases[] = {{1, 55, 0}, {0, kClassAnswer, 1}, {2, kClassAnswer, 1}, {-1, kClassAnswer, 1}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    classLog.probes = 0;
    SubclassHook<kStyledLabelFamily> hook;
    Owner owner;
    owner.answer = cases[i].answer;
    owner.value = 55;
    ASSERT_EQ(hook.Attach(window, Handler, &owner), 1) << "case " << i;
    EXPECT_EQ(SendMessageA(window, kProbe, 0, 0), cases[i].expected) << "case " << i;
    EXPECT_EQ(owner.seen, 1) << "case " << i;
    EXPECT_EQ(classLog.probes, cases[i].classProbes) << "case " << i;
    EXPECT_EQ(hook.Detach(), 1) << "case " << i;
  }
}

TEST_F(SubclassHookTest, StackedFamiliesPassDownAndDetachInReverseOrderCleanly) {
  std::vector<const Owner*> order;
  Owner linkOwner, separatorOwner;
  linkOwner.order = separatorOwner.order = &order;
  SubclassHook<kHyperlinkFamily> link;
  SubclassHook<kSeparatorFamily> separator;
  ASSERT_EQ(link.Attach(window, Handler, &linkOwner), 1);
  ASSERT_EQ(separator.Attach(window, Handler, &separatorOwner), 1);
  EXPECT_EQ(OurProperties(window).size(), 2u);
  EXPECT_EQ(SendMessageA(window, kProbe, 0, 0), kClassAnswer);
  ASSERT_EQ(order.size(), 2u);
  EXPECT_EQ(order[0], &separatorOwner);
  EXPECT_EQ(order[1], &linkOwner);
  EXPECT_EQ(separator.Detach(), 1);
  EXPECT_EQ(Installed(), &SubclassHook<kHyperlinkFamily>::Procedure);
  EXPECT_EQ(link.Detach(), 1);
  EXPECT_EQ(Installed(), &ClassProcedure);
  EXPECT_TRUE(OurProperties(window).empty());
}

TEST_F(SubclassHookTest, OutOfOrderDetachKeepsTheLaterHookAndTheClassReachable) {
  Owner linkOwner, separatorOwner;
  SubclassHook<kHyperlinkFamily> link;
  SubclassHook<kSeparatorFamily> separator;
  ASSERT_EQ(link.Attach(window, Handler, &linkOwner), 1);
  ASSERT_EQ(separator.Attach(window, Handler, &separatorOwner), 1);
  EXPECT_EQ(link.Detach(), 1);
  EXPECT_EQ(Installed(), &SubclassHook<kSeparatorFamily>::Procedure) << "the later hook stays";
  EXPECT_EQ(SendMessageA(window, kProbe, 0, 0), kClassAnswer);
  EXPECT_EQ(separatorOwner.seen, 1);
  EXPECT_EQ(linkOwner.seen, 0);
  EXPECT_EQ(classLog.probes, 1);
  EXPECT_EQ(separator.Detach(), 1);
  EXPECT_EQ(SendMessageA(window, kProbe, 0, 0), kClassAnswer);
  EXPECT_EQ(classLog.probes, 2);
  EXPECT_TRUE(OurProperties(window).empty());
}

TEST_F(SubclassHookTest, WindowDestroyedWhileAttachedKeepsNoProperty) {
  Owner linkOwner, separatorOwner;
  SubclassHook<kHyperlinkFamily> link;
  SubclassHook<kSeparatorFamily> separator;
  ASSERT_EQ(link.Attach(window, Handler, &linkOwner), 1);
  ASSERT_EQ(separator.Attach(window, Handler, &separatorOwner), 1);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_TRUE(classLog.destroyed);
  for (const std::string& name : classLog.propertiesAtDestroy)
    EXPECT_NE(name.compare(0, 24, "_C_SubClassing_Property_"), 0) << name;
  EXPECT_FALSE(link.Attached());
  EXPECT_FALSE(separator.Attached());
  EXPECT_EQ(separator.Detach(), 0);
  EXPECT_EQ(link.Detach(), 0);
}

}  // namespace
