// Starting other programs: through the shell without waiting, or with a
// wait for their end.
#ifndef COINSTALLER_PROGRAM_LAUNCHER_H_
#define COINSTALLER_PROGRAM_LAUNCHER_H_

#include <windows.h>

// Starts `program` with the shell's default verb, `parameters` (may be null),
// working directory `directory` (may be null) and show state `show`
// (SW_...). Returns at once: 1 when ShellExecuteExA succeeded, else 0. The
// shell shows its own error message on failure.
int ShellRun(const char* program, const char* parameters, const char* directory, int show);

// Starts `program` and blocks the calling thread, without time limit, until
// it has ended. A path containing ".exe" (exact case) goes through
// ShellExecuteExA ("open", mask `extraMask` | SEE_MASK_NOCLOSEPROCESS; the
// shell's error message is not suppressed); any other path through
// CreateProcessA with `parameters` alone as the command line,
// CREATE_NEW_PROCESS_GROUP and the show state. With `pump` 1 the thread
// keeps dispatching its window messages while it waits; otherwise it waits
// alertably. When `exitCode` is non-null it receives the program's exit code.
// 1 when the program was started (and has ended); 0 when it could not be
// started, or the shell gave no process handle, with *exitCode untouched.
int RunAndWait(const char* program, const char* parameters, const char* directory, int show,
               DWORD extraMask, DWORD* exitCode, int pump);

#endif  // COINSTALLER_PROGRAM_LAUNCHER_H_
