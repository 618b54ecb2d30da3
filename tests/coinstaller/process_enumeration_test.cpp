#include "coinstaller/process_enumeration.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/fake_folder.h"
#include "coinstaller/handle_count.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

template <typename F>
void Put(ProcSlot<F>& slot, F* function) {
  *slot.Storage() = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct Report {
  std::string name;
  DWORD id;
  int method;
};

struct Recorder {
  std::vector<Report> reports;
  size_t stopAt = 0;  // 0 at the stopAt-th report; 0 never
  bool stopOnTask = false;
};

int Record(const char* name, DWORD id, int method, void* context) {
  Recorder* recorder = static_cast<Recorder*>(context);
  recorder->reports.push_back({name, id, method});
  if (recorder->stopAt && recorder->reports.size() == recorder->stopAt) return 0;
  return !(recorder->stopOnTask && method == kMethodDosTask);
}

DWORD HandleCount() { return OwnHandleCount(); }

#define REQUIRE_HANDLE_COUNT() \
  if (!HandleCountWorks()) GTEST_SKIP() << "the system's handle list does not count handles here"

// ---------------------------------------------------------------------------
// Process-status method over functions of the test's own.

struct StatusFake {
  std::vector<DWORD> ids;
  bool fail = false;
  std::vector<DWORD> sizesAsked;
  std::string moduleName;
  DWORD modulesRoom = 0;
  DWORD nameRoom = 0;
  std::vector<DWORD> taskWalks;
} statusFake;

BOOL WINAPI FakeEnumProcesses(DWORD* ids, DWORD bytes, DWORD* returned) {
  statusFake.sizesAsked.push_back(bytes);
  if (statusFake.fail) return FALSE;
  DWORD filled = std::min<DWORD>(bytes, statusFake.ids.size() * sizeof(DWORD));
  memcpy(ids, statusFake.ids.data(), filled);
  *returned = filled;
  return TRUE;
}

BOOL WINAPI FakeEnumProcessModules(HANDLE, HMODULE* modules, DWORD bytes, DWORD* needed) {
  statusFake.modulesRoom = bytes;
  modules[0] = GetModuleHandleA(nullptr);
  *needed = 3 * sizeof(HMODULE);
  return TRUE;
}

// As Windows XP: a name that fills the room comes back unterminated.
DWORD WINAPI FakeGetModuleFileNameExA(HANDLE, HMODULE, LPSTR name, DWORD room) {
  statusFake.nameRoom = room;
  DWORD length = static_cast<DWORD>(statusFake.moduleName.size());
  DWORD copied = std::min(length, room);
  memcpy(name, statusFake.moduleName.data(), copied);
  if (copied < room) name[copied] = 0;
  return copied;
}

INT WINAPI FakeVdmEnumTaskWOWEx(DWORD process, TASKENUMPROCEX report, LPARAM param) {
  statusFake.taskWalks.push_back(process);
  char one[] = "C:\\WINDOWS\\TASKONE.EXE", two[] = "C:\\WINDOWS\\TASKTWO.EXE", module[] = "M";
  if (report(0, 1, 0x2A1, module, one, param)) return 1;
  report(0, 2, 0x2B2, module, two, param);
  return 2;
}

ProcessStatusApi StatusApi(bool withTasks) {
  statusFake.sizesAsked.clear();
  statusFake.taskWalks.clear();
  ProcessStatusApi api;
  Put(api.enumProcesses, FakeEnumProcesses);
  Put(api.enumProcessModules, FakeEnumProcessModules);
  Put(api.getModuleFileNameExA, FakeGetModuleFileNameExA);
  if (withTasks) Put(api.vdmEnumTaskWOWEx, FakeVdmEnumTaskWOWEx);
  return api;
}

// Ids no process has, so that they are reported with an empty name.
std::vector<DWORD> UnusedIds(size_t count) {
  std::vector<DWORD> ids;
  for (size_t i = 0; i < count; ++i) ids.push_back(0x7FF00001u + 2 * i);
  return ids;
}

TEST(ProcessStatusWalk, GrowsTheIdBufferUntilTheAnswerFits) {
  const struct {
    long ids;  // -1: the query fails
    std::vector<DWORD> sizes;
  } cases[] = {
      {10, {4096}}, {1023, {4096}}, {1024, {4096, 8192}}, {3000, {4096, 8192, 16384}}, {0, {4096}}, {-1, {4096}},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    statusFake.fail = cases[i].ids < 0;
    statusFake.ids = UnusedIds(cases[i].ids < 0 ? 0 : cases[i].ids);
    ProcessStatusApi api = StatusApi(true);
    Recorder recorder;
    int result = WalkProcessStatus(api, Record, 0, &recorder);
    EXPECT_EQ(cases[i].sizes, statusFake.sizesAsked);
    EXPECT_EQ(cases[i].ids > 0 ? 1 : 0, result);
    ASSERT_EQ(statusFake.ids.size(), recorder.reports.size());
    for (size_t k = 0; k < recorder.reports.size(); ++k) {
      ASSERT_EQ(statusFake.ids[k], recorder.reports[k].id) << "report " << k;
      ASSERT_EQ("", recorder.reports[k].name);
      ASSERT_EQ(kMethodProcessStatus, recorder.reports[k].method);
    }
  }
  statusFake.fail = false;
}

TEST(ProcessStatusWalk, ReportsTheMainModulePathWithinItsRoom) {
  const size_t lengths[] = {10, 259, 260, 300};
  for (size_t length : lengths) {
    SCOPED_TRACE(testing::Message() << "name of " << length << " bytes");
    statusFake.moduleName = "C:\\";
    for (size_t k = 3; k < length; ++k) statusFake.moduleName += static_cast<char>('a' + k % 26);
    statusFake.ids = {GetCurrentProcessId(), UnusedIds(1)[0]};
    ProcessStatusApi api = StatusApi(false);
    Recorder recorder;
    EXPECT_EQ(1, WalkProcessStatus(api, Record, 0, &recorder));
    EXPECT_EQ(sizeof(HMODULE), statusFake.modulesRoom);
    EXPECT_EQ(260u, statusFake.nameRoom);
    ASSERT_EQ(2u, recorder.reports.size());
    EXPECT_EQ(statusFake.moduleName.substr(0, 260), recorder.reports[0].name);
    EXPECT_EQ("", recorder.reports[1].name) << "a process that cannot be opened has no name";
  }
}

TEST(ProcessStatusWalk, DosTasksFollowTheirNtvdmProcess) {
  const DWORD self = GetCurrentProcessId();
  const DWORD unused = UnusedIds(1)[0];
  const struct {
    const char* name;
    int flags;
    bool withTasks;
    bool walked;
  } cases[] = {
      {"C:\\WINNT\\system32\\ntvdm.exe", 0, true, true},
      {"C:\\WINNT\\SYSTEM32\\NTVDM.EXE", 0, true, true},
      {"ntvdm.exe", 0, true, true},
      {"C:\\WINNT\\system32\\ntvdm.exe", kSkipDosTasks, true, false},
      {"C:\\WINNT\\system32\\ntvdm.exe", 0, false, false},
      {"C:\\WINNT\\system32\\ntvdm.exe.old", 0, true, false},
      {"tvdm.exe", 0, true, false},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.name);
    statusFake.moduleName = c.name;
    statusFake.ids = {self, unused};
    ProcessStatusApi api = StatusApi(c.withTasks);
    Recorder recorder;
    EXPECT_EQ(1, WalkProcessStatus(api, Record, c.flags, &recorder));
    std::vector<std::string> seen;
    for (const Report& r : recorder.reports) {
      char line[400];
      snprintf(line, sizeof(line), "%d %lX %s", r.method, r.id, r.name.c_str());
      seen.push_back(line);
    }
    char first[400], last[40];
    snprintf(first, sizeof(first), "1 %lX %s", self, c.name);
    snprintf(last, sizeof(last), "1 %lX ", unused);
    std::vector<std::string> expected = {first};
    if (c.walked) {
      expected.push_back("5 2A1 C:\\WINDOWS\\TASKONE.EXE");
      expected.push_back("5 2B2 C:\\WINDOWS\\TASKTWO.EXE");
    }
    expected.push_back(last);
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(c.walked ? std::vector<DWORD>{self} : std::vector<DWORD>{}, statusFake.taskWalks);
  }
}

