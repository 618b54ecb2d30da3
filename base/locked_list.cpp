#include "base/locked_list.h"

LinkList::LinkList() : head(nullptr), tail(nullptr) { Open(); }

int LinkList::Open() {
  lock.Init();
  int created = gate.CreateNamedEvent(1, 1, nullptr, 0);
  head = tail = nullptr;
  return created;
}

void LinkList::Close() {
  lock.Delete();
  gate.Release();
}

void LinkList::Lock() {
  lock.Enter();
  gate.Wait(INFINITE);
}

void LinkList::Unlock() { lock.Leave(); }

void LinkList::AppendLink(ListLink* link) {
  Lock();
  link->next = nullptr;
  link->prev = tail;
  if (tail)
    tail->next = link;
  else
    head = link;
  tail = link;
  Unlock();
}

int LinkList::RemoveLink(ListLink* link) {
  Lock();
  ListLink* current = head;
  while (current && current != link) current = current->next;
  if (current) {
    if (link->prev)
      link->prev->next = link->next;
    else
      head = link->next;
    if (link->next)
      link->next->prev = link->prev;
    else
      tail = link->prev;
    link->next = link->prev = nullptr;
  }
  Unlock();
  return current != nullptr;
}
