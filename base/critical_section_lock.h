// A critical section that knows whether it exists.
#ifndef BASE_CRITICAL_SECTION_LOCK_H_
#define BASE_CRITICAL_SECTION_LOCK_H_

#include <windows.h>

class CriticalSectionLock {
 public:
  CriticalSectionLock() : initialised(0) { Init(); }
  ~CriticalSectionLock() { Delete(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

  void Init() {
    if (initialised) return;
    initialised = 1;
    InitializeCriticalSection(&section);
  }
  void Delete() {
    if (initialised != 1) return;
    initialised = 0;
    DeleteCriticalSection(&section);
  }
  // Both do nothing once the section is deleted.
  void Enter() {
    if (initialised) EnterCriticalSection(&section);
  }
  void Leave() {
    if (initialised) LeaveCriticalSection(&section);
  }

 private:
  CRITICAL_SECTION section;
  int initialised;
};

#endif  // BASE_CRITICAL_SECTION_LOCK_H_
