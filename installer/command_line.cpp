#include "installer/command_line.h"

#include <string.h>

const char kUsageText[] =
    "Usage: Bramcot.exe [/quiet] [/log FILE]\n\n"
    "/quiet\tinstalls without a window or message\n"
    "/log FILE\talso appends the install log to FILE\n"
    "/?\tshows this text\n\n"
    "Exit codes with /quiet: 0 installed, 2 pre-installed (connect the device), "
    "1 failed, 1639 bad command line.\n"
    "Every run appends its log to install.log in the staging folder "
    "(%TEMP%\\Tarnvik DVB-T Driver).";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The next argument at *cursor into `token` of `size` bytes, its double
// quotes removed; *cut is set when it did not fit. 0 at the end of the line.
int NextArgument(const char** cursor, char* token, size_t size, int* cut) {
  const char* p = *cursor;
  while (IsBlank(*p)) ++p;
  *cut = 0;
  if (!*p) return *cursor = p, 0;
  size_t length = 0;
  for (int quoted = 0; *p && (quoted || !IsBlank(*p)); ++p) {
    if (*p == '"')
      quoted = !quoted;
    else if (length + 1 < size)
      token[length++] = *p;
    else
      *cut = 1;
  }
  token[length] = 0;
  *cursor = p;
  return 1;
}

bool IsSwitch(const char* token, const char* name) {
  return (token[0] == '/' || token[0] == '-') && lstrcmpiA(token + 1, name) == 0;
}

// Keeps the first argument not understood, cut to the field.
void MarkBad(CommandLine* result, const char* argument) {
  if (result->badArgument[0]) return;
  lstrcpynA(result->badArgument, argument[0] ? argument : "\"\"", sizeof(result->badArgument));
}

}  // namespace

void ParseCommandLine(const char* line, CommandLine* result) {
  memset(result, 0, sizeof(*result));
  int usage = 0;
  int logGiven = 0;
  char token[MAX_PATH + 1];
  int cut = 0;
  // Every argument is read, so that /quiet is known even on a bad line.
  for (const char* cursor = line ? line : ""; NextArgument(&cursor, token, sizeof(token), &cut);) {
    if (IsSwitch(token, "quiet") && !result->quiet) {
      result->quiet = 1;
    } else if (IsSwitch(token, "?") && !usage) {
      usage = 1;
    } else if (IsSwitch(token, "log") && !logGiven) {
      logGiven = 1;
      if (!NextArgument(&cursor, token, sizeof(token), &cut) || !token[0] || cut || strlen(token) >= MAX_PATH)
        MarkBad(result, "/log");
      else
        memcpy(result->logFile, token, strlen(token) + 1);
    } else {
      MarkBad(result, token);
    }
  }
  if (result->badArgument[0]) {
    result->mode = CommandLine::kBad;
    result->logFile[0] = 0;
  } else if (usage) {
    result->mode = CommandLine::kUsage;
  } else {
    result->mode = result->quiet ? CommandLine::kQuiet : CommandLine::kDialog;
  }
}

int OutcomeExitCode(int succeeded, int deviceUpdated) {
  if (!succeeded) return kExitFailed;
  return deviceUpdated ? kExitInstalled : kExitPreInstalled;
}
