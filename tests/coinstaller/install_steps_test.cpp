#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/os_kind.h"
#include "coinstaller/directx_version.h"
#include "coinstaller/install_function.h"
#include "coinstaller/receiver_family.h"
#include "coinstaller/same_day_package.h"
#include "coinstaller/version_text_cases.h"
#include "fakes/fake_folder.h"
#include "support/box_closer.h"
#include "support/device_with_hardware_id.h"
#include "support/guarded_bytes.h"

using namespace testing_support;

namespace {

const char kDirectXKey[] = "SOFTWARE\\Microsoft\\DirectX";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const kProducts[] = {"{F27EFBE2-7B33-4084-8328-00FE19AC4901}", "{D4ADD3F1-17A2-4EF3-9D04-E563E046632A}",
                                 "{14172CB3-0AA7-4276-8C74-8C0441336047}"};
const char* const kMediumFiles[] = {"E:\\Zovodav\\setup.exe", "E:\\Zovodav\\DirectX\\dxsetup.exe",
                                    "E:\\_exec\\Tollet.exe", "E:\\_exec\\VaskDT220.exe", "E:\\_exec\\VaskDT620.exe",
                                    "E:\\_exec\\VaskDT2831.exe"};

DWORD currentSession = 1;
DWORD TestSession() { return currentSession; }

std::string InfFolder() {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\inf\\";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool VaskRuns() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    found |= _strnicmp(entry.szExeFile, "vask", 4) == 0;
  CloseHandle(snapshot);
  return found;
}

// The install CD in E:, each program a copy of the helper that logs its
// start with the case's tag; today a same-day package of family 3 in the INF
// folder.
class InstallFunctionTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"E:\\Zovodav", "E:\\Zovodav\\DirectX", "E:\\_exec"}) CreateDirectoryA(folder, nullptr);
    for (const char* path : kMediumFiles) CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), path, FALSE);
    SetEnvironmentVariableA("HELPER_LOG", log.c_str());
    currentSessionId = TestSession;
    currentSession = 1;
  }
  void TearDown() override {
    RemoveFolderTree("E:\\Zovodav");
    RemoveFolderTree("E:\\_exec");
    for (const char* name : {"HELPER_LOG", "HELPER_TAG", "HELPER_CHECK"}) SetEnvironmentVariableA(name, nullptr);
  }

  DWORD Run(DI_FUNCTION code, const std::string& hardwareId) {
    DeviceWithHardwareId device(hardwareId + '\0' + '\0');
    EXPECT_TRUE(device.created);
    return RunInstallFunction(code, device.set, &device.data);
  }

  ScratchFolder folder;
  const std::string log = folder.File("started.log");
  const std::string package = InfFolder() + "oem9800.inf";
};

enum Setting { kPlain, kInstalled, kRunning = kInstalled + 3, kSession0, kNoTollet, kNoMedium, kNoSetup };

