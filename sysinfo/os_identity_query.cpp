// The platform side of the extended classification: asks the registry and
// the system metrics, then hands the answers to AddExtendedBits.
#include "sysinfo/os_identity.h"

#include <string.h>

#include "base/library_handle.h"
#include "base/registry_key.h"

namespace {

// Reads a string value under HKLM into `text` (260 bytes); 1 when read.
int ReadMachineText(const char* path, const char* name, char* text, DWORD size) {
  RegistryKey key;
  if (!key.Open(HKEY_LOCAL_MACHINE, path)) return 0;
  return key.QueryString(name, text, size);
}

int MachineKeyOpens(const char* path) {
  RegistryKey key;
  return key.Open(HKEY_LOCAL_MACHINE, path);
}

}  // namespace

OsKindWord ClassifyOsExtended(const OsRules& rules) {
  OsVersionData version;
  if (!QueryOsVersion(&version)) return 0;
  OsKindWord word = ClassifyVersion(version, rules.exactServicePack);
  if (!(word & kOsNt)) return word;

  OsExtendedAnswers answers;
  memset(&answers, 0, sizeof(answers));
  char productType[260];
  if (ReadMachineText("SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType", productType,
                      sizeof(productType)))
    answers.productType = productType;
  answers.miniNtKey = MachineKeyOpens("SYSTEM\\CurrentControlSet\\Control\\MiniNT");
  answers.peBuilderKey = MachineKeyOpens("SYSTEM\\CurrentControlSet\\Control\\PE Builder");
  if (rules.fundamentals) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\WPA\\Fundamentals"))
      answers.fundamentalsRead = key.QueryDword("Installed", &answers.fundamentalsInstalled);
  }
  answers.tabletPc = GetSystemMetrics(SM_TABLETPC);
  answers.mediaCenter = GetSystemMetrics(SM_MEDIACENTER);
  answers.remoteSession = GetSystemMetrics(SM_REMOTESESSION);
  answers.starter = GetSystemMetrics(SM_STARTER);
  answers.serverR2 = GetSystemMetrics(SM_SERVERR2);
  char ident[260];
  if (ReadMachineText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Media Center", "Ident", ident,
                      sizeof(ident)))
    answers.mediaCenterIdent = ident;
  return AddExtendedBits(word, answers, rules);
}

int IsWow64() {
  LibraryHandle kernel;
  if (!kernel.Load("kernel32.dll")) return 0;
  ProcSlot<decltype(::IsWow64Process)> isWow64Process;
  if (!isWow64Process.Bind(kernel, "IsWow64Process")) return 0;
  BOOL wow64 = FALSE;
  return isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