TEST(ProcessStatusWalk, StopsWhereTheCallbackSaysSo) {
  statusFake.moduleName = "C:\\WINNT\\system32\\ntvdm.exe";
  statusFake.ids = {GetCurrentProcessId(), UnusedIds(1)[0]};
  {
    ProcessStatusApi api = StatusApi(true);
    Recorder recorder;
    recorder.stopAt = 1;
    EXPECT_EQ(0, WalkProcessStatus(api, Record, 0, &recorder));
    EXPECT_EQ(1u, recorder.reports.size());
    EXPECT_TRUE(statusFake.taskWalks.empty());
  }
  {
    // A task's 0 ends everything; the result stays the process's.
    ProcessStatusApi api = StatusApi(true);
    Recorder recorder;
    recorder.stopOnTask = true;
    EXPECT_EQ(1, WalkProcessStatus(api, Record, 0, &recorder));
    ASSERT_EQ(2u, recorder.reports.size());
    EXPECT_EQ(0x2A1u, recorder.reports[1].id);
  }
}

size_t BusyHeapBlocks() {
  HANDLE heap = GetProcessHeap();
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry = {};
  size_t busy = 0;
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
  HeapUnlock(heap);
  return busy;
}

TEST(ProcessStatusWalk, ReleasesBufferAndHandlesOnEveryPath) {
  size_t before = BusyHeapBlocks();
  void* probe = HeapAlloc(GetProcessHeap(), 0, 4096);
  size_t during = BusyHeapBlocks();
  HeapFree(GetProcessHeap(), 0, probe);
  if (during != before + 1) GTEST_SKIP() << "HeapWalk does not show the process heap's blocks here";

  const struct {
    bool fail;
    size_t ids;
  } cases[] = {{true, 0}, {false, 3000}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    statusFake.fail = cases[i].fail;
    statusFake.ids = UnusedIds(cases[i].ids);
    ProcessStatusApi api = StatusApi(false);
    Recorder recorder;
    recorder.reports.reserve(200 * cases[i].ids);
    before = BusyHeapBlocks();
    for (int run = 0; run < 200; ++run) WalkProcessStatus(api, Record, 0, &recorder);
    EXPECT_LT(BusyHeapBlocks(), before + 50);
  }
  statusFake.fail = false;

  REQUIRE_HANDLE_COUNT();
  statusFake.moduleName = "C:\\x.exe";
  statusFake.ids = std::vector<DWORD>(100, GetCurrentProcessId());
  ProcessStatusApi api = StatusApi(false);
  Recorder recorder;
  DWORD handles = HandleCount();
  EXPECT_EQ(1, WalkProcessStatus(api, Record, 0, &recorder));
  EXPECT_EQ(100u, recorder.reports.size());
  EXPECT_EQ(handles, HandleCount()) << "a process handle was left open";
}