// Each case's starts are logged as "<case>|<program>|<parameters>|<directory>|<package there>";
// all of them are compared once the last case has run, so a late start shows too.
TEST_F(InstallFunctionTest, EachStepStartsWhatItMust) {
  const char* const dx = "E:\\Zovodav\\DirectX\\dxsetup.exe||E:\\Zovodav\\DirectX|";
  const char* const t220 = "E:\\_exec\\Tollet.exe|-d 220|E:\\|-";
  const char* const v220 = "E:\\_exec\\VaskDT220.exe||E:\\|-";
  const DI_FUNCTION kDx = DIF_INSTALLINTERFACES, kEnd = DIF_NEWDEVICEWIZARD_FINISHINSTALL;
  const char* const k0160 = "USB\\Vid_14aa&Pid_0160";
  const struct {
    DI_FUNCTION code;
    const char* id;
    const char* version;  // DirectX version; null: none
    int setting;
    DWORD result;
    std::vector<std::string> started;
    bool removed;
  } cases[] = {
      {kDx, k0160, "4.09.00.0904", kPlain, 0, {}, false},
      {kDx, k0160, "4.09.00.0903", kPlain, 3010, {dx + std::string("0")}, true},
      {kDx, "USB\\Vid_14aa&Pid_0221", "4.09.00.0903", kPlain, 3010, {dx + std::string("1")}, false},
      {kDx, k0160, "4.09.00.0903", kNoMedium, 0, {}, false},
      {kDx, k0160, "4.09.00.0903", kNoSetup, 0, {}, true},
      {DIF_INSTALLDEVICE, k0160, "4.09.00.0903", kPlain, 0, {}, false},
      {kEnd, "USB\\VID_14AA&PID_0620&REV_0100", nullptr, kPlain, 0,
       {"E:\\_exec\\Tollet.exe|-d 620|E:\\|-", "E:\\_exec\\VaskDT620.exe||E:\\|-"}, false},
      {kEnd, "USB\\VID_14AA&PID_0221", nullptr, kPlain, 0, {t220, v220}, false},
      {kEnd, "USB\\VID_14AA&PID_0226", nullptr, kPlain, 0, {t220, v220}, false},
      {kEnd, k0160, nullptr, kPlain, 0, {"E:\\_exec\\VaskDT2831.exe||E:\\|-"}, false},
      {kEnd, "USB\\VID_14AA&PID_0225", nullptr, kPlain, 0, {}, false},
      {kEnd, k0160, nullptr, kInstalled, 0, {}, false},
      {kEnd, k0160, nullptr, kInstalled + 1, 0, {}, false},
      {kEnd, k0160, nullptr, kInstalled + 2, 0, {}, false},
      {kEnd, k0160, nullptr, kRunning, 0, {}, false},
      // Wine reports Windows 7: session 0 is the non-interactive one.
      {kEnd, k0160, nullptr, kSession0, 0, {}, false},
      {kEnd, "USB\\VID_14AA&PID_0620", nullptr, kNoTollet, 0, {"E:\\_exec\\VaskDT620.exe||E:\\|-"}, false},
  };
  BoxCloser closer;  // closes the shell's box for a program that is not there
  std::vector<std::string> expected;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    const std::string tag = std::to_string(i);
    SetEnvironmentVariableA("HELPER_TAG", tag.c_str());
    SetEnvironmentVariableA("HELPER_CHECK", c.code == DIF_INSTALLINTERFACES ? package.c_str() : nullptr);
    for (const std::string& line : c.started) expected.push_back(tag + "|" + line);
    WriteFileBytes(package, "[Models]\n%Dev% = Install, USB\\VID_14AA&PID_0160\n");
    SwappedValue version(kDirectXKey, "Version", REG_SZ, c.version, c.version ? strlen(c.version) + 1 : 0);
    const bool isInstalled = c.setting >= kInstalled && c.setting < kRunning;
    const std::string product = kUninstall + std::string(isInstalled ? kProducts[c.setting - kInstalled] : "");
    std::unique_ptr<SwappedValue> installed(isInstalled ? new SwappedValue(product.c_str(), "DisplayName", REG_SZ, "x", 2)
                                                        : nullptr);
    const char* gone = c.setting == kNoTollet ? kMediumFiles[2] : c.setting == kNoMedium ? kMediumFiles[0]
                       : c.setting == kNoSetup ? kMediumFiles[1] : "";
    DeleteFileA(gone);
    currentSession = c.setting == kSession0 ? 0 : 1;
    PROCESS_INFORMATION runner = {};
    if (c.setting == kRunning) {
      const std::string path = folder.File("VASKrunner.exe");
      CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), path.c_str(), FALSE);
      std::string line = "\"" + path + "\" sleep=20000";
      STARTUPINFOA startup = {};
      startup.cb = sizeof(startup);
      SetEnvironmentVariableA("HELPER_LOG", folder.File("runner.log").c_str());
      ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &runner));
      SetEnvironmentVariableA("HELPER_LOG", log.c_str());
      WaitForInputIdle(runner.hProcess, 2000);
    }
    EXPECT_EQ(c.result, Run(c.code, c.id));
    EXPECT_EQ(!c.removed, Exists(package));
    if (runner.hProcess) {
      TerminateProcess(runner.hProcess, 0);
      WaitForSingleObject(runner.hProcess, 5000);
      CloseHandle(runner.hProcess);
      CloseHandle(runner.hThread);
    }
    CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), gone, FALSE);
    DeleteFileA(package.c_str());
    // The next case must not see this one's programs still running.
    for (int wait = 0; wait < 100 && (ReadLines(log).size() < expected.size() || VaskRuns()); ++wait) Sleep(100);
  }
  Sleep(1000);
  std::vector<std::string> started;
  for (const std::string& line : ReadLines(log)) {
    // "<tag>|<program>|<command line>|..." with the command line as the shell
    // gives it, "\"<program>\" <parameters>": only the parameters are kept.
    size_t program = line.find('|') + 1, command = line.find('|', program) + 1, end = line.find('|', command);
    std::string parameters = line.substr(command, end - command);
    parameters.erase(0, parameters[0] == '"' ? parameters.find('"', 1) + 1 : parameters.find(' '));
    parameters.erase(0, parameters.find_first_not_of(' '));
    parameters.erase(parameters.find_last_not_of(' ') + 1);
    started.push_back(line.substr(0, command) + parameters + line.substr(end));
  }
  std::sort(started.begin(), started.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, started);
}

