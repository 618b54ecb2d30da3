// Processor names, vendors, identifiers and clock rates for the crash report.
#ifndef SYSINFO_PROCESSOR_INFO_H_
#define SYSINFO_PROCESSOR_INFO_H_

#include <windows.h>

#include "base/library_handle.h"
#include "base/text_string.h"
#include "sysinfo/os_identity.h"

typedef LONG WINAPI NtQuerySystemInformationFunction(ULONG, PVOID, ULONG, PULONG);

// "ntdll.dll", loaded with the binding; NtQuerySystemInformation looked up on
// first use and again after a miss.
class NtdllBinding {
 public:
  explicit NtdllBinding(int load);
  NtQuerySystemInformationFunction* Resolve() { return query.Resolve(ntdll); }

 private:
  LibraryHandle ntdll;
  LazyProc<NtQuerySystemInformationFunction> query;
};

class ProcessorInfo {
 public:
  // `rules` tell whether ntdll is bound off NT and the speed buffer's size.
  explicit ProcessorInfo(const OsRules& rules);

  // Reads processor `index` from the registry's hardware description. 1 when
  // its key exists (callers loop until 0). Missing values leave their outs
  // unchanged; `identifier` and `mhz` may be null.
  int QueryProcessor(unsigned index, TextString& name, TextString& vendor, TextString* identifier, DWORD* mhz);
  // NtQuerySystemInformation's status, or 0xC00000FF when it cannot be found.
  LONG QuerySystemInformation(ULONG informationClass, void* buffer, ULONG length, ULONG* returnLength);

  // Test seam: when set, called instead of the kernel.
  static NtQuerySystemInformationFunction* queryOverride;

 private:
  int isNt;
  ULONG speedBufferSize;
  NtdllBinding binding;
};

#endif  // SYSINFO_PROCESSOR_INFO_H_
