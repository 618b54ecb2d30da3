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
  list.Append(&a);
  list.Append(&b);
  list.Append(&c);
  EXPECT_EQ(&a, list.First());
  EXPECT_EQ(0, list.Remove(&absent));
  EXPECT_EQ(&a, list.First());

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
  EXPECT_EQ(2, list.First()->value);
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

TEST(LockedList, ReopenEmptiesAndRecreatesTheGate) {
  LockedList<Record> list;
  Record a{{}, 1};
  list.Append(&a);
  list.Close();
  EXPECT_EQ(1, list.Open());
  EXPECT_EQ(nullptr, list.First());
  list.Append(&a);  // the lock works again after Close and Open
  EXPECT_EQ(&a, list.First());
}

}  // namespace