// Windows XP has no non-interactive session 0: the companion step runs there.
// The case runs in a copy of this program that Wine shows Windows XP.
TEST_F(InstallFunctionTest, FinishInstallUnderXpInSessionZero) {
  if (GetEnvironmentVariableA("STEPS_XP_CHILD", nullptr, 0)) {
    ASSERT_EQ(0, IsOsAtLeast(kOsVista)) << "not running as Windows XP";
    currentSession = 0;
    EXPECT_EQ(0u, Run(DIF_NEWDEVICEWIZARD_FINISHINSTALL, "USB\\Vid_14aa&Pid_0160"));
    for (int wait = 0; wait < 100 && ReadLines(log).empty(); ++wait) Sleep(100);
    EXPECT_EQ(1u, ReadLines(log).size());
    return;
  }
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH - 1);
  ASSERT_TRUE(CopyFileA(self, folder.File("steps_xp.exe").c_str(), FALSE));
  SetEmulatedVersion("steps_xp.exe", "winxp");
  SetEnvironmentVariableA("STEPS_XP_CHILD", "1");
  DWORD code = 1;
  bool ended = RunProgram("\"" + folder.File("steps_xp.exe") + "\" --gtest_filter=*UnderXpInSessionZero", 60000, &code);
  SetEnvironmentVariableA("STEPS_XP_CHILD", nullptr);
  SetEmulatedVersion("steps_xp.exe", "");
  ASSERT_TRUE(ended);
  EXPECT_EQ(0u, code) << "the case failed under Windows XP";
}

// Wine's setupapi adds a terminator to a property stored without one; the
// platform's passes the bytes on as they are, as the fake setupapi.dll does
// beside the helper. The ID must end with the property's last byte.
TEST(ReceiverFamily, UnterminatedPropertyEndsWithItsLastByte) {
  const std::string longest(kHardwareIdSize, 'A');
  const std::string cases[][2] = {
      {"USB\\Vid_14aa&Pid_0160", "1 USB\\Vid_14aa&Pid_0160"}, {longest, "1 " + longest}, {longest + "B", "0 "}};
  FakeFolder folder;
  ASSERT_TRUE(folder.AddFake("setupapi.dll", "setupapi.dll"));
  ASSERT_TRUE(CopyFileA(BuildPath("testbin\\launch_stub.exe").c_str(), folder.File("hwid.exe").c_str(), FALSE));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const std::string out = folder.File("id.txt");
    DWORD code = 1;
    ASSERT_TRUE(folder.Run("hwid.exe", "--hwid \"" + out + "\"", {{"FAKE_SETUPAPI_HARDWARE_ID", cases[i][0]}}, 20000, &code));
    std::string written;
    EXPECT_TRUE(ReadFileBytes(out, &written) && written == cases[i][1]) << "case " << i << ": " << written;
  }
}

// Both tables as one list, in the order the rows are tried: the ID text and
// its DirectX and companion families.
const struct {
  const char* id;
  ReceiverFamily family[2];
} kFamilies[] = {
    {"USB\\VID_14AA&PID_022A", {0, kNoFamily}}, {"USB\\VID_14AA&PID_0220", {0, kNoFamily}},
    {"USB\\VID_14AA&PID_0222", {0, kNoFamily}}, {"USB\\VID_14AA&PID_0221", {kNoFamily, 0}},
    {"USB\\VID_14AA&PID_022B", {kNoFamily, 0}}, {"USB\\VID_14AA&PID_0225", {1, kNoFamily}},
    {"USB\\VID_14AA&PID_0226", {kNoFamily, 1}}, {"USB\\VID_14AA&PID_0620", {2, 2}},
    {"USB\\VID_0BDA&PID_2831", {3, 3}},         {"USB\\VID_14AA&PID_0160", {3, 3}},
};

// Hardware-ID texts: listed IDs in any case, whole or cut, between other
// bytes and zero bytes, sometimes past 260 bytes.
std::string RandomHardwareIds(CampaignRandom& random) {
  static const char kOther[] = "&\\_#09afUSBVID \xE9\xFF\0";
  std::string text;
  for (unsigned n = 1 + random.Below(4); n > 0; --n) {
    std::string id = kFamilies[random.Below(sizeof(kFamilies) / sizeof(kFamilies[0]))].id;
    for (char& c : id) c = random.OneIn(3) ? static_cast<char>(tolower(c)) : c;
    if (random.OneIn(4)) id.resize(random.Below(id.size()));
    text += random.OneIn(2) ? id : std::string(random.Below(12), kOther[random.Below(sizeof(kOther))]);
  }
  if (random.OneIn(12)) text.resize(250 + random.Below(30), 'A');
  return text + std::string(random.Below(3), '\0');
}

