#include "coinstaller/process_enumeration.h"

#include <string.h>

#include "base/text_string.h"
#include "base/owned_handle.h"

namespace {

const DWORD kFirstIdBufferBytes = 4096;
// Room for a full 260-byte path and its terminator.
const unsigned kNameBytes = MAX_PATH + 1;

// A block of the process heap, freed on every path out.
class IdBuffer {
 public:
  IdBuffer() : ids(nullptr) {}
  ~IdBuffer() { Free(); }
  IdBuffer(const IdBuffer&) = delete;
  IdBuffer& operator=(const IdBuffer&) = delete;

  // Replaces the block with one of `bytes`; 1 on success.
  int Allocate(DWORD bytes) {
    Free();
    ids = static_cast<DWORD*>(HeapAlloc(GetProcessHeap(), 0, bytes));
    return ids != nullptr;
  }
  DWORD* Ids() const { return ids; }

 private:
  void Free() {
    if (ids) HeapFree(GetProcessHeap(), 0, ids);
    ids = nullptr;
  }

  DWORD* ids;
};

// Fills `ids` with the running process ids, doubling the buffer while the
// answer fills it. The number of ids, or -1 on failure.
long CollectIds(const ProcessStatusApi& api, IdBuffer& ids) {
  DWORD bytes = kFirstIdBufferBytes;
  for (;;) {
    DWORD returned = 0;
    if (!ids.Allocate(bytes) || !api.enumProcesses(ids.Ids(), bytes, &returned)) return -1;
    if (returned != bytes) return static_cast<long>((returned < bytes ? returned : bytes) / sizeof(DWORD));
    if (bytes > MAXDWORD / 2) return -1;
    bytes *= 2;
  }
}

// The full path of the process's first module into `name`, which is left
// empty when the process cannot be opened or read.
void ReadMainModulePath(const ProcessStatusApi& api, DWORD id, TextString& name) {
  name.Truncate(0);
  OwnedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
  if (!process.Valid()) return;
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (!api.enumProcessModules(process.Get(), &module, sizeof(module), &needed)) return;
  DWORD room = static_cast<DWORD>(name.Capacity());
  if (room > MAX_PATH) room = MAX_PATH;
  if (!name.Buffer() || !room) return;
  DWORD got = api.getModuleFileNameExA(process.Get(), module, name.Buffer(), room);
  // A path that fills the room comes back unterminated.
  name.Buffer()[got < room ? got : room] = 0;
  name.Recount();
}

struct TaskWalk {
  ProcessCallback callback;
  void* context;
  int stopped;
};

// The task enumerator's convention is the reverse of ours: TRUE stops it.
BOOL WINAPI ReportTask(DWORD, WORD, WORD task, PSZ, PSZ fileName, LPARAM param) {
  TaskWalk* walk = reinterpret_cast<TaskWalk*>(param);
  if (walk->callback(fileName ? fileName : "", task, kMethodDosTask, walk->context)) return FALSE;
  walk->stopped = 1;
  return TRUE;
}

const char* TextOf(const TextString& text) { return text.Buffer() ? text.Buffer() : ""; }

int EnumerateByProcessStatus(ProcessCallback callback, int flags, void* context) {
  enum { kPsapi, kVdmdbg };
  LibraryHandle libraries[2];
  if (!libraries[kPsapi].Load("psapi.dll")) return 0;
  ProcessStatusApi api;
  if (libraries[kVdmdbg].Load("vdmdbg.dll")) api.vdmEnumTaskWOWEx.Bind(libraries[kVdmdbg], "VDMEnumTaskWOWEx");
  const ProcBinding rows[] = {
      {kPsapi, "EnumProcesses", api.enumProcesses.Storage()},
      {kPsapi, "EnumProcessModules", api.enumProcessModules.Storage()},
      {kPsapi, "GetModuleFileNameExA", api.getModuleFileNameExA.Storage()},
  };
  if (!BindChain(libraries, rows, sizeof(rows) / sizeof(rows[0]))) return 0;
  return WalkProcessStatus(api, callback, flags, context);
}

// Tool help lives in kernel32 from Windows 95 on but not in NT 4.0.
int EnumerateByToolHelp(ProcessCallback callback, void* context) {
  LibraryHandle kernel;
  if (!kernel.Load("kernel32.dll")) return 0;
  ToolHelpApi api;
  const ProcBinding rows[] = {
      {0, "CreateToolhelp32Snapshot", api.createToolhelp32Snapshot.Storage()},
      {0, "Process32First", api.process32First.Storage()},
      {0, "Process32Next", api.process32Next.Storage()},
  };
  if (!BindChain(&kernel, rows, sizeof(rows) / sizeof(rows[0]))) return 0;
  return WalkToolHelp(api, callback, context);
}

}  // namespace

int UsesProcessStatus(OsKindWord kind, int vistaOrLater) { return (kind & kOsNt) && !vistaOrLater; }

int IsNtvdmPath(const char* name) {
  static const char kTail[] = "ntvdm.exe";
  const size_t tailLength = sizeof(kTail) - 1;
  if (!name) return 0;
  size_t length = strlen(name);
  return length >= tailLength && lstrcmpiA(name + length - tailLength, kTail) == 0;
}

int EnumerateProcesses(ProcessCallback callback, int flags, void* context) {
  if (UsesProcessStatus(ClassifyOs(), IsOsAtLeast(kOsVista))) return EnumerateByProcessStatus(callback, flags, context);
  return EnumerateByToolHelp(callback, context);
}

int WalkProcessStatus(const ProcessStatusApi& api, ProcessCallback callback, int flags, void* context) {
  IdBuffer ids;
  long count = CollectIds(api, ids);
  if (count < 0) return 0;
  TextString name(kNameBytes);
  int result = 0;
  for (long i = 0; i < count; ++i) {
    DWORD id = ids.Ids()[i];
    ReadMainModulePath(api, id, name);
    result = callback(TextOf(name), id, kMethodProcessStatus, context);
    if (!result) break;
    if ((flags & kSkipDosTasks) || !api.vdmEnumTaskWOWEx || !IsNtvdmPath(TextOf(name))) continue;
    TaskWalk walk = {callback, context, 0};
    api.vdmEnumTaskWOWEx(id, ReportTask, reinterpret_cast<LPARAM>(&walk));
    if (walk.stopped) break;
  }
  return result;
}

int WalkToolHelp(const ToolHelpApi& api, ProcessCallback callback, void* context) {
  OwnedHandle snapshot(api.createToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.Valid()) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  if (!api.process32First(snapshot.Get(), &entry)) return 0;
  // The entry's name need not be terminated: copy at most its 260 bytes.
  TextString name(kNameBytes);
  int result;
  do {
    name.AssignN(entry.szExeFile, sizeof(entry.szExeFile));
    result = callback(TextOf(name), entry.th32ProcessID, kMethodToolHelp, context);
  } while (result && api.process32Next(snapshot.Get(), &entry));
  return result;
}
