// What the crash report says of the system beyond the basic classification:
// product type, editions and sessions as extra bits, the system's name, and
// whether a 32-bit process runs on 64-bit Windows.
#ifndef SYSINFO_OS_IDENTITY_H_
#define SYSINFO_OS_IDENTITY_H_

#include <windows.h>

#include "base/os_kind.h"

// Where the two deliverables differ; each deliverable states its own. The
// service-pack text matched exactly or by containment, Fundamentals for
// Legacy PCs known or not, ntdll bound only on NT or everywhere, and the size
// of the processor-speed buffer handed to the kernel.
struct OsRules {
  int exactServicePack;
  int fundamentals;
  int ntdllOnlyOnNt;
  int speedBufferSize;
};

// The registry and metrics answers the extended classification reads.
// Texts are null when their value is missing; numbers are 0 when missing.
struct OsExtendedAnswers {
  const char* productType;
  int miniNtKey;
  int peBuilderKey;
  int fundamentalsRead;  // 1 when "Installed" could be read
  DWORD fundamentalsInstalled;
  int tabletPc;
  int mediaCenter;
  int remoteSession;
  int starter;
  int serverR2;
  const char* mediaCenterIdent;
};

// Room OsName needs: the longest composed name is 131 characters.
const int kOsNameSize = 160;

// Pure decisions, fed by the functions below or by tests.
OsKindWord AddExtendedBits(OsKindWord word, const OsExtendedAnswers& answers, const OsRules& rules);
// Name for `word` in the caller's buffer of at least kOsNameSize characters,
// or a constant text.
const char* ComposeOsName(char* buffer, OsKindWord word, const OsRules& rules);

// The running system, classified under `rules` with the extended bits.
OsKindWord ClassifyOsExtended(const OsRules& rules);
int IsWow64();

#endif  // SYSINFO_OS_IDENTITY_H_