// The family of the first listed ID of table `k` (0: DirectX) found in `id`, ASCII case ignored.
ReceiverFamily ExpectedFamily(int k, std::string id) {
  for (char& c : id) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  for (const auto& row : kFamilies)
    if (row.family[k] != kNoFamily && id.find(row.id) != std::string::npos) return row.family[k];
  return kNoFamily;
}

// A case is one random property of a real device: the first ID as the
// platform gives it back, read into 261 bytes that end at an inaccessible
// page, nothing when it exceeds 260 bytes; families by both tables, every
// row of each drawn.
TEST(ReceiverFamily, RandomHardwareIdProperties) {
  const unsigned kSeed = 20240617;
  DeviceWithHardwareId device(std::string("\0\0", 2));
  ASSERT_TRUE(device.created);
  CampaignRandom random(kSeed);
  GuardedBytes guard;
  for (int i = 0; i < 10000; ++i) {
    std::string property = RandomHardwareIds(random);
    SCOPED_TRACE(testing::Message() << "property \"" << property << "\" (" << property.size() << " bytes), case " << i
                                    << " of seed " << kSeed);
    // A byte behind the property, or the platform counts in a terminator it lacks.
    std::string source = property + '~';
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(device.set, &device.data, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(source.data()), property.size()));
    std::vector<char> stored(4096);
    DWORD size = 0;
    bool fits = SetupDiGetDeviceRegistryPropertyA(device.set, &device.data, SPDRP_HARDWAREID, nullptr,
                                                  reinterpret_cast<BYTE*>(stored.data()), 4096, &size) &&
                size <= kHardwareIdSize;
    std::string expected = fits ? std::string(stored.data(), size).c_str() : "";
    char* buffer = reinterpret_cast<char*>(guard.Place(nullptr, kHardwareIdSize + 1));
    ASSERT_EQ(fits ? 1 : 0, ReadFirstHardwareId(device.set, &device.data, buffer));
    ASSERT_EQ(expected, buffer);
    ASSERT_EQ(ExpectedFamily(0, expected), FamilyOf(kDirectXFamilies, buffer));
    ASSERT_EQ(ExpectedFamily(1, expected), FamilyOf(kCompanionFamilies, buffer));
  }
}

