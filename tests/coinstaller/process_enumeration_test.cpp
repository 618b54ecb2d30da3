#include "coinstaller/process_enumeration.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/fake_folder.h"

using namespace testing_support;

namespace {

template <typename F>
void Put(ProcSlot<F>& slot, F* function) {
  *slot.Storage() = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// Each report as "<method> <id in hex> <name>"; the callback answers 0 at the
// stopAt-th report, and at a task when stopOnTask.
struct Recorder {
  std::vector<std::string> lines;
  size_t stopAt;
  bool stopOnTask;
};

int Record(const char* name, DWORD id, int method, void* context) {
  Recorder* r = static_cast<Recorder*>(context);
  char line[400];
  snprintf(line, sizeof(line), "%d %lX %s", method, id, name);
  r->lines.push_back(line);
  return r->lines.size() != r->stopAt && !(r->stopOnTask && method == kMethodDosTask);
}

std::string Line(int method, DWORD id, const std::string& name) {
  char head[32];
  snprintf(head, sizeof(head), "%d %lX ", method, id);
  return head + name;
}

// The process-status functions of the test: `ids` (or a failure), the module
// name for every process that opens, two 16-bit tasks in every task walk.
struct StatusFake {
  std::vector<DWORD> ids;
  bool fail;
  std::string moduleName;
  std::vector<DWORD> sizesAsked;
  DWORD modulesRoom, nameRoom;
} fake;

BOOL WINAPI FakeEnumProcesses(DWORD* ids, DWORD bytes, DWORD* returned) {
  fake.sizesAsked.push_back(bytes);
  *returned = std::min<DWORD>(bytes, fake.ids.size() * sizeof(DWORD));
  memcpy(ids, fake.ids.data(), *returned);
  return !fake.fail;
}

BOOL WINAPI FakeEnumProcessModules(HANDLE, HMODULE* modules, DWORD bytes, DWORD* needed) {
  fake.modulesRoom = bytes;
  modules[0] = GetModuleHandleA(nullptr);
  *needed = 3 * sizeof(HMODULE);
  return TRUE;
}

// As Windows XP: a name that fills the room comes back unterminated.
DWORD WINAPI FakeGetModuleFileNameExA(HANDLE, HMODULE, LPSTR name, DWORD room) {
  fake.nameRoom = room;
  DWORD copied = std::min<DWORD>(fake.moduleName.size(), room);
  memcpy(name, fake.moduleName.data(), copied);
  if (copied < room) name[copied] = 0;
  return copied;
}

INT WINAPI FakeVdmEnumTaskWOWEx(DWORD, TASKENUMPROCEX report, LPARAM param) {
  char one[] = "C:\\WINDOWS\\TASKONE.EXE", two[] = "C:\\WINDOWS\\TASKTWO.EXE", module[] = "M";
  if (!report(0, 1, 0x2A1, module, one, param)) report(0, 2, 0x2B2, module, two, param);
  return 2;
}

ProcessStatusApi StatusApi(bool withTasks) {
  fake.sizesAsked.clear();
  ProcessStatusApi api;
  Put(api.enumProcesses, FakeEnumProcesses);
  Put(api.enumProcessModules, FakeEnumProcessModules);
  Put(api.getModuleFileNameExA, FakeGetModuleFileNameExA);
  if (withTasks) Put(api.vdmEnumTaskWOWEx, FakeVdmEnumTaskWOWEx);
  return api;
}

// Ids no process has: reported with an empty name.
const DWORD kUnused = 0x7FF00001;

// This process (named by the fake), then `others` ids no process has (-1:
// the id query fails). In `shape`, P is this process's report, T a task (the
// first, then the second), U the other ids' reports.
TEST(ProcessStatusWalk, GrowsNamesTasksAndStops) {
  const std::string longName = "C:\\" + std::string(297, 'n');
  const struct {
    std::string name;
    long others;
    int flags;
    bool withTasks;
    size_t stopAt;
    bool stopOnTask;
    int result;
    const char* shape;
    std::vector<DWORD> sizes;  // of the id buffers asked for
  } cases[] = {
      {"C:\\x.exe", 1022, 0, true, 0, false, 1, "PU", {4096}},
      {"C:\\x.exe", 2999, 0, true, 0, false, 1, "PU", {4096, 8192, 16384}},
      {"C:\\x.exe", -1, 0, true, 0, false, 0, "", {4096}},
      {longName, 1, 0, true, 0, false, 1, "PU", {4096}},  // cut to the 260-byte room
      {"C:\\WINNT\\system32\\ntvdm.exe", 1, 0, true, 0, false, 1, "PTTU", {4096}},
      {"C:\\WINNT\\SYSTEM32\\NTVDM.EXE", 1, 0, true, 0, false, 1, "PTTU", {4096}},
      {"ntvdm.exe", 1, 0, true, 0, false, 1, "PTTU", {4096}},  // the name alone
      {"tvdm.exe", 1, 0, true, 0, false, 1, "PU", {4096}},
      {"C:\\WINNT\\system32\\ntvdm.exe.old", 1, 0, true, 0, false, 1, "PU", {4096}},
      {"C:\\WINNT\\system32\\ntvdm.exe", 1, kSkipDosTasks, true, 0, false, 1, "PU", {4096}},
      {"C:\\WINNT\\system32\\ntvdm.exe", 1, 0, false, 0, false, 1, "PU", {4096}},
      {"C:\\WINNT\\system32\\ntvdm.exe", 1, 0, true, 1, false, 0, "P", {4096}},
      {"C:\\WINNT\\system32\\ntvdm.exe", 1, 0, true, 0, true, 1, "PT", {4096}},  // a task's 0 ends the walk, not the result
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    fake.moduleName = c.name;
    fake.fail = c.others == -1;
    fake.ids.assign(1, GetCurrentProcessId());
    for (long k = 0; k < c.others; ++k) fake.ids.push_back(kUnused + 2 * k);
    Recorder recorder = {{}, c.stopAt, c.stopOnTask};
    EXPECT_EQ(c.result, WalkProcessStatus(StatusApi(c.withTasks), Record, c.flags, &recorder));
    EXPECT_EQ(c.sizes, fake.sizesAsked);
    std::vector<std::string> expected;
    for (const char* at = c.shape; *at; ++at) {
      if (*at == 'P') expected.push_back(Line(1, GetCurrentProcessId(), c.name.substr(0, 260)));
      if (*at == 'T') expected.push_back(at[-1] == 'T' ? "5 2B2 C:\\WINDOWS\\TASKTWO.EXE" : "5 2A1 C:\\WINDOWS\\TASKONE.EXE");
      for (size_t k = 1; *at == 'U' && k < fake.ids.size(); ++k) expected.push_back(Line(1, fake.ids[k], ""));
    }
    ASSERT_EQ(expected, recorder.lines);
    if (c.result) {
      EXPECT_EQ(260u, fake.nameRoom);
      EXPECT_EQ(sizeof(HMODULE), fake.modulesRoom);
    }
  }
  fake.fail = false;
}

// Tool help over functions of the test's own: the reports up to the
// callback's 0, nothing when the first entry fails; the snapshot closed.
struct ToolHelpFake {
  bool failFirst;
  std::vector<std::string> names;
  size_t next;
  HANDLE snapshot;
} tool;

HANDLE WINAPI FakeSnapshot(DWORD, DWORD) { return tool.snapshot = CreateEventA(nullptr, TRUE, FALSE, nullptr); }

BOOL WINAPI FakeNext(HANDLE, LPPROCESSENTRY32 entry) {
  if (tool.next >= tool.names.size()) return FALSE;
  const std::string& name = tool.names[tool.next];
  memset(entry->szExeFile, 0, sizeof(entry->szExeFile));
  memcpy(entry->szExeFile, name.data(), std::min(name.size(), sizeof(entry->szExeFile)));
  entry->th32ProcessID = static_cast<DWORD>(100 + tool.next++);
  return TRUE;
}

BOOL WINAPI FakeFirst(HANDLE snapshot, LPPROCESSENTRY32 entry) { return !tool.failFirst && FakeNext(snapshot, entry); }

TEST(ToolHelpWalk, ReportsEntriesAndAlwaysClosesTheSnapshot) {
  const std::string full(260, 'N');  // fills szExeFile without a terminator
  const struct {
    bool failFirst;
    std::vector<std::string> names;
    size_t stopAt;
    int result;
    size_t reports;
  } cases[] = {{false, {"a.exe", "b.exe", "c.exe"}, 2, 0, 2}, {true, {"a.exe"}, 0, 0, 0}, {false, {full, "b.exe"}, 0, 1, 2}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    tool = {c.failFirst, c.names, 0, nullptr};
    ToolHelpApi api;
    Put(api.createToolhelp32Snapshot, FakeSnapshot);
    Put(api.process32First, FakeFirst);
    Put(api.process32Next, FakeNext);
    Recorder recorder = {{}, c.stopAt, false};
    EXPECT_EQ(c.result, WalkToolHelp(api, Record, &recorder));
    DWORD info;
    EXPECT_FALSE(GetHandleInformation(tool.snapshot, &info)) << "the snapshot was left open";
    ASSERT_EQ(c.reports, recorder.lines.size());
    for (size_t k = 0; k < c.reports; ++k) EXPECT_EQ(Line(2, 100 + k, c.names[k]), recorder.lines[k]);
  }
}

// The real enumeration in the helper under Wine's version emulation, beside
// a fake vdmdbg.dll (two tasks in every process it is asked about) and a
// running copy of the helper named ntvdm.exe.
TEST(EnumerateProcesses, MethodNamesAndTasksFollowTheVersion) {
  FakeFolder folder;
  ASSERT_TRUE(folder.AddFake("vdmdbg.dll", "vdmdbg.dll"));
  const std::string ntvdmPath = folder.File("ntvdm.exe");
  ASSERT_TRUE(CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), ntvdmPath.c_str(), FALSE));
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION ntvdm = {};
  std::string command = "\"" + ntvdmPath + "\" sleep=20000";
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &ntvdm));
  WaitForInputIdle(ntvdm.hProcess, 2000);
  const struct {
    const char* version;
    int method;
  } cases[] = {{"winxp", kMethodProcessStatus}, {"vista", kMethodToolHelp}, {"win98", kMethodToolHelp}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << " " << cases[i].version);
    const std::string exe = std::string("procs_") + cases[i].version + ".exe", out = folder.File("procs.txt");
    ASSERT_TRUE(CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), folder.File(exe).c_str(), FALSE));
    DeleteFileA(folder.LogPath().c_str());
    SetEmulatedVersion(exe, cases[i].version);
    DWORD code = 1;
    ASSERT_TRUE(folder.Run(exe, "--procs \"" + out + "\" 0", {}, 60000, &code));
    ASSERT_EQ(0u, code);
    std::vector<std::string> lines = ReadLines(out);
    unsigned long before = 0, after = 1;
    ASSERT_TRUE(lines.size() >= 4 && sscanf(lines.back().c_str(), "handles %lu %lu", &before, &after) == 2);
    EXPECT_TRUE(before > 0 && before == after) << "a handle was left open: " << before << " " << after;
    EXPECT_EQ("result 1", lines[lines.size() - 2]);
    // The ntvdm.exe copy by its method and name, its two tasks after it when walked.
    const bool walked = cases[i].method == kMethodProcessStatus;
    const std::string own = std::to_string(cases[i].method) + " " + std::to_string(ntvdm.dwProcessId) + " " +
                            (walked ? ntvdmPath : "ntvdm.exe");
    auto at = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return !_stricmp(l.c_str(), own.c_str()); });
    ASSERT_NE(lines.end(), at) << "the running ntvdm.exe was not reported";
    EXPECT_EQ(walked ? 2 : 0, std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == '5'; }));
    EXPECT_TRUE(!walked || (at + 2 < lines.end() && at[1] == "5 673 C:\\WINDOWS\\TASKONE.EXE" &&
                            at[2] == "5 690 C:\\WINDOWS\\TASKTWO.EXE"));
    EXPECT_EQ(walked ? 1u : 0u, folder.LogLines().size());
  }
  TerminateProcess(ntvdm.hProcess, 0);
  WaitForSingleObject(ntvdm.hProcess, 10000);
  CloseHandle(ntvdm.hProcess);
  CloseHandle(ntvdm.hThread);
}

}  // namespace
