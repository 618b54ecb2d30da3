#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "coinstaller/install_function.h"
#include "coinstaller/install_medium.h"
#include "coinstaller/process_enumeration.h"
#include "coinstaller/program_launcher.h"
#include "coinstaller/same_day_package.h"
#include "fakes/fake_folder.h"
#include "support/box_closer.h"
#include "support/device_with_hardware_id.h"
#include "support/handle_count.h"

using namespace testing_support;

namespace {

const char* const kMedium[] = {"E:\\Zovodav\\setup.exe", "E:\\Zovodav\\DirectX\\dxsetup.exe", "E:\\_exec\\Tollet.exe",
                               "E:\\_exec\\VaskDT220.exe", "E:\\_exec\\VaskDT620.exe", "E:\\_exec\\VaskDT2831.exe"};
const std::string kStub = BuildPath("testbin\\launch_stub.exe");
const std::string kInf = std::string(getenv("windir")) + "\\inf\\";
const char kStarted2831[] = "E:\\_exec\\VaskDT2831.exe||E:\\";

// The install CD in E:, each program on it a copy of the helper. With
// decoys, "Zovodav\setup.exe" also on drives that must not be taken, before
// and after E: (the prefix's A:, D: and F: are CD-ROM drives, C: is fixed):
// A:, which is never looked at, C:, D: as a folder, and F:.
struct Medium {
  explicit Medium(bool decoys = false) {
    for (const char* folder : {"E:\\Zovodav", "E:\\Zovodav\\DirectX", "E:\\_exec"}) CreateDirectoryA(folder, nullptr);
    for (const char* path : kMedium) CopyFileA(kStub.c_str(), path, FALSE);
    for (const char* at = decoys ? "ACDF" : ""; *at; ++at) {
      const std::string folder = std::string(1, *at) + ":\\Zovodav", marker = folder + "\\setup.exe";
      CreateDirectoryA(folder.c_str(), nullptr);
      *at == 'D' ? CreateDirectoryA(marker.c_str(), nullptr) : WriteFileBytes(marker, "MZ");
    }
  }
  ~Medium() {
    for (const char* at = "ACDEF"; *at; ++at) RemoveFolderTree(std::string(1, *at) + ":\\Zovodav");
    RemoveFolderTree("E:\\_exec");
  }
};

int FindVask(const char* name, DWORD, int, void* f) { return !(*static_cast<bool*>(f) = !_strnicmp(name, "vask", 4)); }

// Waits until `log` has `lines` lines and no program named "vask..." runs.
void AwaitStarts(const std::string& log, size_t lines) {
  bool running = true;
  for (int wait = 0; wait < 100 && (ReadLines(log).size() < lines || running); ++wait, Sleep(100))
    EnumerateProcesses(FindVask, 0, &(running = false));
}

DWORD currentSession;
enum Setting { kPlain, kNewDirectX, kDecoys, kInstalled, kRunning, kSession0, kNoMedium, kNoSetup, kNoTollet };

// Each case's starts, as the programs log them to a file per case. DirectX is
// older than 9.0c but with kNewDirectX; a same-day package of family 3 is in
// the INF folder.
TEST(InstallSteps, EachStepStartsWhatItMust) {
  const std::string dx = "E:\\Zovodav\\DirectX\\dxsetup.exe||E:\\Zovodav\\DirectX", package = kInf + "oem9800.inf";
  const DI_FUNCTION kDx = DIF_INSTALLINTERFACES, kEnd = DIF_NEWDEVICEWIZARD_FINISHINSTALL;
  const char* const k0160 = "USB\\Vid_14aa&Pid_0160";
  const char* const kUninstall =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{14172CB3-0AA7-4276-8C74-8C0441336047}";
  const struct {
    DI_FUNCTION code;
    const char* id;
    int setting;
    DWORD result;
    std::vector<std::string> started;  // sorted
    bool removed;
  } cases[] = {
      {kDx, k0160, kNewDirectX, 0, {}, false},
      {kDx, k0160, kPlain, 3010, {dx}, true},
      {kDx, "USB\\Vid_14aa&Pid_0221", kPlain, 3010, {dx}, false},
      {kDx, k0160, kNoMedium, 0, {}, false},
      {kDx, k0160, kNoSetup, 0, {}, true},
      {DIF_INSTALLDEVICE, k0160, kPlain, 0, {}, false},
      {kEnd, "USB\\VID_14AA&PID_0620&REV_0100", kPlain, 0,
       {"E:\\_exec\\Tollet.exe|-d 620|E:\\", "E:\\_exec\\VaskDT620.exe||E:\\"}, false},
      {kEnd, "USB\\VID_14AA&PID_0226", kPlain, 0,
       {"E:\\_exec\\Tollet.exe|-d 220|E:\\", "E:\\_exec\\VaskDT220.exe||E:\\"}, false},
      {kEnd, k0160, kPlain, 0, {kStarted2831}, false},
      {kEnd, k0160, kDecoys, 0, {kStarted2831}, false},
      {kEnd, "USB\\VID_14AA&PID_0225", kPlain, 0, {}, false},
      {kEnd, k0160, kInstalled, 0, {}, false},
      {kEnd, k0160, kRunning, 0, {"E:\\_exec\\VaskDT220.exe|sleep=2000|E:\\"}, false},  // the running one alone
      // Wine reports Windows 7: session 0 is the non-interactive one.
      {kEnd, k0160, kSession0, 0, {}, false},
      {kEnd, "USB\\VID_14AA&PID_0620", kNoTollet, 0, {"E:\\_exec\\VaskDT620.exe||E:\\"}, false},
  };
  ScratchFolder folder;
  BoxCloser closer;  // closes the shell's box for a program that is not there
  currentSessionId = [] { return currentSession; };
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    Medium medium(c.setting == kDecoys);
    const std::string log = folder.File("case" + std::to_string(i) + ".log");
    SetEnvironmentVariableA("HELPER_LOG", log.c_str());
    WriteFileBytes(package, "[Models]\n%Dev% = Install, USB\\VID_14AA&PID_0160\n");
    SwappedValue version("SOFTWARE\\Microsoft\\DirectX", "Version", REG_SZ,
                         c.setting == kNewDirectX ? "4.09.00.0904" : "4.09.00.0903", 13);
    // Not installed: the value goes to a key of the tests' own.
    SwappedValue installed(c.setting != kInstalled ? "SOFTWARE\\Bramcot Tests" : kUninstall, "DisplayName", REG_SZ,
                           "x", 2);
    DeleteFileA(c.setting >= kNoMedium ? kMedium[c.setting - kNoMedium] : "");
    currentSession = c.setting == kSession0 ? 0 : 1;
    if (c.setting == kRunning) ShellRun(kMedium[3], "sleep=2000", "E:\\", SW_HIDE);
    DeviceWithHardwareId device(std::string(c.id) + '\0' + '\0');
    EXPECT_EQ(c.result, RunInstallFunction(c.code, device.set, &device.data));
    EXPECT_EQ(!c.removed, DeleteFileA(package.c_str()) != 0);
    // Every program not waited for is a "vask" one or started with one: it
    // is in the log once none of them runs, and this case's alone.
    AwaitStarts(log, c.started.size());
    std::vector<std::string> started = ReadLines(log);
    std::sort(started.begin(), started.end());
    EXPECT_EQ(c.started, started);
  }
  SetEnvironmentVariableA("HELPER_LOG", nullptr);
}