// A case is one random "Version" value (any type, terminated or not, some
// past the 260-byte buffer, now and then none): ReadDirectXVersion packs
// what a 260-byte read gives, its last byte replaced by the terminator.
TEST(DirectXVersion, RandomRegistryValues) {
  const unsigned kSeed = coinstaller_test::kVersionTextSeed + 1;
  static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_NONE};
  SwappedValue saved(kDirectXKey, "Version", REG_SZ, "", 1);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDirectXKey, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, &key));
  CampaignRandom random(kSeed);
  for (int i = 0; i < 10000; ++i) {
    std::string value = coinstaller_test::RandomVersionText(random);
    if (random.OneIn(2)) value += '\0';
    if (random.OneIn(10)) value.resize(250 + random.Below(20), 'z');
    DWORD type = random.Pick(kTypes);
    SCOPED_TRACE(testing::Message() << "value \"" << value << "\" of type " << type << ", case " << i << " of seed " << kSeed);
    std::string source = value + '~';  // a byte behind, so a value without terminator is stored so
    if (random.OneIn(50))
      RegDeleteValueA(key, "Version");
    else
      ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Version", 0, type, reinterpret_cast<const BYTE*>(source.data()), value.size()));
    char stored[1024];
    DWORD size = sizeof(stored);
    if (RegQueryValueExA(key, "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size) || size > 260) size = 0;
    ASSERT_EQ(coinstaller_test::ExpectedPackedVersion(size ? std::string(stored, size - 1) : ""), ReadDirectXVersion());
  }
  RegCloseKey(key);
}

SYSTEMTIME fakeToday = {2026, 12, 0, 7, 0, 0, 0, 0};
void WINAPI FakeClock(LPSYSTEMTIME now) { *now = fakeToday; }

std::string Utf16(const std::string& ascii) {
  std::string bytes("\xFF\xFE", 2);
  for (char c : ascii) bytes += std::string(1, c) + '\0';
  return bytes;
}

// The per-file step fed with synthetic find data (Linux cannot set a file's
// creation time); today is 2026-12-07.
TEST(SameDayPackage, PerFileDecisions) {
  const std::string family3 = "[Models]\r\n%Dev% = Install, USB\\VID_14aa&PID_0160\r\n";
  const struct {
    ReceiverFamily family;
    const char* name;
    std::string content;
    WORD year, month, day;
    DWORD attributes;
    bool deleted;
  } cases[] = {
      {3, "oem1.inf", family3, 2026, 12, 7, 0, true},
      {3, "oem2.inf", family3, 2026, 12, 6, 0, false},
      {3, "oem2.inf", family3, 2026, 11, 7, 0, false},
      {3, "oem2.inf", family3, 2025, 12, 7, 0, false},
      {3, "oem3.inf", "USB\\VID_14AA&PID_0620\n", 2026, 12, 7, 0, false},
      {3, "oem4.inf", Utf16(family3), 2026, 12, 7, 0, true},
      {3, "oem5.inf", family3, 2026, 12, 7, FILE_ATTRIBUTE_DIRECTORY, false},
      {3, "OEM7.INF", family3, 2026, 12, 7, 0, true},  // its OEM7.PNF stays
      {4, "oem10.inf", family3, 2026, 12, 7, 0, false},  // a family that does not exist
      // Family 0's IDs differ only in their last character.
      {0, "oem11.inf", "%D%=I,USB\\VID_14AA&PID_022A\r\n", 2026, 12, 7, 0, true},
      {0, "oem11.inf", "%D%=I,usb\\vid_14aa&pid_0220&mi_00\r\n", 2026, 12, 7, 0, true},
      {0, "oem11.inf", "x USB\\Vid_14aa&Pid_0222\r\n", 2026, 12, 7, 0, true},
      {0, "oem11.inf", "%D%=I,USB\\VID_14AA&PID_0221\r\n", 2026, 12, 7, 0, false},
      {0, "oem11.inf", "%D%=I,USB\\VID_14AA&PID_022\r\n", 2026, 12, 7, 0, false},
  };
  sameDayClock = FakeClock;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << " " << c.name);
    ScratchFolder folder;
    const std::string inf = folder.File(c.name), pnf = inf.substr(0, inf.size() - 3) + (c.name[0] == 'o' ? "pnf" : "PNF");
    if (c.attributes) CreateDirectoryA(inf.c_str(), nullptr);
    ASSERT_TRUE(c.attributes || WriteFileBytes(inf, c.content));
    SetFileAttributesA(inf.c_str(), c.attributes | FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteFileBytes(pnf, "compiled"));
    SameDayWalk walk;
    walk.family = c.family;
    walk.folder.Assign(folder.Path().c_str());
    WIN32_FIND_DATAA entry = {};
    entry.dwFileAttributes = c.attributes;
    SYSTEMTIME created = {c.year, c.month, 0, c.day, 23, 0, 0, 0};
    SystemTimeToFileTime(&created, &entry.ftCreationTime);
    lstrcpynA(entry.cFileName, c.name, MAX_PATH);
    EXPECT_EQ(!c.deleted, RemoveIfSameDayPackage(&entry, &walk));
    EXPECT_EQ(!c.deleted, Exists(inf));
    EXPECT_EQ(!c.deleted || c.name[0] == 'O', Exists(pnf));
  }
  sameDayClock = ::GetLocalTime;
}

// In the prefix's INF folder, where files made now carry today's date: of
// two packages of the family one goes, with its .pnf; other families stay.
TEST(SameDayPackage, RemovesOneMatchingPackageFromTheInfFolder) {
  const std::string inf = InfFolder();
  const char* const ids[] = {"0225", "0620", "0160", "0225", "0160", "0620"};
  for (int i = 0; i < 6; ++i) {
    WriteFileBytes(inf + "oem971" + std::to_string(i) + ".inf", std::string("[Models]\n%D% = I, USB\\VID_14AA&PID_") + ids[i] + "\n");
    WriteFileBytes(inf + "oem971" + std::to_string(i) + ".pnf", "compiled");
  }
  RemoveSameDayPackage(3);
  std::string left;
  for (int i = 0; i < 6; ++i) {
    for (const char* type : {".inf", ".pnf"}) {
      const std::string path = inf + "oem971" + std::to_string(i) + type;
      left += Exists(path) ? type[1] : '-';
      DeleteFileA(path.c_str());
    }
  }
  EXPECT_TRUE(left == "ipip--ipipip" || left == "ipipipip--ip") << left;
}

}  // namespace
