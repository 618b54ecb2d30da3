#include "base/registry_scratch.h"

#include <sddl.h>
#include <stdio.h>

namespace registry_scratch {

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key;
  LONG status = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  // A key whose DACL denies us still exists.
  return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

bool CreateKey(HKEY root, const std::string& path, DWORD options) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes) {
  return RegSetKeyValueA(root, path.c_str(), name, type, bytes.data(), static_cast<DWORD>(bytes.size())) ==
         ERROR_SUCCESS;
}

bool MakeUndeletable(HKEY root, const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("O:SYD:(D;;GA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return false;
  HKEY key;
  LONG status = RegOpenKeyExA(root, path.c_str(), 0, WRITE_OWNER | WRITE_DAC, &key);
  if (status == ERROR_SUCCESS) {
    status = RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor);
    RegCloseKey(key);
  }
  LocalFree(descriptor);
  return status == ERROR_SUCCESS && RegDeleteKeyA(root, path.c_str()) != ERROR_SUCCESS && KeyExists(root, path);
}

std::string DaclText(HKEY root, const std::string& path) {
  HKEY key;
  char buffer[4096];
  DWORD size = sizeof(buffer);
  char* text = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return "";
  LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || !ConvertSecurityDescriptorToStringSecurityDescriptorA(
                                     buffer, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
    return "";
  std::string dacl = text;
  LocalFree(text);
  return dacl;
}

VolatileKey::VolatileKey() {
  static LONG counter = 0;
  char name[64];
  snprintf(name, sizeof(name), "volatile-%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
  path = std::string("Software\\Bramcot Tests\\") + name;
  CreateKey(HKEY_CURRENT_USER, "Software\\Bramcot Tests");
  CreateKey(HKEY_CURRENT_USER, path, REG_OPTION_VOLATILE);
}

VolatileKey::~VolatileKey() {
  RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

bool VolatileKey::Create(const std::string& relative) const {
  std::string sub = path;
  for (size_t start = 0, end; start <= relative.size(); start = end + 1) {
    end = std::min(relative.find('\\', start), relative.size());
    sub += "\\" + relative.substr(start, end - start);
    if (!CreateKey(HKEY_CURRENT_USER, sub, REG_OPTION_VOLATILE)) return false;
  }
  return true;
}

}  // namespace registry_scratch