// ---------------------------------------------------------------------------
// Tool-help method over functions of the test's own.

struct ToolHelpFake {
  bool invalid = false;
  bool failFirst = false;
  std::vector<std::string> names;
  size_t next = 0;
  DWORD flagsAsked = 0;
  DWORD sizeSeen = 0;
  HANDLE snapshot = nullptr;
} toolFake;

HANDLE WINAPI FakeSnapshot(DWORD flags, DWORD) {
  toolFake.flagsAsked = flags;
  if (toolFake.invalid) return INVALID_HANDLE_VALUE;
  toolFake.snapshot = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return toolFake.snapshot;
}

BOOL Fill(LPPROCESSENTRY32 entry) {
  if (toolFake.next >= toolFake.names.size()) return FALSE;
  const std::string& name = toolFake.names[toolFake.next];
  memset(entry->szExeFile, 0, sizeof(entry->szExeFile));
  memcpy(entry->szExeFile, name.data(), std::min(name.size(), sizeof(entry->szExeFile)));
  entry->th32ProcessID = static_cast<DWORD>(100 + toolFake.next++);
  return TRUE;
}

BOOL WINAPI FakeFirst(HANDLE, LPPROCESSENTRY32 entry) {
  toolFake.sizeSeen = entry->dwSize;
  toolFake.next = 0;
  return toolFake.failFirst ? FALSE : Fill(entry);
}

