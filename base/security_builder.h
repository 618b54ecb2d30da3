// Security descriptors that let every user reach an object: registry keys the
// installer must open up before deleting them, and global named events.
#ifndef BASE_SECURITY_BUILDER_H_
#define BASE_SECURITY_BUILDER_H_

#include <windows.h>
#include <sddl.h>

#include "base/library_handle.h"

// Everyone (World) gets generic-all access, inherited by sub-objects and
// sub-containers.
extern const char kOpenAccessDefinition[];

// Binds the security functions of advapi32.dll lazily: each is looked up on
// its first use and a miss is retried on the next one. A builder whose
// library did not load fails every build. Created on the stack for one use.
class SecurityBuilder {
 public:
  SecurityBuilder();
  SecurityBuilder(const SecurityBuilder&) = delete;
  SecurityBuilder& operator=(const SecurityBuilder&) = delete;

  // A copy of a security descriptor on the runtime heap, which the caller
  // releases with free(); null on failure.
  // With a definition string: the self-relative descriptor the platform makes
  // of it (revision 1), of the size the platform reports.
  // With null: a 20-byte absolute descriptor with a present but null DACL,
  // which grants every access to everyone.
  PSECURITY_DESCRIPTOR BuildDescriptor(const char* definition);

  // Fills `attributes` (length 12, handle inheritance `inherit`, descriptor
  // from BuildDescriptor(definition)). 1 when a descriptor was built; the
  // caller frees lpSecurityDescriptor. 0 when `attributes` is null.
  int BuildSecurityAttributes(const char* definition, SECURITY_ATTRIBUTES* attributes, int inherit);

  // Opens root\path for WRITE_DAC, creating it when absent, and sets the
  // open-access DACL on it. 1 when the DACL was set; 0 when the caller lacks
  // WRITE_DAC (nothing changes) or path is null or empty (a root is never
  // touched).
  int GrantOpenAccess(HKEY root, const char* path);

 private:
  LibraryHandle library;
  LazyProc<decltype(::ConvertStringSecurityDescriptorToSecurityDescriptorA)> convertString;
  LazyProc<decltype(::InitializeSecurityDescriptor)> initializeDescriptor;
  LazyProc<decltype(::SetSecurityDescriptorDacl)> setDacl;
};

#endif  // BASE_SECURITY_BUILDER_H_
