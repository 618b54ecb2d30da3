#include "base/library_handle.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

// A library nothing else loads, so its reference count shows in GetModuleHandleA.
const std::string kProbePath = testing_support::BuildPath("testbin\\probe_lib.dll");
const char* const kProbe = kProbePath.c_str();
typedef int WINAPI ProbeAddFn(int, int);
typedef int WINAPI ProbeValueFn();

// Every reference taken is given back exactly once (a reload and a failed
// load release the earlier one); the binding patterns over two libraries,
// rows naming which one.
TEST(LibraryHandle, LoadsReleasesAndBinds) {
  LibraryHandle libraries[2];
  EXPECT_EQ(0, libraries[0].Unload()) << "nothing loaded";
  EXPECT_EQ(0, libraries[0].Load("probe_lib.dll")) << "a bare name beside the program is no system library";
  ASSERT_EQ(1, libraries[0].Load(kProbe));
  ASSERT_EQ(1, libraries[0].Load(kProbe)) << "a reload releases the first reference";
  ASSERT_EQ(1, libraries[0].Unload());
  EXPECT_EQ(nullptr, GetModuleHandleA(kProbe));
  ASSERT_EQ(1, libraries[0].Load(kProbe));
  EXPECT_EQ(0, libraries[0].Load("no-such-library.dll"));
  EXPECT_EQ(nullptr, GetModuleHandleA(kProbe));
  { LibraryHandle scoped; scoped.Load(kProbe); }
  EXPECT_EQ(nullptr, GetModuleHandleA(kProbe)) << "destruction must release the module";

  ProcSlot<ProbeValueFn> value;
  ProcSlot<ProbeAddFn> absent, add;
  ProcSlot<decltype(::GetTickCount)> ticks;
  const ProcBinding rows[3] = {{0, "ProbeValue", value.Storage()}, {0, "NotExported", absent.Storage()}, {1, "GetTickCount", ticks.Storage()}};
  LazyProc<ProbeValueFn> lazy("ProbeValue");
  EXPECT_EQ(nullptr, lazy.Resolve(libraries[0])) << "nothing loaded yet";
  ASSERT_EQ(1, libraries[0].Load(kProbe) * libraries[1].Load("kernel32.dll"));
  EXPECT_EQ(42, lazy.Resolve(libraries[0])()) << "a miss must be retried on the next use";
  ASSERT_EQ(1, add.Bind(libraries[0], "ProbeAdd"));
  EXPECT_EQ(5, add(2, 3)) << "called with its own signature";
  EXPECT_EQ(0, BindChain(libraries, rows, 3));
  EXPECT_TRUE(value && !ticks) << "rows after the missing one are not bound";
  EXPECT_EQ(1, BindChain(libraries, rows, 1));
  EXPECT_EQ(2, BindTable(libraries, rows, 3));
  EXPECT_TRUE(value() == 42 && ticks() != 0);
  ClearTable(rows, 3);
  EXPECT_FALSE(value || ticks);
  libraries[0].Unload();
  EXPECT_EQ(1, BindTable(libraries, rows, 3)) << "an unloaded library binds nothing";
}

}  // namespace
