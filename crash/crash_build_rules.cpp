// Compiled into each deliverable: picks that deliverable's report rows.
#include "crash/crash_records.h"

#ifdef BRAMCOT_COINSTALLER
const CrashRules kBuildCrashRules = kCoinstallerCrashRules;
#else
const CrashRules kBuildCrashRules = kInstallerCrashRules;
#endif
