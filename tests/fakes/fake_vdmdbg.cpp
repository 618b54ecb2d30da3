// vdmdbg.dll with two 16-bit tasks in every process it is asked about:
// "C:\WINDOWS\TASKONE.EXE" (task 0x2A1) and "C:\WINDOWS\TASKTWO.EXE" (task
// 0x2B2). Records each walk as "vdmdbg.VDMEnumTaskWOWEx <process id>".
#include <windows.h>
#include <vdmdbg.h>

#include "fakes/fake_log.h"

FAKE_EXPORT INT WINAPI VDMEnumTaskWOWEx(DWORD dwProcessId, TASKENUMPROCEX fp, LPARAM lparam) {
  FakeLog("vdmdbg.VDMEnumTaskWOWEx %lu", dwProcessId);
  char one[] = "TASKONE", oneFile[] = "C:\\WINDOWS\\TASKONE.EXE", two[] = "TASKTWO", twoFile[] = "C:\\WINDOWS\\TASKTWO.EXE";
  // As the platform's: TRUE from the callback ends the walk.
  if (!fp(0, 0x11, 0x2A1, one, oneFile, lparam)) fp(0, 0x12, 0x2B2, two, twoFile, lparam);
  return 2;
}
