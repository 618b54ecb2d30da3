#include "fakes/fake_folder.h"

#include <string.h>

namespace testing_support {

namespace {

// The caller's environment without the variables that `added` sets, then those.
std::string EnvironmentBlock(const FakeFolder::Environment& added) {
  std::string block;
  char* strings = GetEnvironmentStringsA();
  for (const char* entry = strings; *entry; entry += strlen(entry) + 1) {
    bool overridden = false;
    for (const auto& variable : added) {
      const std::string prefix = variable.first + "=";
      if (_strnicmp(entry, prefix.c_str(), prefix.size()) == 0) overridden = true;
    }
    if (!overridden) block.append(entry, strlen(entry) + 1);
  }
  FreeEnvironmentStringsA(strings);
  for (const auto& variable : added) block += variable.first + "=" + variable.second + '\0';
  block += '\0';
  return block;
}

}  // namespace

bool FakeFolder::AddFake(const std::string& fake, const std::string& as) {
  if (!CopyFileA(BuildPath("testbin\\fakes\\" + fake).c_str(), File(as).c_str(), FALSE)) return false;
  fakes.push_back(as.substr(0, as.rfind('.')));
  return true;
}

bool FakeFolder::AddProgram(const std::string& program) {
  return CopyFileA(BuildPath("testbin\\" + program).c_str(), File(program).c_str(), FALSE) != 0;
}

bool FakeFolder::Run(const std::string& program, const std::string& arguments,
                     const Environment& environment, DWORD timeoutMs, DWORD* exitCode) {
  Environment all = environment;
  all.emplace_back("FAKE_LOG", LogPath());
  std::string block = EnvironmentBlock(all);
  std::string line = "\"" + File(program) + "\" " + arguments;
  const std::string settings = "Software\\Wine\\AppDefaults\\" + program;
  const std::string overrides = settings + "\\DllOverrides";
  for (const std::string& fake : fakes)
    RegSetKeyValueA(HKEY_CURRENT_USER, overrides.c_str(), fake.c_str(), REG_SZ, "native", 7);
  struct Cleanup {
    const std::string& key;
    ~Cleanup() {
      RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
      RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
  } cleanup{settings};

  return RunProgram(line, timeoutMs, exitCode, &block[0], Path().c_str());
}

std::vector<std::string> FakeFolder::LogLines() const { return ReadLines(LogPath()); }

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) return lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace testing_support
