// Registers a file with the platform's error reporting, so that a report it
// sends carries the file. WerRegisterFile exists from Windows Vista on.
#ifndef CRASH_ERROR_REPORT_REGISTRATION_H_
#define CRASH_ERROR_REPORT_REGISTRATION_H_

#include <windows.h>

#include "base/library_handle.h"

typedef HRESULT WINAPI WerRegisterFileFunction(PCWSTR, int, DWORD);

class ErrorReportRegistration {
 public:
  // Loads nothing until Load.
  ErrorReportRegistration();
  // Loads kernel32 and rstrtmgr and looks WerRegisterFile up; a miss is
  // looked up again on use.
  void Load();
  ErrorReportRegistration(const ErrorReportRegistration&) = delete;
  ErrorReportRegistration& operator=(const ErrorReportRegistration&) = delete;
  // 1 when WerRegisterFile exists and accepted `path` as anonymous other data.
  int RegisterFile(const char* path);

 private:
  LibraryHandle kernel;
  LibraryHandle restartManager;
  LazyProc<WerRegisterFileFunction> registerFile;
};

#endif  // CRASH_ERROR_REPORT_REGISTRATION_H_
