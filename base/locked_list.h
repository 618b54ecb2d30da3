// An intrusive doubly linked list guarded by a re-entrant lock. Items carry
// their own link record: at the very start of a plain record, or right after
// the vtable pointer of a polymorphic item (derive from ListedItem). The list
// never allocates; DeleteAll destroys polymorphic items.
#ifndef BASE_LOCKED_LIST_H_
#define BASE_LOCKED_LIST_H_

#include <stddef.h>

#include <type_traits>

#include "base/critical_section_lock.h"
#include "base/waitable_handle.h"

struct ListLink {
  ListLink* next;
  ListLink* prev;
};

// Base of polymorphic list items: the link follows the vtable pointer.
class ListedItem {
 public:
  ListedItem() : link{nullptr, nullptr} {}
  virtual ~ListedItem() {}
  ListLink link;
};

// The untyped list: works on links only.
class LinkList {
 public:
  LinkList();
  ~LinkList() { Close(); }
  LinkList(const LinkList&) = delete;
  LinkList& operator=(const LinkList&) = delete;

  // Initialises the lock, recreates the always-signalled gate, empties the
  // list. 1 when the gate was created.
  int Open();
  // Deletes the lock and releases the gate; linked items are left alone.
  void Close();
  void Lock();
  void Unlock();

  void AppendLink(ListLink* link);
  // 1 when `link` was in the list and is now unlinked.
  int RemoveLink(ListLink* link);
  // Read without the lock.
  ListLink* FirstLink() const { return head; }

 private:
  CriticalSectionLock lock;
  WaitableHandle gate;
  ListLink* head;
  ListLink* tail;
};

// Item must have a ListLink member named `link`: first in a plain record, or
// inherited from ListedItem.
template <typename Item>
class LockedList : public LinkList {
 public:
  void Append(Item* item) { AppendLink(&item->link); }
  int Remove(Item* item) { return RemoveLink(&item->link); }
  Item* First() const {
    ListLink* link = FirstLink();
    return link ? FromLink(link) : nullptr;
  }
  // The item after `item` in list order, or null; read without the lock.
  Item* Next(const Item* item) const {
    ListLink* link = item->link.next;
    return link ? FromLink(link) : nullptr;
  }
  // Unlinks and destroys every item through its virtual destructor.
  void DeleteAll() {
    static_assert(std::has_virtual_destructor<Item>::value, "DeleteAll destroys polymorphic items only");
    Lock();
    while (Item* item = First()) {
      Remove(item);
      delete item;
    }
    Unlock();
  }

 private:
  static Item* FromLink(ListLink* link) {
    char* at = reinterpret_cast<char*>(link);
    if constexpr (std::is_base_of<ListedItem, Item>::value) {
      // The link follows the vtable pointer of the ListedItem part.
      return static_cast<Item*>(reinterpret_cast<ListedItem*>(at - sizeof(void*)));
    } else {
      static_assert(std::is_standard_layout<Item>::value, "plain list records keep their link first");
      return reinterpret_cast<Item*>(at - offsetof(Item, link));
    }
  }
};

#endif  // BASE_LOCKED_LIST_H_
