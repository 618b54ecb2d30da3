// Removal of the driver package of a receiver family that was copied into
// the system's INF folder today.
#ifndef COINSTALLER_SAME_DAY_PACKAGE_H_
#define COINSTALLER_SAME_DAY_PACKAGE_H_

#include <windows.h>

#include "base/text_string.h"
#include "coinstaller/receiver_family.h"

// Deletes the first "oem*.inf" created today (the user's calendar day: the
// creation time in local time) that names one of the family's hardware IDs
// on any line, and its ".pnf". Only files whose long name ends in ".inf"
// count (the platform's pattern also matches short names), and a file with
// a line over kPackageLineCap characters is skipped whole. At most one
// package per call; deletions are not checked.
void RemoveSameDayPackage(ReceiverFamily family);

// Far above any real INF line, low enough to keep the host's memory bounded.
const unsigned kPackageLineCap = 64 * 1024;

struct SameDayWalk {
  ReceiverFamily family;
  TextString folder;  // the INF folder, with its trailing backslash
};

// The per-file step of the walk: 1 to go on, 0 once a package was removed.
int RemoveIfSameDayPackage(const WIN32_FIND_DATAA* entry, void* walk);

// Test seam: the current local date (GetLocalTime by default).
typedef void WINAPI LocalTimeFunction(LPSYSTEMTIME);
extern LocalTimeFunction* sameDayClock;

#endif  // COINSTALLER_SAME_DAY_PACKAGE_H_