BOOL WINAPI FakeNext(HANDLE, LPPROCESSENTRY32 entry) { return Fill(entry); }

TEST(ToolHelpWalk, ReportsEntriesAndAlwaysClosesTheSnapshot) {
  REQUIRE_HANDLE_COUNT();
  const std::string full(260, 'N');  // fills szExeFile without a terminator
  const struct {
    bool invalid;
    bool failFirst;
    std::vector<std::string> names;
    size_t stopAt;
    int result;
    size_t reports;
  } cases[] = {
      {false, false, {"a.exe", "b.exe", "c.exe"}, 0, 1, 3},
      {false, false, {"a.exe", "b.exe", "c.exe"}, 1, 0, 1},
      {false, false, {"a.exe", "b.exe", "c.exe"}, 2, 0, 2},
      {false, true, {"a.exe"}, 0, 0, 0},
      {true, false, {"a.exe"}, 0, 0, 0},
      {false, false, {full, "b.exe"}, 0, 1, 2},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    toolFake.invalid = c.invalid;
    toolFake.failFirst = c.failFirst;
    toolFake.names = c.names;
    toolFake.snapshot = nullptr;
    ToolHelpApi api;
    Put(api.createToolhelp32Snapshot, FakeSnapshot);
    Put(api.process32First, FakeFirst);
    Put(api.process32Next, FakeNext);
    Recorder recorder;
    recorder.stopAt = c.stopAt;
    DWORD handles = HandleCount();
    EXPECT_EQ(c.result, WalkToolHelp(api, Record, &recorder));
    EXPECT_EQ(handles, HandleCount()) << "the snapshot was left open";
    DWORD info;
    if (toolFake.snapshot) {
      EXPECT_FALSE(GetHandleInformation(toolFake.snapshot, &info)) << "the snapshot was left open";
    }
    EXPECT_EQ(static_cast<DWORD>(TH32CS_SNAPPROCESS), toolFake.flagsAsked);
    if (!c.invalid) {
      EXPECT_EQ(sizeof(PROCESSENTRY32), toolFake.sizeSeen);
    }
    ASSERT_EQ(c.reports, recorder.reports.size());
    for (size_t k = 0; k < c.reports; ++k) {
      EXPECT_EQ(c.names[k], recorder.reports[k].name);
      EXPECT_EQ(100 + k, recorder.reports[k].id);
      EXPECT_EQ(kMethodToolHelp, recorder.reports[k].method);
    }
  }
}

// ---------------------------------------------------------------------------
// The real enumeration in probe programs under Wine's version emulation.

struct ProbeRun {
  std::vector<Report> reports;
  int result = -1;
  DWORD handlesBefore = 0, handlesAfter = 1;
};

