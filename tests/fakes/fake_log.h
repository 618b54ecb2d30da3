// Shared by the fakes of platform libraries that tests put beside a program
// in place of Wine's own (see fake_folder.h for how they are made to load).
// Each recorded call is one line of the file named by FAKE_LOG.
#ifndef TESTS_FAKES_FAKE_LOG_H_
#define TESTS_FAKES_FAKE_LOG_H_

#include <windows.h>

// Exports come under their plain names (the fakes link with --kill-at). A
// stub exists only to be bound, never called: each returns a number of its
// own, so that no two share an address.
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#define FAKE_STUB(name) FAKE_EXPORT int name(void) { return __COUNTER__; }

// Appends one formatted line (at most 2 KiB) to FAKE_LOG.
void FakeLog(const char* format, ...);

#endif  // TESTS_FAKES_FAKE_LOG_H_
