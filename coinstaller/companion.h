// Starting the companion TV software from the install medium.
#ifndef COINSTALLER_COMPANION_H_
#define COINSTALLER_COMPANION_H_

#include <windows.h>
#include <setupapi.h>

#include "coinstaller/receiver_family.h"

// Reads the device's first hardware ID and launches its family's programs.
void StartCompanionSoftware(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData);

// Starts the family's programs from the medium through the shell, without
// waiting, unless the software is installed (an uninstall key opens) or one
// of its programs runs (a process name containing "vask").
void LaunchCompanion(ReceiverFamily family);

#endif  // COINSTALLER_COMPANION_H_