bool ParseProbe(const std::string& path, ProbeRun* run) {
  for (const std::string& line : ReadLines(path)) {
    int method = 0, used = 0;
    unsigned long id = 0;
    if (sscanf(line.c_str(), "result %d", &run->result) == 1) continue;
    if (sscanf(line.c_str(), "handles %lu %lu", &run->handlesBefore, &run->handlesAfter) == 2) continue;
    if (sscanf(line.c_str(), "%d %lu %n", &method, &id, &used) < 2) return false;
    std::string name = line.size() > static_cast<size_t>(used) ? line.substr(used) : "";
    if (line.size() == static_cast<size_t>(used) - 1) name.clear();
    run->reports.push_back({name, static_cast<DWORD>(id), method});
  }
  return run->result != -1;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// A started copy of the stub that sleeps until terminated.
class SleepingStub {
 public:
  explicit SleepingStub(const std::string& path) : info() {
    CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), path.c_str(), FALSE);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string line = "\"" + path + "\" sleep=120000";
    CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    if (info.hProcess) WaitForInputIdle(info.hProcess, 2000);
  }
  ~SleepingStub() {
    if (!info.hProcess) return;
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  DWORD Id() const { return info.dwProcessId; }

 private:
  PROCESS_INFORMATION info;
};

const Report* FindId(const ProbeRun& run, DWORD id) {
  for (const Report& r : run.reports)
    if (r.id == id && r.method != kMethodDosTask) return &r;
  return nullptr;
}

TEST(EnumerateProcesses, MethodAndNamesFollowTheVersion) {
  ScratchFolder folder;
  CreateDirectoryA(folder.File("Vask").c_str(), nullptr);
  SleepingStub stub(folder.File("Vask\\vaskstub.exe"));
  ASSERT_NE(0u, stub.Id());
  const struct {
    const char* version;
    int method;
    size_t stopAt;
  } cases[] = {
      {"winxp", kMethodProcessStatus, 0}, {"win2k", kMethodProcessStatus, 0}, {"vista", kMethodToolHelp, 0},
      {"win98", kMethodToolHelp, 0},      {"winxp", kMethodProcessStatus, 1}, {"vista", kMethodToolHelp, 1},
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.version << " stop at " << c.stopAt);
    std::string exe = "procprobe_" + std::string(c.version) + std::to_string(i) + ".exe";
    ASSERT_TRUE(CopyFileA(BuildPath("testbin\\process_probe.exe").c_str(), folder.File(exe).c_str(), FALSE));
    SetEmulatedVersion(exe, c.version);
    std::string out = folder.File(std::to_string(i) + ".txt");
    DWORD code = 1;
    bool ended = RunProgram("\"" + folder.File(exe) + "\" \"" + out + "\" 0 " + std::to_string(c.stopAt) + " 0",
                            60000, &code);
    SetEmulatedVersion(exe, "");
    ASSERT_TRUE(ended);
    ASSERT_EQ(0u, code);
    ProbeRun run;
    ASSERT_TRUE(ParseProbe(out, &run));
    EXPECT_GT(run.handlesBefore, 0u) << "no handle count";
    EXPECT_EQ(run.handlesBefore, run.handlesAfter);
    for (const Report& r : run.reports) EXPECT_EQ(c.method, r.method) << r.id << " " << r.name;
    if (c.stopAt) {
      EXPECT_EQ(1u, run.reports.size());
      EXPECT_EQ(0, run.result);
      continue;
    }
    EXPECT_EQ(1, run.result);
    EXPECT_GT(run.reports.size(), 2u);
    const Report* seen = FindId(run, stub.Id());
    ASSERT_NE(nullptr, seen) << "the running stub was not reported";
    if (c.method == kMethodProcessStatus) {
      EXPECT_EQ(Lower(folder.File("Vask\\vaskstub.exe")), Lower(seen->name));
    } else {
      EXPECT_EQ("vaskstub.exe", Lower(seen->name));
    }
  }
}

