// Shared by the recording fakes of the platform's device-setup libraries
// (newdev.dll, setupapi.dll, cfgmgr32.dll) that tests put beside a program in
// place of Wine's own. A DLL in a program's folder is loaded before the
// system's one, so copying a fake there is enough.
//
// Environment of the process that loads a fake:
//   FAKE_LOG              file to which every recorded call appends one line
//   FAKE_NEWDEV_ANSWER    what UpdateDriverForPlugAndPlayDevicesA returns:
//                         "TRUE", "FALSE" (also when unset), a decimal number
//                         returned as is, or a list of hardware IDs separated
//                         by ';' that get TRUE (case-insensitive; others FALSE)
//   FAKE_NEWDEV_ENTERED   name of an event the fake sets when a call starts
//   FAKE_NEWDEV_BLOCK     name of an event the fake waits for (up to 5 min)
//                         before it answers
//   FAKE_SETUPAPI_ANSWER  what SetupCopyOEMInfA returns: "TRUE", "FALSE" (also
//                         when unset) or a decimal number
//   FAKE_SETUPAPI_HARDWARE_ID  the bytes SetupDiGetDeviceRegistryPropertyA
//                         gives for any property, without a terminator, as
//                         a registry value stored without one comes back
//                         (fails when unset or longer than the buffer)
#ifndef TESTS_FAKES_FAKE_LOG_H_
#define TESTS_FAKES_FAKE_LOG_H_

#include <windows.h>

#include "fakes/fake_stub.h"

// Appends one formatted line (at most 2 KiB) to FAKE_LOG.
void FakeLog(const char* format, ...);

// "null" for a null string, else the text in double quotes, into `out`.
const char* FakeQuote(const char* text, char* out, size_t size);

// The answer named by environment variable `variable` for `hardwareId`
// (which may be null when the answer cannot be a list).
BOOL FakeAnswer(const char* variable, const char* hardwareId);

// Sets the event named by `entered`, then waits for the one named by `block`
// when they are set in the environment.
void FakeSignalAndWait(const char* entered, const char* block);

#endif  // TESTS_FAKES_FAKE_LOG_H_
