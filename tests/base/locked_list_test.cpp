#include "base/locked_list.h"

#include <gtest/gtest.h>

namespace {

struct Record { ListLink link; };

int destroyed = 0;
struct Drive : ListedItem { ~Drive() override { ++destroyed; } };

// Polymorphic items link after their vtable pointer; DeleteAll holds the
// lock while Remove takes it again on the same thread; Close and Open empty
// the list and make a working lock again.
TEST(LockedList, PolymorphicItemsAndDeleteAll) {
  LockedList<Drive> drives;
  Drive* d = new Drive;
  drives.Append(d);
  drives.Append(new Drive);
  EXPECT_TRUE(drives.First() == d && reinterpret_cast<char*>(d) + sizeof(void*) == reinterpret_cast<char*>(&d->link));
  drives.DeleteAll();
  EXPECT_TRUE(destroyed == 2 && !drives.First());
  drives.Append(d = new Drive);
  drives.Close();
  EXPECT_TRUE(drives.Open() && !drives.First());
  delete d;
}

// Two threads take their own records out (from the middle as well) and put
// them back at the end while a third walks the list twice under its lock, for a third of a
// second. In the end each writer takes its odd records out: the walker must
// never have seen a broken link or a list that changed under the lock, and
// the list must hold exactly those records.
struct Shared {
  LockedList<Record> list;
  Record records[2][32];
  volatile LONG stop;
  LONG writers, failures;
};

// The records in list order, checking every back link; -1 for a broken or endless list.
int Walk(LockedList<Record>& list) {
  ListLink* previous = nullptr;
  int count = 0;
  for (Record* r = list.First(); r; r = list.Next(r), ++count) {
    if (r->link.prev != previous || count > 64) return -1;
    previous = &r->link;
  }
  return count;
}

DWORD WINAPI Writer(void* context) {
  Shared* shared = static_cast<Shared*>(context);
  Record* own = shared->records[InterlockedIncrement(&shared->writers) - 1];
  for (Record* r = own; r < own + 32; ++r) shared->list.Append(r);
  for (int i = 0; !shared->stop; i = (i + 7) % 32) {
    if (shared->list.Remove(&own[i]) != 1) InterlockedIncrement(&shared->failures);
    shared->list.Append(&own[i]);
  }
  for (int i = 1; i < 32; i += 2) {
    if (shared->list.Remove(&own[i]) != 1) InterlockedIncrement(&shared->failures);
  }
  return 0;
}

DWORD WINAPI Walker(void* context) {
  Shared* shared = static_cast<Shared*>(context);
  for (; !shared->stop; shared->list.Unlock(), SwitchToThread()) {
    shared->list.Lock();  // nothing may change the list while it is held
    int count = Walk(shared->list);
    Sleep(1);
    if (count < 0 || Walk(shared->list) != count) InterlockedIncrement(&shared->failures);
  }
  return 0;
}

TEST(LockedList, ConcurrentAppendRemoveAndWalk) {
  static Shared shared;  // static: a thread trapped in a corrupt list may outlive the test
  HANDLE threads[3] = {CreateThread(nullptr, 0, Writer, &shared, 0, nullptr), CreateThread(nullptr, 0, Writer, &shared, 0, nullptr),
                       CreateThread(nullptr, 0, Walker, &shared, 0, nullptr)};
  Sleep(300);
  shared.stop = 1;
  DWORD waited = WaitForMultipleObjects(3, threads, TRUE, 10000);
  for (HANDLE thread : threads) TerminateThread(thread, 1), CloseHandle(thread);
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "a thread still runs: the list is corrupt or the lock lost";
  EXPECT_EQ(0, shared.failures) << "failed removals or broken links seen by the walker";
  EXPECT_EQ(32, Walk(shared.list));
  for (Record* r = shared.list.First(); r; r = shared.list.Next(r)) { EXPECT_EQ(0, (r - shared.records[0]) % 2); }
}

}  // namespace
