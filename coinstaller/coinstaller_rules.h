// How the co-installer's crash report differs from the installer's: the
// service-pack text must match exactly, Fundamentals for Legacy PCs is not
// known, ntdll is bound only on NT with a 16-byte speed buffer, and a
// module's last version part is printed with 5 digits.
#ifndef COINSTALLER_COINSTALLER_RULES_H_
#define COINSTALLER_COINSTALLER_RULES_H_

#include "crash/crash_records.h"

const OsRules kCoinstallerOsRules = {1, 0, 1, 16};
const CrashRules kCoinstallerCrashRules = {kCoinstallerOsRules, 5};

#endif  // COINSTALLER_COINSTALLER_RULES_H_