// The helper as NTVDM.EXE under Wine's version emulation, beside a fake
// vdmdbg.dll (two tasks in every process it is asked about) and a fake
// setupapi.dll (the ID from the environment, unterminated, as the platform
// passes a property stored so). It reads the ID, which must end with the
// property's last byte; walks the processes, by process-status (full paths,
// and the tasks of an ntvdm.exe) on NT before Vista, else by tool help
// (names); and runs the finish step in session 0, which is the
// non-interactive one only from Vista on.
TEST(InstallSteps, ReadWalkAndFinishFollowTheVersion) {
  const std::string k0160 = "USB\\Vid_14aa&Pid_0160", longest(kHardwareIdSize, 'A');
  const struct {
    const char* version;
    std::string id, read;
    bool walked, started;
  } cases[] = {
      {"winxp", k0160, "1 " + k0160, true, true},
      {"vista", k0160, "1 " + k0160, false, false},
      {"win98", longest, "1 " + longest, false, false},
      {"win2k", longest + "B", "0 ", true, false},
  };
  Medium medium;
  FakeFolder fakes;
  ASSERT_TRUE(fakes.AddFake("vdmdbg.dll", "vdmdbg.dll") && fakes.AddFake("setupapi.dll", "setupapi.dll") &&
              CopyFileA(kStub.c_str(), fakes.File("NTVDM.EXE").c_str(), FALSE));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.version);
    const std::string log = fakes.File(std::string(c.version) + ".log"), out = fakes.File("out.txt");
    const auto environment = FakeFolder::Environment{{"FAKE_SETUPAPI_HARDWARE_ID", c.id}, {"HELPER_LOG", log}};
    SetEmulatedVersion("NTVDM.EXE", c.version);
    DWORD code = 1;
    EXPECT_TRUE(fakes.Run("NTVDM.EXE", "--steps \"" + out + "\"", environment, 60000, &code));
    AwaitStarts(log, c.started);
    EXPECT_EQ(c.started ? std::vector<std::string>{kStarted2831} : std::vector<std::string>(), ReadLines(log));
    const std::vector<std::string> lines = ReadLines(out);
    ASSERT_TRUE(code == 0 && lines.size() >= 3 && lines.back() == "result 1");
    EXPECT_EQ(c.read, lines[0]);
    const std::string self = c.walked ? " " + fakes.File("NTVDM.EXE") : " NTVDM.EXE";
    auto at = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l[0] == "21"[c.walked] && l.size() > self.size() && !_stricmp(&l[l.size() - self.size()], self.c_str());
    });
    ASSERT_NE(lines.end(), at) << "the helper did not report itself";
    EXPECT_EQ(2 * c.walked, std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l[0] == '5'; }));
    EXPECT_TRUE(!c.walked || (at + 2 < lines.end() && at[1] == "5 673 C:\\WINDOWS\\TASKONE.EXE" &&
                              at[2] == "5 690 C:\\WINDOWS\\TASKTWO.EXE"));
  }
  SetEmulatedVersion("NTVDM.EXE", "");
}