TEST(EnumerateProcesses, DosTasksThroughVdmdbgFollowNtvdm) {
  FakeFolder folder;
  ASSERT_TRUE(folder.AddFake("vdmdbg.dll", "vdmdbg.dll"));
  const std::string exe = "procprobe_vdm.exe";
  ASSERT_TRUE(CopyFileA(BuildPath("testbin\\process_probe.exe").c_str(), folder.File(exe).c_str(), FALSE));
  SleepingStub ntvdm(folder.File("ntvdm.exe"));
  ASSERT_NE(0u, ntvdm.Id());
  const struct {
    int flags;
    int stopOnTask;
    size_t tasks;
  } cases[] = {{0, 0, 2}, {kSkipDosTasks, 0, 0}, {0, 1, 1}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    DeleteFileA(folder.LogPath().c_str());
    SetEmulatedVersion(exe, "win2k");
    std::string out = folder.File("tasks.txt");
    DWORD code = 1;
    ASSERT_TRUE(folder.Run(exe, "\"" + out + "\" " + std::to_string(c.flags) + " 0 " + std::to_string(c.stopOnTask),
                           {}, 60000, &code));
    ASSERT_EQ(0u, code);
    ProbeRun run;
    ASSERT_TRUE(ParseProbe(out, &run));
    EXPECT_EQ(1, run.result);
    size_t at = 0;
    while (at < run.reports.size() && run.reports[at].id != ntvdm.Id()) ++at;
    ASSERT_LT(at, run.reports.size()) << "ntvdm.exe was not reported";
    EXPECT_EQ(Lower(folder.File("ntvdm.exe")), Lower(run.reports[at].name));
    const char* const files[] = {"C:\\WINDOWS\\TASKONE.EXE", "C:\\WINDOWS\\TASKTWO.EXE"};
    const DWORD handles[] = {0x2A1, 0x2B2};
    for (size_t k = 0; k < c.tasks; ++k) {
      ASSERT_LT(at + 1 + k, run.reports.size());
      const Report& task = run.reports[at + 1 + k];
      EXPECT_EQ(kMethodDosTask, task.method);
      EXPECT_EQ(files[k], task.name);
      EXPECT_EQ(handles[k], task.id);
    }
    size_t allTasks = std::count_if(run.reports.begin(), run.reports.end(),
                                    [](const Report& r) { return r.method == kMethodDosTask; });
    EXPECT_EQ(c.tasks, allTasks);
    if (c.stopOnTask) {
      EXPECT_EQ(at + 2, run.reports.size()) << "the walk went on after a task said stop";
    }
    std::vector<std::string> expectedLog;
    if (!(c.flags & kSkipDosTasks)) expectedLog.push_back("vdmdbg.VDMEnumTaskWOWEx " + std::to_string(ntvdm.Id()));
    EXPECT_EQ(expectedLog, folder.LogLines());
  }
}

TEST(EnumerateProcesses, FailingProcessListReportsNothing) {
  FakeFolder folder;
  ASSERT_TRUE(folder.AddFake("psapi.dll", "psapi.dll"));
  const std::string exe = "procprobe_psapi.exe";
  ASSERT_TRUE(CopyFileA(BuildPath("testbin\\process_probe.exe").c_str(), folder.File(exe).c_str(), FALSE));
  const char* const answers[] = {"FALSE", "TRUE"};  // a failed query, an empty list
  for (size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " " << answers[i]);
    DeleteFileA(folder.LogPath().c_str());
    SetEmulatedVersion(exe, "winxp");
    std::string out = folder.File("none.txt");
    DWORD code = 1;
    ASSERT_TRUE(folder.Run(exe, "\"" + out + "\" 0 0 0", {{"FAKE_PSAPI_ANSWER", answers[i]}}, 60000, &code));
    ASSERT_EQ(0u, code);
    ProbeRun run;
    ASSERT_TRUE(ParseProbe(out, &run));
    EXPECT_EQ(0, run.result);
    EXPECT_TRUE(run.reports.empty());
    EXPECT_GT(run.handlesBefore, 0u) << "no handle count";
    EXPECT_EQ(run.handlesBefore, run.handlesAfter);
    EXPECT_EQ(std::vector<std::string>{"psapi.EnumProcesses cb=4096"}, folder.LogLines());
  }
}

}  // namespace
