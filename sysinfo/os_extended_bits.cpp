// The extended classification bits, apart from the version rules: the
// product type is compared with the platform's case-insensitive comparison.
#include "sysinfo/os_identity.h"

#include <stdio.h>

OsKindWord AddExtendedBits(OsKindWord word, const OsExtendedAnswers& answers, const OsRules& rules) {
  if (!(word & kOsNt)) return word;
  if (answers.productType) {
    if (lstrcmpiA(answers.productType, "WinNT") == 0)
      word |= kOsWorkstation;
    else if (lstrcmpiA(answers.productType, "ServerNT") == 0)
      word |= kOsServer;
    else if (lstrcmpiA(answers.productType, "LanmanNT") == 0)
      word |= kOsDomainController;
  }
  if (answers.miniNtKey) word |= kOsMiniNt;
  if (answers.peBuilderKey) word |= kOsPeBuilder;
  if (rules.fundamentals && answers.fundamentalsRead && answers.fundamentalsInstalled == 1)
    word |= kOsFundamentals;
  if (answers.tabletPc) word |= kOsTabletPc;
  if (answers.mediaCenter) word |= kOsMediaCenter;
  if (answers.remoteSession) word |= kOsTerminalSession;
  if (answers.starter) word |= kOsStarter;
  if (answers.serverR2) word |= kOsServerR2;
  unsigned major = 0, minor = 0;
  if (answers.mediaCenterIdent && sscanf(answers.mediaCenterIdent, "%u.%u", &major, &minor) >= 1) {
    static const OsKindWord editions[] = {kOsMediaCenter2004, kOsMediaCenter2005, kOsMediaCenter2005Ex,
                                          kOsMediaCenterVista};
    if (major >= 2 && major <= 5) word |= editions[major - 2];
  }
  return word;
}
