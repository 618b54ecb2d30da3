// Creates a global named event and reports under which name it exists and
// whether its DACL is null.
#include <aclapi.h>
#include <stdio.h>

#include <string>

#include "base/waitable_handle.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  WaitableHandle event;
  if (!event.CreateNamedEvent(1, 0, argv[1], 1)) return 3;
  std::string global = std::string("Global\\") + argv[1];
  HANDLE asGlobal = OpenEventA(SYNCHRONIZE, FALSE, global.c_str());
  HANDLE asPlain = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  int nullDacl = 0;
  if (GetSecurityInfo(event.Handle(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                      nullptr, &descriptor) == ERROR_SUCCESS) {
    BOOL present = FALSE, defaulted = FALSE;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    nullDacl = present && !dacl;
    LocalFree(descriptor);
  }
  FILE* out = fopen(argv[2], "w");
  if (!out) return 4;
  fprintf(out, "global=%d plain=%d nulldacl=%d", asGlobal != nullptr, asPlain != nullptr, nullDacl);
  fclose(out);
  return 0;
}
