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

std::string Line(int method, DWORD id, const std::string& name) {
  char head[32];
  snprintf(head, sizeof(head), "%d %lX ", method, id);
  return head + name;
}

// The process-status functions of the test: `ids` (none: the query fails),
// `name` for every process that opens, unterminated when it fills the room
// (as Windows XP gives it), two 16-bit tasks in every task walk. Reports are
// recorded as Line()s; the callback answers 0 at report `stopAt`, and at a
// task when `stopOnTask`.
struct {
  std::vector<DWORD> ids, asked;
  std::string name;
  std::vector<std::string> reports;
  size_t stopAt;
  bool stopOnTask;
} fake;

BOOL WINAPI FakeEnumProcesses(DWORD* ids, DWORD bytes, DWORD* returned) {
  fake.asked.push_back(bytes);
  *returned = std::min<DWORD>(bytes, fake.ids.size() * sizeof(DWORD));
  memcpy(ids, fake.ids.data(), *returned);
  return !fake.ids.empty();
}

BOOL WINAPI FakeEnumProcessModules(HANDLE, HMODULE* modules, DWORD bytes, DWORD*) {
  *modules = nullptr;
  return bytes >= sizeof(HMODULE);
}

DWORD WINAPI FakeGetModuleFileNameExA(HANDLE, HMODULE, LPSTR name, DWORD room) {
  DWORD copied = std::min<DWORD>(fake.name.size(), room);
  memcpy(name, fake.name.data(), copied);
  if (copied < room) name[copied] = 0;
  return copied;
}

INT WINAPI FakeVdmEnumTaskWOWEx(DWORD, TASKENUMPROCEX report, LPARAM param) {
  char one[] = "C:\\W\\ONE.EXE", two[] = "C:\\W\\TWO.EXE", module[] = "M";
  if (!report(0, 1, 0x2A1, module, one, param)) report(0, 2, 0x2B2, module, two, param);
  return 2;
}

int Record(const char* name, DWORD id, int method, void*) {
  fake.reports.push_back(Line(method, id, name));
  return fake.reports.size() != fake.stopAt && !(fake.stopOnTask && method == kMethodDosTask);
}

// This process (named by the fake), then `others` ids no process has, which
// are reported with an empty name. In `shape`, P is this process's report, T
// a task (the first, then the second), U the other ids' reports.
TEST(ProcessStatusWalk, GrowsNamesTasksAndStops) {
  const std::string ntvdm = "C:\\WINNT\\system32\\ntvdm.exe";
  const struct {
    std::string name;
    long others;  // -1: the id query fails
    int buffers;  // id buffers asked for: 4096 bytes, then doubled
    const char* shape;
    int result;
    int flags = 0;
    bool withTasks = true;
    size_t stopAt = 0;
    bool stopOnTask = false;
  } cases[] = {
      {"C:\\x.exe", 1, 1, "PU", 1},
      {"C:\\x.exe", 2047, 3, "PU", 1},  // 2048 ids fill 8192 bytes exactly
      {"C:\\x.exe", -1, 1, "", 0},
      {"C:\\" + std::string(297, 'n'), 1, 1, "PU", 1},  // cut to the 260-byte room
      {ntvdm, 1, 1, "PTTU", 1},
      {"C:\\WINNT\\SYSTEM32\\NTVDM.EXE", 1, 1, "PTTU", 1},
      {"ntvdm.exe", 1, 1, "PTTU", 1},
      {"tvdm.exe", 1, 1, "PU", 1},
      {ntvdm + ".old", 1, 1, "PU", 1},
      {ntvdm, 1, 1, "PU", 1, kSkipDosTasks},
      {ntvdm, 1, 1, "PU", 1, 0, false},
      {ntvdm, 1, 1, "P", 0, 0, true, 1},
      {ntvdm, 1, 1, "PT", 1, 0, true, 0, true},  // a task's 0 ends the walk, not the result
  };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    fake.name = c.name;
    fake.ids.assign(c.others >= 0, GetCurrentProcessId());
    for (long k = 0; k < c.others; ++k) fake.ids.push_back(0x7FF00001 + 2 * k);
    fake.asked.clear();
    fake.reports.clear();
    fake.stopAt = c.stopAt;
    fake.stopOnTask = c.stopOnTask;
    ProcessStatusApi api;
    Put(api.enumProcesses, FakeEnumProcesses);
    Put(api.enumProcessModules, FakeEnumProcessModules);
    Put(api.getModuleFileNameExA, FakeGetModuleFileNameExA);
    if (c.withTasks) Put(api.vdmEnumTaskWOWEx, FakeVdmEnumTaskWOWEx);
    EXPECT_EQ(c.result, WalkProcessStatus(api, Record, c.flags, nullptr));
    std::vector<DWORD> sizes;
    for (int k = 0; k < c.buffers; ++k) sizes.push_back(4096u << k);
    EXPECT_EQ(sizes, fake.asked);
    std::vector<std::string> expected;
    for (const char* at = c.shape; *at; ++at) {
      if (*at == 'P') expected.push_back(Line(1, GetCurrentProcessId(), c.name.substr(0, 260)));
      if (*at == 'T') expected.push_back(at[-1] == 'T' ? "5 2B2 C:\\W\\TWO.EXE" : "5 2A1 C:\\W\\ONE.EXE");
      for (size_t k = 1; *at == 'U' && k < fake.ids.size(); ++k) expected.push_back(Line(1, fake.ids[k], ""));
    }
    ASSERT_EQ(expected, fake.reports);
  }
}

}  // namespace
