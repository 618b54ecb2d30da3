#include "sysinfo/processor_info.h"

#include <stdio.h>
#include <string.h>

#include "base/registry_key.h"

namespace {

const ULONG kProcessorSpeedInformation = 43;
const LONG kStatusProcedureNotFound = static_cast<LONG>(0xC00000FF);

// Reads a string value into `out` through a 260-byte buffer; a missing value
// leaves `out` unchanged.
void ReadText(RegistryKey& key, const char* name, TextString& out) {
  char text[260];
  if (key.QueryString(name, text, sizeof(text))) out.Assign(text);
}

}  // namespace

NtQuerySystemInformationFunction* ProcessorInfo::queryOverride = nullptr;

NtdllBinding::NtdllBinding(int load) : query("NtQuerySystemInformation") {
  if (load) ntdll.Load("ntdll.dll");
}

ProcessorInfo::ProcessorInfo(const OsRules& rules)
    : isNt((ClassifyOs() & kOsNt) != 0),
      speedBufferSize(static_cast<ULONG>(rules.speedBufferSize)),
      binding(!rules.ntdllOnlyOnNt || isNt) {}

int ProcessorInfo::QueryProcessor(unsigned index, TextString& name, TextString& vendor, TextString* identifier,
                                  DWORD* mhz) {
  char path[64];
  snprintf(path, sizeof(path), "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\%u", index);
  RegistryKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, path)) return 0;
  ReadText(key, isNt ? "ProcessorNameString" : "Identifier", name);
  ReadText(key, "VendorIdentifier", vendor);
  if (isNt && identifier) ReadText(key, "Identifier", *identifier);
  if (mhz) {
    key.QueryDword("~MHz", mhz);
    // Three 32-bit values (the second the current speed in hertz), then
    // three flag bytes.
    unsigned char speed[16];
    memset(speed, 0, sizeof(speed));
    if (QuerySystemInformation(kProcessorSpeedInformation, speed, speedBufferSize, nullptr) == 0) {
      DWORD hertz;
      memcpy(&hertz, speed + 4, sizeof(hertz));
      if (hertz) *mhz = hertz / 1000000;
    }
  }
  key.Close();
  return 1;
}

LONG ProcessorInfo::QuerySystemInformation(ULONG informationClass, void* buffer, ULONG length,
                                           ULONG* returnLength) {
  NtQuerySystemInformationFunction* query = queryOverride;
  if (!query) query = binding.Resolve();
  if (!query) return kStatusProcedureNotFound;
  return query(informationClass, buffer, length, returnLength);
}
