#include "base/locked_list.h"

#include <gtest/gtest.h>

namespace {

struct Record { ListLink link; };

int destroyed = 0;
struct Drive : ListedItem { ~Drive() override { ++destroyed; } };

// The items in list order, checking every back link; -1 for a broken or endless list.
template <class Item>
int Walk(LockedList<Item>& list) {
  ListLink* previous = nullptr;
  int count = 0;
  for (Item* item = list.First(); item; item = list.Next(item), ++count) {
    if (item->link.prev != previous || count > 64) return -1;
    previous = &item->link;
  }
  return count;
}

// Polymorphic items link after their vtable pointer. Removing the last, the
// first and a middle item keeps the links both ways (a removed last item is
// no longer the end an append links to); an item not in the list is refused.
// DeleteAll holds the lock while Remove takes it again on the same thread;
// Close and Open empty the list and make a working lock again.
TEST(LockedList, RemovalAndDeleteAll) {
  LockedList<Drive> drives;
  Drive* d[3] = {new Drive, new Drive, new Drive};
  for (Drive* item : d) drives.Append(item);
  EXPECT_EQ(reinterpret_cast<char*>(d[0]) + sizeof(void*), reinterpret_cast<char*>(&d[0]->link));
  EXPECT_EQ(1, drives.Remove(d[2]));
  EXPECT_EQ(1, drives.Remove(d[0]));
  EXPECT_EQ(0, drives.Remove(d[0]));
  drives.Append(d[2]);
  drives.Append(d[0]);
  EXPECT_EQ(1, drives.Remove(d[2]));
  EXPECT_TRUE(drives.First() == d[1] && drives.Next(d[1]) == d[0] && Walk(drives) == 2);
  delete d[2];
  drives.DeleteAll();
  EXPECT_TRUE(destroyed == 3 && !drives.First());
  drives.Append(d[0] = new Drive);
  drives.Close();
  EXPECT_TRUE(drives.Open() && !drives.First());
  delete d[0];
}

// Two threads take their own records out (from the middle as well) and put
// them back at the end while a third walks the list twice under its lock, for
// a third of a second: the walker must never see a broken link or a list that
// changed under the lock, and no removal may fail.
struct Shared {
  LockedList<Record> list;
  Record records[2][32];
  volatile LONG stop;
  LONG writers, failures;
};

DWORD WINAPI Writer(void* context) {
  Shared* shared = static_cast<Shared*>(context);
  Record* own = shared->records[InterlockedIncrement(&shared->writers) - 1];
  for (Record* r = own; r < own + 32; ++r) shared->list.Append(r);
  for (int i = 0; !shared->stop; i = (i + 7) % 32) {
    if (shared->list.Remove(&own[i]) != 1) InterlockedIncrement(&shared->failures);
    shared->list.Append(&own[i]);
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
  EXPECT_EQ(64, Walk(shared.list));
}

}  // namespace
