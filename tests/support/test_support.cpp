#include "support/test_support.h"

namespace testing_support {

namespace {

LONG counter = 0;

std::string UniqueName(const char* stem) {
  return std::string(stem) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(InterlockedIncrement(&counter));
}

}  // namespace

std::string BuildPath(const std::string& relative) {
  // Wine maps the Linux root to drive Z:.
  std::string path = "Z:" BRAMCOT_BUILD_DIR "/" + relative;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

ScratchFolder::ScratchFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path = std::string(temp) + UniqueName("bramtest") + "\\";
  CreateDirectoryA(path.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveFolderTree(path); }

void RemoveFolderTree(const std::string& folder) {
  const std::string base = folder.back() == '\\' ? folder : folder + '\\';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
  for (BOOL found = find != INVALID_HANDLE_VALUE; found; found = FindNextFileA(find, &data)) {
    const std::string name = data.cFileName, full = base + name;
    if (name == "." || name == "..") continue;
    SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      RemoveFolderTree(full);
    else
      DeleteFileA(full.c_str());
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  SetFileAttributesA(base.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(base.c_str());
}

ScratchKey::ScratchKey() : path("Software\\Bramcot Tests\\" + UniqueName("key")) {
  HKEY key;
  if (RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
}

// Given a sub-key, RegDeleteTreeA deletes that key too.
ScratchKey::~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char block[65536];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof(block), &got, nullptr) && got) bytes->append(block, got);
  CloseHandle(file);
  return true;
}

void SetEmulatedVersion(const std::string& exe, const std::string& version) {
  const std::string key = "Software\\Wine\\AppDefaults\\" + exe;
  if (version.empty())
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  else
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Version", REG_SZ, version.c_str(), DWORD(version.size() + 1));
}

bool RunProgram(const std::string& commandLine, DWORD timeoutMs, DWORD* exitCode, const char* environment,
                const char* directory) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, const_cast<char*>(environment), directory,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  bool ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
  if (ended)
    GetExitCodeProcess(process.hProcess, exitCode);
  else
    TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
  return ended;
}

}  // namespace testing_support
