#include "base/locked_list.h"

#include <gtest/gtest.h>

namespace {

struct Record {
  ListLink link;
  int value;
};

int destroyed = 0;

class Drive : public ListedItem {
 public:
  explicit Drive(char letter) : letter(letter) {}
  ~Drive() override { ++destroyed; }
  char letter;
};

TEST(LockedList, PlainRecordsLinkAtTheirStart) {
  LockedList<Record> list;
  Record a{{}, 1}, b{{}, 2}, c{{}, 3}, absent{{}, 4};
  EXPECT_EQ(nullptr, list.First());
  for (Record* r : {&a, &b, &c}) list.Append(r);
  EXPECT_EQ(0, list.Remove(&absent));
  EXPECT_EQ(1, list.Remove(&b));  // middle
  EXPECT_EQ(&c.link, a.link.next);
  EXPECT_EQ(&a.link, c.link.prev);
  EXPECT_EQ(0, list.Remove(&b)) << "already removed";
  EXPECT_EQ(1, list.Remove(&a));  // head
  EXPECT_EQ(&c, list.First());
  EXPECT_EQ(1, list.Remove(&c));  // the only item: head and tail empty
  EXPECT_EQ(nullptr, list.First());
  list.Append(&b);  // a stale tail would link b behind c
  EXPECT_EQ(&b, list.First());
  EXPECT_EQ(nullptr, b.link.prev);
  // Close and Open empty the list and make a working lock again.
  list.Close();
  EXPECT_EQ(1, list.Open());
  EXPECT_EQ(nullptr, list.First());
  list.Append(&a);
  EXPECT_EQ(&a, list.First());
}

TEST(LockedList, PolymorphicItemsLinkAfterTheirVtable) {
  destroyed = 0;
  LockedList<Drive> list;
  Drive* d = new Drive('D');
  list.Append(d);
  list.Append(new Drive('E'));
  list.Append(new Drive('F'));
  EXPECT_EQ(reinterpret_cast<char*>(d) + sizeof(void*), reinterpret_cast<char*>(&d->link));
  ASSERT_EQ(d, list.First());
  EXPECT_EQ('D', list.First()->letter);
  // DeleteAll holds the lock while Remove takes it again on the same thread.
  list.DeleteAll();
  EXPECT_EQ(3, destroyed);
  EXPECT_EQ(nullptr, list.First());
  list.DeleteAll();
  EXPECT_EQ(3, destroyed);
}

// Threads append and remove their own records at once: without the lock,
// links get lost and removals fail.
struct Worker {
  LockedList<Record>* list;
  Record records[64];
  int failures;
  static DWORD WINAPI Run(void* context) {
    Worker* w = static_cast<Worker*>(context);
    for (int round = 0; round < 100; ++round) {
      for (Record& r : w->records) w->list->Append(&r);
      for (Record& r : w->records) w->failures += w->list->Remove(&r) != 1;
    }
    return 0;
  }
};

TEST(LockedList, ConcurrentAppendAndRemove) {
  LockedList<Record> list;
  Worker workers[4];
  HANDLE threads[4];
  for (int i = 0; i < 4; ++i) {
    workers[i].list = &list;
    workers[i].failures = 0;
    threads[i] = CreateThread(nullptr, 0, Worker::Run, &workers[i], 0, nullptr);
    ASSERT_NE(nullptr, threads[i]);
  }
  // A corrupted list can trap a thread in a loop, or a thread can die
  // holding the lock: it is ended before the list goes away, and the list
  // is not touched again.
  DWORD waited = WaitForMultipleObjects(4, threads, TRUE, 20000);
  for (HANDLE thread : threads) {
    TerminateThread(thread, 1);
    CloseHandle(thread);
  }
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "a thread still runs after 20 s: the list is corrupt or the lock lost";
  for (int i = 0; i < 4; ++i) EXPECT_EQ(0, workers[i].failures) << "thread " << i;
  EXPECT_EQ(nullptr, list.First());
}

}  // namespace
