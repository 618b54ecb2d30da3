// Shared by the fakes of platform libraries that tests put beside a program
// in place of Wine's own (see fake_folder.h for how they are made to load).
// Each recorded call is one line of the file named by FAKE_LOG.
#ifndef TESTS_FAKES_FAKE_LOG_H_
#define TESTS_FAKES_FAKE_LOG_H_

#include <windows.h>

// Exports come under their plain names (the fakes link with --kill-at).
#define FAKE_EXPORT extern "C" __declspec(dllexport)

// Appends one formatted line (at most 2 KiB) to FAKE_LOG.
void FakeLog(const char* format, ...);

#endif  // TESTS_FAKES_FAKE_LOG_H_
