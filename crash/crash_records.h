// What the minidump's callback records about each loaded module and thread,
// printed afterwards as the report's module and thread lists.
#ifndef CRASH_CRASH_RECORDS_H_
#define CRASH_CRASH_RECORDS_H_

#include <windows.h>

#include "base/locked_list.h"
#include "sysinfo/os_identity.h"

struct ModuleRecord {
  ListLink link;
  WCHAR* path;  // full path, null when its copy could not be allocated
  DWORD64 baseOfImage;
  DWORD sizeOfImage;
  DWORD checkSum;
  DWORD timeDateStamp;
  VS_FIXEDFILEINFO versionInfo;
};

struct ThreadRecord {
  ListLink link;
  DWORD threadId;
  DWORD64 stackBase;
  DWORD64 stackEnd;
  char name[100];  // at most 99 characters and a terminator
  DWORD startAddress;  // 0 when it could not be queried
};

// Where the two deliverables' reports differ: the version rules of the
// system lines, and the digits of the last part of a module's version
// numbers. Each deliverable hands its own to its crash reporter.
struct CrashRules {
  OsRules os;
  int lastVersionDigits;
};

#endif  // CRASH_CRASH_RECORDS_H_
