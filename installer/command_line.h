// The installer's command line, read by a pure function so that every form
// can be tried without starting the program.
//
//   Bramcot.exe                  the dialog, as ever
//   Bramcot.exe /quiet           the install without a window or message
//   Bramcot.exe /log FILE        the install log also appended to FILE
//   Bramcot.exe /?               the usage in a message box
//
// Switches may start with '/' or '-' and are matched without regard to case;
// a FILE with spaces is put in double quotes.
#ifndef INSTALLER_COMMAND_LINE_H_
#define INSTALLER_COMMAND_LINE_H_

#include <windows.h>

// Exit codes of a run with /quiet, and of the usage runs. The dialog, when
// it runs, ends with 0 whatever the outcome.
enum ExitCode {
  kExitInstalled = 0,     // the driver was bound to a present receiver
  kExitFailed = 1,        // neither bound nor pre-installed
  kExitPreInstalled = 2,  // pre-installed: the receiver is to be connected
  kExitUsage = 0,         // /? answered
  kExitBadCommandLine = 1639,  // ERROR_INVALID_COMMAND_LINE
};

struct CommandLine {
  enum Mode { kDialog, kQuiet, kUsage, kBad };
  Mode mode;
  int quiet;                // /quiet was given (also when the line is bad)
  char logFile[MAX_PATH];   // empty when /log was not given
  char badArgument[64];     // the first argument not understood, cut to fit
};

// Reads the arguments after the program's name (WinMain's command line; null
// counts as empty). A switch that is unknown or repeated, /log without a
// file or with one of MAX_PATH characters or more, or a stray argument
// makes the line bad; /? wins over /quiet.
void ParseCommandLine(const char* line, CommandLine* result);

// The exit code of a /quiet run for its outcome.
int OutcomeExitCode(int succeeded, int deviceUpdated);

// The usage message, and its caption is the result messages' one.
extern const char kUsageText[];

#endif  // INSTALLER_COMMAND_LINE_H_
