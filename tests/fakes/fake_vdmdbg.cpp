// vdmdbg.dll with two 16-bit tasks in every process it is asked about:
// "C:\WINDOWS\TASKONE.EXE" (task 0x2A1) and "C:\WINDOWS\TASKTWO.EXE" (task
// 0x2B2). Records each walk as "vdmdbg.VDMEnumTaskWOWEx <process id>".
#include <windows.h>
#include <vdmdbg.h>

#include "fakes/fake_log.h"

FAKE_EXPORT INT WINAPI VDMEnumTaskWOWEx(DWORD dwProcessId, TASKENUMPROCEX fp, LPARAM lparam) {
  FakeLog("vdmdbg.VDMEnumTaskWOWEx %lu", dwProcessId);
  static const struct {
    WORD module;
    WORD task;
    const char* moduleName;
    const char* fileName;
  } tasks[] = {
      {0x11, 0x2A1, "TASKONE", "C:\\WINDOWS\\TASKONE.EXE"},
      {0x12, 0x2B2, "TASKTWO", "C:\\WINDOWS\\TASKTWO.EXE"},
  };
  INT reported = 0;
  for (const auto& task : tasks) {
    ++reported;
    // As the platform's: TRUE from the callback ends the walk.
    if (fp(0, task.module, task.task, const_cast<PSZ>(task.moduleName), const_cast<PSZ>(task.fileName), lparam))
      break;
  }
  return reported;
}
