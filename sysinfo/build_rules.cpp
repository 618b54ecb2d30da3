// Compiled into each deliverable: picks that deliverable's version rules.
#include "sysinfo/os_kind.h"

#ifdef BRAMCOT_COINSTALLER
const OsRules kBuildOsRules = kCoinstallerOsRules;
#else
const OsRules kBuildOsRules = kInstallerOsRules;
#endif
