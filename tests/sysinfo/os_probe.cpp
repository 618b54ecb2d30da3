// Exits with what the running system is taken for.
#include "installer/installer_rules.h"
#include "sysinfo/os_identity.h"

int main() { return static_cast<int>(ClassifyOsExtended(kInstallerOsRules)); }
