#include "base/registry_scratch.h"

#include <aclapi.h>
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
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool SetValue(HKEY root, const std::string& path, const char* name, DWORD type,
              const std::string& bytes) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
  LONG status = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool MakeUndeletable(HKEY root, const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("O:SYD:(D;;GA;;;WD)", SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return false;
  HKEY key;
  LONG status = RegOpenKeyExA(root, path.c_str(), 0, WRITE_OWNER | WRITE_DAC, &key);
  if (status == ERROR_SUCCESS) {
    status = RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor);
    RegCloseKey(key);
  }
  LocalFree(descriptor);
  return status == ERROR_SUCCESS && RegDeleteKeyA(root, path.c_str()) != ERROR_SUCCESS &&
         KeyExists(root, path);
}

std::string SecurityBytes(HKEY key) {
  char buffer[4096];
  DWORD size = sizeof(buffer);
  if (RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                 DACL_SECURITY_INFORMATION,
                        buffer, &size) != ERROR_SUCCESS)
    return std::string();
  return std::string(buffer, size);
}

::testing::AssertionResult GrantsEveryoneFullAccess(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
    return ::testing::AssertionFailure() << path << " cannot be opened for READ_CONTROL";
  char buffer[4096];
  DWORD size = sizeof(buffer);
  LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return ::testing::AssertionFailure() << "RegGetKeySecurity " << status;

  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(buffer, &present, &dacl, &defaulted) || !present || !dacl)
    return ::testing::AssertionFailure() << "no DACL";
  if (dacl->AceCount != 1) return ::testing::AssertionFailure() << dacl->AceCount << " entries";
  ACCESS_ALLOWED_ACE* ace = nullptr;
  if (!GetAce(dacl, 0, reinterpret_cast<void**>(&ace)))
    return ::testing::AssertionFailure() << "GetAce";
  if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE)
    return ::testing::AssertionFailure() << "entry type " << int(ace->Header.AceType);
  const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
  if ((ace->Header.AceFlags & inherit) != inherit)
    return ::testing::AssertionFailure() << "entry flags " << int(ace->Header.AceFlags);
  // The platform may keep the generic right or map it to the key rights.
  if (ace->Mask != GENERIC_ALL && (ace->Mask & KEY_ALL_ACCESS) != KEY_ALL_ACCESS)
    return ::testing::AssertionFailure() << "entry mask " << std::hex << ace->Mask;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  bool isEveryone = EqualSid(reinterpret_cast<PSID>(&ace->SidStart), everyone);
  FreeSid(everyone);
  if (!isEveryone) return ::testing::AssertionFailure() << "entry is not for Everyone";
  return ::testing::AssertionSuccess();
}

VolatileKey::VolatileKey() {
  static LONG counter = 0;
  char name[64];
  snprintf(name, sizeof(name), "volatile-%lu-%ld", GetCurrentProcessId(),
           InterlockedIncrement(&counter));
  path = std::string("Software\\Bramcot Tests\\") + name;
  CreateKey(HKEY_CURRENT_USER, "Software\\Bramcot Tests");
  CreateKey(HKEY_CURRENT_USER, path, REG_OPTION_VOLATILE);
}

VolatileKey::~VolatileKey() {
  RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

bool VolatileKey::Create(const std::string& relative) const {
  // Volatile keys take only volatile sub-keys: create each level in turn.
  std::string sub = path;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    sub += "\\" + relative.substr(start, end - start);
    if (!CreateKey(HKEY_CURRENT_USER, sub, REG_OPTION_VOLATILE)) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace registry_scratch
