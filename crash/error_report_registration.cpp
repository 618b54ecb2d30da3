#include "crash/error_report_registration.h"

ErrorReportRegistration::ErrorReportRegistration() : registerFile("WerRegisterFile") {}

void ErrorReportRegistration::Load() {
  if (kernel.Loaded()) return;
  kernel.Load("kernel32.dll");
  restartManager.Load("rstrtmgr.dll");
  registerFile.Resolve(kernel);
}

int ErrorReportRegistration::RegisterFile(const char* path) {
  WerRegisterFileFunction* function = registerFile.Resolve(kernel);
  if (!function || !path) return 0;
  // A stack buffer: the crash path avoids the process heap.
  WCHAR wide[MAX_PATH * 2];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2)) return 0;
  const int kOtherFile = 2;         // WerRegFileTypeOther
  const DWORD kAnonymousData = 2;   // WER_FILE_ANONYMOUS_DATA
  return function(wide, kOtherFile, kAnonymousData) >= 0;
}
