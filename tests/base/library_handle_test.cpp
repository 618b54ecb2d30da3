#include "base/library_handle.h"

#include <gtest/gtest.h>

namespace {

const char kProbe[] = "probe_lib.dll";

typedef int WINAPI ProbeAddFn(int, int);
typedef int WINAPI ProbeValueFn();

bool ProbeLoaded() { return GetModuleHandleA(kProbe) != nullptr; }

TEST(LibraryHandle, LoadLookupAndRelease) {
  ASSERT_FALSE(ProbeLoaded());
  {
    LibraryHandle library;
    EXPECT_EQ(nullptr, library.Lookup("ProbeValue"));
    ASSERT_EQ(1, library.Load(kProbe));
    EXPECT_TRUE(ProbeLoaded());
    EXPECT_EQ(reinterpret_cast<FARPROC>(GetProcAddress(GetModuleHandleA(kProbe), "ProbeValue")),
              library.Lookup("ProbeValue"));
    EXPECT_EQ(nullptr, library.Lookup("NoSuchExport"));
  }
  EXPECT_FALSE(ProbeLoaded()) << "destruction must release the module";
}

TEST(LibraryHandle, UnloadOnlyOnce) {
  LibraryHandle library;
  EXPECT_EQ(0, library.Unload());
  ASSERT_EQ(1, library.Load(kProbe));
  EXPECT_EQ(1, library.Unload());
  EXPECT_FALSE(ProbeLoaded());
  EXPECT_EQ(0, library.Unload());
  EXPECT_EQ(nullptr, library.Lookup("ProbeValue"));
}

TEST(LibraryHandle, ReloadDoesNotGrowReferenceCount) {
  LibraryHandle library;
  ASSERT_EQ(1, library.Load(kProbe));
  ASSERT_EQ(1, library.Load(kProbe));
  EXPECT_EQ(1, library.Unload());
  EXPECT_FALSE(ProbeLoaded()) << "the first reference was not released";
}

TEST(LibraryHandle, FailedLoadReleasesEarlierModule) {
  LibraryHandle library;
  ASSERT_EQ(1, library.Load(kProbe));
  EXPECT_EQ(0, library.Load("no-such-library.dll"));
  EXPECT_FALSE(library.Loaded());
  EXPECT_FALSE(ProbeLoaded());
  EXPECT_EQ(0, library.Unload());
}

TEST(ProcSlot, TypedCallThroughSlot) {
  LibraryHandle library;
  ASSERT_EQ(1, library.Load(kProbe));
  ProcSlot<ProbeAddFn> add;
  EXPECT_FALSE(add);
  ASSERT_EQ(1, add.Bind(library, "ProbeAdd"));
  EXPECT_EQ(5, add(2, 3));
  ProcSlot<decltype(::GetTickCount)> missing;
  EXPECT_EQ(0, missing.Bind(library, "GetTickCount"));
  EXPECT_FALSE(missing);
}

// The three binding patterns over two libraries: rows name which one.
struct Bindings {
  LibraryHandle libraries[2];
  ProcSlot<ProbeValueFn> value;
  ProcSlot<ProbeAddFn> absent;
  ProcSlot<decltype(::GetTickCount)> ticks;

  ProcBinding rows[3] = {
      {0, "ProbeValue", value.Storage()},
      {0, "NotExported", absent.Storage()},
      {1, "GetTickCount", ticks.Storage()},
  };
};

TEST(ProcBinding, EagerChainStopsAtFirstMissing) {
  Bindings b;
  ASSERT_EQ(1, b.libraries[0].Load(kProbe));
  ASSERT_EQ(1, b.libraries[1].Load("kernel32.dll"));
  EXPECT_EQ(0, BindChain(b.libraries, b.rows, 3));
  EXPECT_TRUE(b.value);
  EXPECT_FALSE(b.absent);
  EXPECT_FALSE(b.ticks) << "rows after the missing one are not bound";
  EXPECT_EQ(1, BindChain(b.libraries, b.rows, 1));
}

TEST(ProcBinding, EagerTableKeepsNullSlots) {
  Bindings b;
  ASSERT_EQ(1, b.libraries[0].Load(kProbe));
  ASSERT_EQ(1, b.libraries[1].Load("kernel32.dll"));
  EXPECT_EQ(2, BindTable(b.libraries, b.rows, 3));
  EXPECT_EQ(42, b.value());
  EXPECT_FALSE(b.absent);
  EXPECT_NE(0u, b.ticks());

  ClearTable(b.rows, 3);
  EXPECT_FALSE(b.value);
  EXPECT_FALSE(b.ticks);

  // An unloaded library binds nothing.
  b.libraries[0].Unload();
  EXPECT_EQ(1, BindTable(b.libraries, b.rows, 3));
  EXPECT_FALSE(b.value);
}

TEST(LazyProc, LooksUpOnFirstUseAndRetriesMisses) {
  LibraryHandle library;
  LazyProc<ProbeValueFn> value("ProbeValue");
  EXPECT_EQ(nullptr, value.Resolve(library)) << "nothing loaded yet";
  ASSERT_EQ(1, library.Load(kProbe));
  ProbeValueFn* resolved = value.Resolve(library);
  ASSERT_NE(nullptr, resolved) << "a miss must be retried on the next use";
  EXPECT_EQ(42, resolved());
  EXPECT_EQ(resolved, value.Resolve(library));
}

}  // namespace
