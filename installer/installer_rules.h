// How the installer's crash report differs from the co-installer's: the
// service-pack text is matched by containment, Fundamentals for Legacy PCs is
// named, ntdll is bound on every system with a 15-byte speed buffer, and a
// module's last version part is printed with 6 digits.
#ifndef INSTALLER_INSTALLER_RULES_H_
#define INSTALLER_INSTALLER_RULES_H_

#include "crash/crash_records.h"

const OsRules kInstallerOsRules = {0, 1, 0, 15};
const CrashRules kInstallerCrashRules = {kInstallerOsRules, 6};

#endif  // INSTALLER_INSTALLER_RULES_H_