int StopAtSecond(const char*, DWORD, int m, void* n) { return ++*static_cast<int*>(n) < 2 && m == kMethodToolHelp; }

// Every call that opens handles, repeated after a first round (in which
// libraries load and keep their own): none may be left open. The programs
// sleep, so one that is not waited for has no exit code yet. The
// process-status walk runs over the platform's functions, the package
// removal reads a same-day package of another family.
TEST(InstallSteps, RepeatedCallsLeaveNoHandleOpen) {
  if (!HandleCountWorks()) GTEST_SKIP() << "no handle count on this system";
  Medium medium;
  ScratchFolder folder;
  const std::string direct = folder.File("direct"), shell = folder.File("shell.exe"), package = kInf + "oem9801.inf";
  ASSERT_TRUE(CopyFileA(kStub.c_str(), direct.c_str(), FALSE) && CopyFileA(kStub.c_str(), shell.c_str(), FALSE) &&
              WriteFileBytes(package, "[Models]\n%D% = I, USB\\VID_14AA&PID_0620\n"));
  HMODULE psapi = LoadLibraryA("psapi.dll");
  ProcessStatusApi api;
  *api.enumProcesses.Storage() = GetProcAddress(psapi, "EnumProcesses");
  *api.enumProcessModules.Storage() = GetProcAddress(psapi, "EnumProcessModules");
  *api.getModuleFileNameExA.Storage() = GetProcAddress(psapi, "GetModuleFileNameExA");
  DWORD before = 0;
  for (int round = 0; round < 4; ++round) {
    if (round == 1) before = OwnHandleCount();
    for (const std::string& program : {direct, shell}) {  // "direct" has no ".exe": started without the shell
      DWORD code = 0;
      EXPECT_EQ(1, RunAndWait(program.c_str(), "sleep=200 exit=300", nullptr, SW_HIDE, 0, &code, 0));
      EXPECT_EQ(300u, code) << program;
    }
    int reports = 0;
    EXPECT_EQ(0, EnumerateProcesses(StopAtSecond, 0, &reports));
    EXPECT_EQ(2, reports) << "Wine shows Windows 7: tool help, up to the callback's 0";
    EXPECT_EQ(0, WalkProcessStatus(api, StopAtSecond, 0, &(reports = 0)));
    EXPECT_EQ(1, reports) << "the process-status walk went on after the callback's 0";
    EXPECT_EQ('E', LocateInstallMedium());
    RemoveSameDayPackage(3);
  }
  EXPECT_EQ(before, OwnHandleCount()) << "a handle was left open";
  EXPECT_EQ(nullptr, DriveList().First()) << "records were left in the drive list";
  EXPECT_TRUE(DeleteFileA(package.c_str())) << "the other family's package was removed";
}

