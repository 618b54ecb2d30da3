#include "ui/subclass_hook.h"

#include <gtest/gtest.h>

#include <string>

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

