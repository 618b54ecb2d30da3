#include "base/security_builder.h"

#include <stdlib.h>
#include <string.h>

#include "base/registry_key.h"

const char kOpenAccessDefinition[] = "D:(A;OICI;GA;;;WD)";

// The null-DACL descriptor is handed out in its absolute form, whose size is
// fixed on 32-bit Windows.
static_assert(sizeof(SECURITY_DESCRIPTOR) == 20, "32-bit absolute security descriptor");
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12, "32-bit security attributes");

SecurityBuilder::SecurityBuilder()
    : convertString("ConvertStringSecurityDescriptorToSecurityDescriptorA"),
      initializeDescriptor("InitializeSecurityDescriptor"),
      setDacl("SetSecurityDescriptorDacl") {
  library.Load("advapi32.dll");
}

PSECURITY_DESCRIPTOR SecurityBuilder::BuildDescriptor(const char* definition) {
  if (definition) {
    auto* convert = convertString.Resolve(library);
    if (!convert) return nullptr;
    PSECURITY_DESCRIPTOR converted = nullptr;
    ULONG size = 0;
    void* copy = nullptr;
    if (convert(definition, SDDL_REVISION_1, &converted, &size) && size != 0) {
      copy = malloc(size);
      if (copy) memcpy(copy, converted, size);
    }
    if (converted) LocalFree(converted);
    return copy;
  }

  auto* initialize = initializeDescriptor.Resolve(library);
  auto* setSecurityDacl = setDacl.Resolve(library);
  if (!initialize || !setSecurityDacl) return nullptr;
  SECURITY_DESCRIPTOR descriptor;
  if (!initialize(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return nullptr;
  if (!setSecurityDacl(&descriptor, TRUE, nullptr, FALSE)) return nullptr;
  void* copy = malloc(sizeof(descriptor));
  if (copy) memcpy(copy, &descriptor, sizeof(descriptor));
  return copy;
}

int SecurityBuilder::BuildSecurityAttributes(const char* definition, SECURITY_ATTRIBUTES* attributes,
                                             int inherit) {
  if (!attributes) return 0;
  attributes->nLength = sizeof(SECURITY_ATTRIBUTES);
  attributes->bInheritHandle = inherit;
  attributes->lpSecurityDescriptor = BuildDescriptor(definition);
  return attributes->lpSecurityDescriptor != nullptr;
}

int SecurityBuilder::GrantOpenAccess(HKEY root, const char* path) {
  PSECURITY_DESCRIPTOR descriptor = BuildDescriptor(kOpenAccessDefinition);
  if (!descriptor) return 0;
  int result = 0;
  RegistryKey key;
  // Create refuses an empty path, which would open the root itself.
  if (key.Create(root, path, WRITE_DAC))
    result = RegSetKeySecurity(key.Handle(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  key.Close();
  free(descriptor);
  return result;
}
