#include "fakes/fake_folder.h"

#include <string.h>

#include <sstream>

namespace testing_support {

namespace {

// The caller's environment without the variables that `added` sets, then those.
std::string EnvironmentBlock(const FakeFolder::Environment& added) {
  std::string block;
  char* strings = GetEnvironmentStringsA();
  for (const char* entry = strings; *entry; entry += strlen(entry) + 1) {
    bool overridden = false;
    for (const auto& variable : added) overridden |= _strnicmp(entry, (variable.first + "=").c_str(), variable.first.size() + 1) == 0;
    if (!overridden) block.append(entry, strlen(entry) + 1);
  }
  FreeEnvironmentStringsA(strings);
  for (const auto& variable : added) block += variable.first + "=" + variable.second + '\0';
  block += '\0';
  return block;
}

}  // namespace

// The prefix's system folder, where the program under test looks for them.
static std::string SystemFile(const std::string& name) { return "C:\\windows\\system32\\" + name; }

FakeFolder::~FakeFolder() {
  for (const std::string& name : replaced) CopyFileA(File(name + ".system").c_str(), SystemFile(name).c_str(), FALSE);
}

bool FakeFolder::AddFake(const std::string& fake, const std::string& as) {
  if (!CopyFileA(SystemFile(as).c_str(), File(as + ".system").c_str(), FALSE)) return false;
  replaced.push_back(as);
  native.push_back(as);
  return CopyFileA(BuildPath("testbin\\fakes\\" + fake).c_str(), SystemFile(as).c_str(), FALSE) != 0;
}

bool FakeFolder::PlantBeside(const std::string& fake, const std::string& as) {
  native.push_back(as);
  return CopyFileA(BuildPath("testbin\\fakes\\" + fake).c_str(), File(as).c_str(), FALSE) != 0;
}

bool FakeFolder::AddProgram(const std::string& program) {
  return CopyFileA(BuildPath("testbin\\" + program).c_str(), File(program).c_str(), FALSE) != 0;
}

bool FakeFolder::Run(const std::string& program, const std::string& arguments,
                     const Environment& environment, DWORD timeoutMs, DWORD* exitCode) {
  Environment all = environment;
  all.emplace_back("FAKE_LOG", File("fake.log"));
  std::string block = EnvironmentBlock(all);
  const std::string settings = "Software\\Wine\\AppDefaults\\" + program;
  for (const std::string& name : native)
    RegSetKeyValueA(HKEY_CURRENT_USER, (settings + "\\DllOverrides").c_str(), name.substr(0, name.rfind('.')).c_str(),
                    REG_SZ, "native", 7);
  bool ended = RunProgram("\"" + File(program) + "\" " + arguments, timeoutMs, exitCode, &block[0], Path().c_str());
  RegDeleteTreeA(HKEY_CURRENT_USER, settings.c_str());
  return ended;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string bytes, line;
  if (!ReadFileBytes(path, &bytes)) return lines;
  std::istringstream in(bytes);
  while (std::getline(in, line)) lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
  return lines;
}

}  // namespace testing_support
