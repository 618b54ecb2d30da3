// What the minidump's callback records about each loaded module and thread,
// printed afterwards as the report's module and thread lists.
#ifndef CRASH_CRASH_RECORDS_H_
#define CRASH_CRASH_RECORDS_H_

#include <windows.h>

#include "base/locked_list.h"

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

// Where the two deliverables' reports differ: the digits of the last part of
// a module's version numbers.
struct CrashRules {
  int lastVersionDigits;
};
const CrashRules kInstallerCrashRules = {6};
const CrashRules kCoinstallerCrashRules = {5};
// The rules of the deliverable being linked (crash_build_rules.cpp, compiled
// into each deliverable's build rules).
extern const CrashRules kBuildCrashRules;

#endif  // CRASH_CRASH_RECORDS_H_
