// The installer's whole job: stage the driver package, bind it to present
// receivers, pre-install it, and tell the user the outcome.
#ifndef INSTALLER_INSTALL_SEQUENCE_H_
#define INSTALLER_INSTALL_SEQUENCE_H_

#include <windows.h>

#include "installer/install_owner.h"

// Fixed names of the installation.
extern const char kStagingFolderName[];  // "Tarnvik DVB-T Driver\"
extern const char* const kStagedFiles[];  // copy order, ends with a null entry
extern const char kPackageInf[];
extern const char kFirstHardwareId[];
extern const char kSecondHardwareId[];
extern const char kFirstDeviceKey[];  // under HKEY_LOCAL_MACHINE
extern const char kSecondDeviceKey[];
extern const char kMessageCaption[];
extern const char kInstalledText[];
extern const char kPreInstalledText[];
extern const char kFailedText[];
extern const char kInstallLogName[];  // "install.log", in the staging folder
const UINT kMessageStyle = MB_OK | MB_ICONEXCLAMATION;  // 0x30, for every outcome

// The message for the outcome of a run.
const char* ResultText(int succeeded, int deviceUpdated);

// How a run differs from the dialog's: passed by address as the routine's
// second argument (0: all as below are null or 0).
struct InstallOptions {
  const char* extraLog;     // a file the log is appended to as well
  const char* commandLine;  // for the log's opening line
  int quiet;                // no one to answer: the device installer may not ask
};

// Runs the installation for `owner` (an InstallOwner*) with `options` (an
// InstallOptions*, or 0), in the shape of a WorkerThread routine:
//  1. stages "RTL2831UBDA.inf", "RTL2831UBDA.sys", "RTL2831UUSB.sys" and
//     "Coldrune.dll" from the program's folder into "Tarnvik DVB-T Driver\"
//     under the temporary folder (created first), overwriting staged copies
//     (a read-only staged copy is made writable first) and stopping at the
//     first copy that fails;
//  2. only when all four were staged: binds the device-setup functions,
//     updates the driver of present devices for both hardware IDs (the second
//     whatever the first gave), pre-installs the staged INF, removes both
//     stale device keys when no device was updated, and unbinds;
//  3. with its strings freed and the libraries unbound, hides the progress
//     item (IDC_PROGRESS), stops the busy indicator, shows the one result
//     message and, as its last act, closes the window.
// Every step, with its inputs and outcome, is appended to install.log in the
// staging folder (and to the options' extra log) as it happens.
// A temporary path that does not fit leaves the staging folder relative to
// the current folder; a program folder that cannot be had (the owner fails,
// or its path does not fit) is empty, so the copies take bare file names.
// Returns the outcome's exit code (OutcomeExitCode; failed for a null owner).
int InstallSequence(INT_PTR owner, INT_PTR options);

#endif  // INSTALLER_INSTALL_SEQUENCE_H_