SYSTEMTIME fakeToday;
void WINAPI FakeClock(LPSYSTEMTIME now) { *now = fakeToday; }
SYSTEMTIME Date(DWORD yyyymmdd, WORD hhmm) {
  return {WORD(yyyymmdd / 10000), WORD(yyyymmdd / 100 % 100), 0, WORD(yyyymmdd % 100), WORD(hhmm / 100),
          WORD(hhmm % 100), 0, 0};
}
DWORD PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize;
}

const char kFamily3[] = "[Models]\r\n%Dev% = Install, USB\\VID_14aa&PID_0160\r\n";
const wchar_t kUtf16[] = L"\xFEFF[Models]\r\n%Dev% = Install, USB\\VID_14aa&PID_0160\r\n";

// The per-file step fed with synthetic find data (Linux cannot set a file's
// creation time): created on `created` at 23:59 local time unless given,
// the local date 2026-12-07. Day, month and year differ one at a time;
// "same day" is the local calendar day.
TEST(SameDayPackage, PerFileDecisions) {
  const DWORD kToday = 20261207;
  const std::string kLongLine = "USB\\VID_14aa&PID_0160 " + std::string(10 << 20, 'x') + "\n";
  const struct {
    DWORD created;
    bool deleted;
    const char* name = "oem1.inf";
    std::string content = kFamily3;
    ReceiverFamily family = 3;
    WORD hhmm = 2359;
  } cases[] = {
      {kToday, true},
      {20261206, false},  // after 00:00 UTC west of it
      {kToday, true, "oem1.inf", kFamily3, 3, 30},  // before 00:00 UTC east of it
      {20261107, false},
      {20251207, false},
      {kToday, false, "oem3.inf", "USB\\VID_14AA&PID_0620\n"},
      {kToday, true, "oem4.inf", std::string(reinterpret_cast<const char*>(kUtf16), sizeof(kUtf16) - 2)},
      {kToday, true, "OEM7.INF"},      // its OEM7.PNF goes too
      {kToday, true, "oem1.inf.inf"},  // only the last ".inf" becomes ".pnf"
      {kToday, false, "oem3.infx"},    // found only through its short name OEM3~1.INF
      {kToday, false, "oem9.inf", ""},  // a folder
      {kToday, false, "oem5.inf", kLongLine + kFamily3},  // a line over the cap: skipped whole
      {kToday, false, "oem10.inf", kFamily3, 4},  // a family that does not exist
      // Family 0's IDs differ only in their last character.
      {kToday, true, "oem11.inf", "x usb\\vid_14aa&pid_0222&mi_00\r\n", 0},
      {kToday, false, "oem11.inf", "%D%=I,USB\\VID_14AA&PID_022\r\n", 0},
  };
  sameDayClock = FakeClock;
  fakeToday = Date(kToday, 1200);
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.name);
    ScratchFolder folder;
    const std::string inf = folder.File(c.name);
    const std::string pnf = inf.substr(0, inf.size() - 3) + (c.name[0] == 'o' ? "pnf" : "PNF");
    ASSERT_TRUE((c.content.empty() ? CreateDirectoryA(inf.c_str(), nullptr) : WriteFileBytes(inf, c.content)) &&
                WriteFileBytes(pnf, "compiled"));
    SameDayWalk walk;
    walk.family = c.family;
    walk.folder.Assign(folder.Path().c_str());
    WIN32_FIND_DATAA entry = {};
    entry.dwFileAttributes = GetFileAttributesA(inf.c_str());
    // Created at the row's local time in this process's time zone (ctest
    // runs the table again under TZ=EST5 and TZ=JST-9).
    const SYSTEMTIME created = Date(c.created, c.hhmm);
    FILETIME local;
    SystemTimeToFileTime(&created, &local);
    LocalFileTimeToFileTime(&local, &entry.ftCreationTime);
    lstrcpynA(entry.cFileName, c.name, MAX_PATH);
    const DWORD peak = PeakWorkingSet();
    EXPECT_EQ(!c.deleted, RemoveIfSameDayPackage(&entry, &walk));
    EXPECT_LT(PeakWorkingSet() - peak, 4u << 20) << "reading the package took memory";
    EXPECT_EQ(!c.deleted, GetFileAttributesA(inf.c_str()) != INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(!c.deleted, GetFileAttributesA(pnf.c_str()) != INVALID_FILE_ATTRIBUTES);
  }
  sameDayClock = ::GetLocalTime;
}

}  // namespace
