#include "base/library_handle.h"

#include <gtest/gtest.h>

namespace {

// A library nothing else loads, so its reference count shows in
// GetModuleHandleA.
const char kProbe[] = "probe_lib.dll";

typedef int WINAPI ProbeAddFn(int, int);
typedef int WINAPI ProbeValueFn();

bool ProbeLoaded() { return GetModuleHandleA(kProbe) != nullptr; }

TEST(LibraryHandle, EveryLoadReleasedExactlyOnce) {
  ASSERT_FALSE(ProbeLoaded());
  {
    LibraryHandle library;
    EXPECT_EQ(nullptr, library.Lookup("ProbeValue"));
    EXPECT_EQ(0, library.Unload()) << "nothing loaded";
    ASSERT_EQ(1, library.Load(kProbe));
    ASSERT_EQ(1, library.Load(kProbe)) << "a reload releases the first reference";
    EXPECT_EQ(reinterpret_cast<FARPROC>(GetProcAddress(GetModuleHandleA(kProbe), "ProbeValue")),
              library.Lookup("ProbeValue"));
    EXPECT_EQ(nullptr, library.Lookup("NoSuchExport"));
    EXPECT_EQ(1, library.Unload());
    EXPECT_FALSE(ProbeLoaded());
    EXPECT_EQ(0, library.Unload());
    EXPECT_EQ(nullptr, library.Lookup("ProbeValue"));
    ASSERT_EQ(1, library.Load(kProbe));
    EXPECT_EQ(0, library.Load("no-such-library.dll")) << "releases the earlier module";
    EXPECT_FALSE(library.Loaded());
    EXPECT_FALSE(ProbeLoaded());
    ASSERT_EQ(1, library.Load(kProbe));
  }
  EXPECT_FALSE(ProbeLoaded()) << "destruction must release the module";
}

// The binding patterns over two libraries: rows name which one.
TEST(ProcBinding, SlotsChainsTablesAndLazyLookups) {
  LibraryHandle libraries[2];
  ProcSlot<ProbeValueFn> value;
  ProcSlot<ProbeAddFn> absent, add;
  ProcSlot<decltype(::GetTickCount)> ticks;
  const ProcBinding rows[3] = {
      {0, "ProbeValue", value.Storage()}, {0, "NotExported", absent.Storage()}, {1, "GetTickCount", ticks.Storage()}};
  LazyProc<ProbeValueFn> lazy("ProbeValue");
  EXPECT_EQ(nullptr, lazy.Resolve(libraries[0])) << "nothing loaded yet";
  ASSERT_EQ(1, libraries[0].Load(kProbe));
  ASSERT_EQ(1, libraries[1].Load("kernel32.dll"));
  ASSERT_NE(nullptr, lazy.Resolve(libraries[0])) << "a miss must be retried on the next use";
  EXPECT_EQ(42, lazy.Resolve(libraries[0])());

  EXPECT_FALSE(add);
  ASSERT_EQ(1, add.Bind(libraries[0], "ProbeAdd"));
  EXPECT_EQ(5, add(2, 3));
  EXPECT_EQ(0, add.Bind(libraries[0], "GetTickCount"));
  EXPECT_FALSE(add);

  EXPECT_EQ(0, BindChain(libraries, rows, 3));
  EXPECT_TRUE(value);
  EXPECT_FALSE(ticks) << "rows after the missing one are not bound";
  EXPECT_EQ(1, BindChain(libraries, rows, 1));
  EXPECT_EQ(2, BindTable(libraries, rows, 3));
  EXPECT_EQ(42, value());
  EXPECT_FALSE(absent);
  EXPECT_NE(0u, ticks());
  ClearTable(rows, 3);
  EXPECT_FALSE(value);
  EXPECT_FALSE(ticks);
  libraries[0].Unload();
  EXPECT_EQ(1, BindTable(libraries, rows, 3)) << "an unloaded library binds nothing";
  EXPECT_FALSE(value);
}

}  // namespace
