#include "coinstaller/process_enumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

template <typename F>
void Put(ProcSlot<F>& slot, F* function) {
  *slot.Storage() = reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// The process-status functions of the test: `ids` (none: the query fails),
// `name` for every process that opens, unterminated when it fills the room
// (as Windows XP gives it), two 16-bit tasks in every task walk. Reports are
// kept as "<method> <id> <name>"; the callback answers 0 at report `stop`,
// and at every task when it is SIZE_MAX.
struct {
  std::vector<DWORD> ids;
  std::string name;
  std::vector<std::string> reports;
  size_t stop;
} fake;

BOOL WINAPI FakeEnumProcesses(DWORD* ids, DWORD bytes, DWORD* returned) {
  memcpy(ids, fake.ids.data(), *returned = std::min<DWORD>(bytes, fake.ids.size() * sizeof(DWORD)));
  return !fake.ids.empty();
}

BOOL WINAPI FakeEnumProcessModules(HANDLE, HMODULE*, DWORD bytes, DWORD*) { return bytes >= sizeof(HMODULE); }

DWORD WINAPI FakeGetModuleFileNameExA(HANDLE, HMODULE, LPSTR name, DWORD room) {
  DWORD copied = std::min<DWORD>(fake.name.size(), room);
  memcpy(name, fake.name.data(), copied);
  if (copied < room) name[copied] = 0;
  return copied;
}

INT WINAPI FakeVdmEnumTaskWOWEx(DWORD, TASKENUMPROCEX report, LPARAM param) {
  char one[] = "ONE.EXE", two[] = "TWO.EXE";
  if (!report(0, 1, 11, one, one, param)) report(0, 2, 12, two, two, param);
  return 2;
}

int Record(const char* name, DWORD id, int method, void*) {
  fake.reports.push_back(std::to_string(method) + " " + std::to_string(id) + " " + name);
  return fake.reports.size() != fake.stop && !(fake.stop == SIZE_MAX && method == kMethodDosTask);
}

// This process (named by the fake), then `others` ids no process has, which
// are reported with an empty name. In `shape`, P is this process's report,
// T and t the tasks, U the other ids' reports.
TEST(ProcessStatusWalk, GrowsNamesTasksAndStops) {
  const std::string ntvdm = "C:\\WINNT\\system32\\ntvdm.exe", self = std::to_string(GetCurrentProcessId());
  const struct {
    std::string name;
    long others;  // -1: the id query fails
    const char* shape;
    int result;
    int flags = 0;     // -1: no task walk function
    size_t stop = 0;   // the report the callback answers 0 to; SIZE_MAX: every task
  } cases[] = {
      {"C:\\x.exe", 1, "PU", 1},
      {"C:\\x.exe", 2047, "PU", 1},  // 2048 ids fill the second buffer exactly
      {"C:\\x.exe", -1, "", 0},
      {"C:\\" + std::string(297, 'n'), 1, "PU", 1},  // cut to the 260-byte room
      {ntvdm, 1, "PTtU", 1},
      {"C:\\WINNT\\SYSTEM32\\NTVDM.EXE", 1, "PTtU", 1},
      {"ntvdm.exe", 1, "PTtU", 1},
      {"tvdm.exe", 1, "PU", 1},
      {ntvdm + ".old", 1, "PU", 1},
      {ntvdm, 1, "PU", 1, kSkipDosTasks},
      {ntvdm, 1, "PU", 1, -1},
      {ntvdm, 1, "P", 0, 0, 1},
      {ntvdm, 1, "PT", 1, 0, SIZE_MAX},  // a task's 0 ends the walk, not the result
  };
  ProcessStatusApi api;
  Put(api.enumProcesses, FakeEnumProcesses);
  Put(api.enumProcessModules, FakeEnumProcessModules);
  Put(api.getModuleFileNameExA, FakeGetModuleFileNameExA);
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    std::vector<DWORD> ids(c.others >= 0, GetCurrentProcessId());
    for (long k = 0; k < c.others; ++k) ids.push_back(0x7FF00001 + 2 * k);
    fake = {ids, c.name, {}, c.stop};
    Put(api.vdmEnumTaskWOWEx, c.flags < 0 ? nullptr : FakeVdmEnumTaskWOWEx);
    EXPECT_EQ(c.result, WalkProcessStatus(api, Record, c.flags < 0 ? 0 : c.flags, nullptr));
    std::vector<std::string> expected;
    for (const char* at = c.shape; *at; ++at) {
      if (*at == 'P') expected.push_back("1 " + self + " " + c.name.substr(0, 260));
      if (*at == 'T' || *at == 't') expected.push_back(*at == 'T' ? "5 11 ONE.EXE" : "5 12 TWO.EXE");
      for (size_t k = 1; *at == 'U' && k < fake.ids.size(); ++k) expected.push_back("1 " + std::to_string(fake.ids[k]) + " ");
    }
    ASSERT_EQ(expected, fake.reports);
  }
}

}  // namespace
