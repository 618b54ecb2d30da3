// setupapi.dll, and newdev.dll and cfgmgr32.dll when copied under those
// names: records the two driver-package calls in FAKE_LOG and answers from
// the environment of the process that loads it:
//   FAKE_NEWDEV_ANSWER    what UpdateDriverForPlugAndPlayDevicesA returns: a
//                         decimal number as is, or a list of hardware IDs
//                         separated by ';' that get TRUE (case-insensitive;
//                         others, and every ID when unset, get FALSE with
//                         ERROR_NO_SUCH_DEVINST)
//   FAKE_NEWDEV_BLOCK     name of an event that call waits for (up to 5 min)
//                         once it has written its line
//   FAKE_SETUPAPI_ANSWER  what SetupCopyOEMInfA returns: a decimal number
//                         (FALSE, with ERROR_ACCESS_DENIED, when unset or 0)
//   FAKE_SETUPAPI_HARDWARE_ID  the bytes SetupDiGetDeviceRegistryPropertyA
//                         gives for any property, without a terminator, as
//                         a registry value stored without one comes back
//                         (fails when unset or longer than the buffer)
#include <stdlib.h>
#include <string.h>

#include "fakes/fake_log.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

BOOL Answer(const char* variable, const char* hardwareId) {
  char answer[1024] = "";
  if (GetEnvironmentVariableA(variable, answer, sizeof(answer)) >= sizeof(answer)) return FALSE;
  if (*answer && strspn(answer, "0123456789") == strlen(answer)) return static_cast<BOOL>(strtoul(answer, nullptr, 10));
  for (char* id = strtok(answer, ";"); id && hardwareId; id = strtok(nullptr, ";"))
    if (_stricmp(id, hardwareId) == 0) return TRUE;
  return FALSE;
}

}  // namespace

FAKE_EXPORT BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND owner, LPCSTR hardwareId, LPCSTR infPath,
                                                          DWORD flags, PBOOL rebootRequired) {
  // The line names the library, which is this one under another name.
  char name[MAX_PATH] = "";
  GetModuleFileNameA(reinterpret_cast<HMODULE>(&__ImageBase), name, MAX_PATH);
  FakeLog("%s UpdateDriver %lu %s %s %lX %s", strrchr(name, '\\') + 1, static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(owner)),
          hardwareId, infPath, flags, rebootRequired ? "set" : "null");
  HANDLE block = GetEnvironmentVariableA("FAKE_NEWDEV_BLOCK", name, MAX_PATH) ? OpenEventA(SYNCHRONIZE, FALSE, name) : nullptr;
  if (block) WaitForSingleObject(block, 5 * 60 * 1000), CloseHandle(block);
  // As the platform does after binding a driver: ask for a restart.
  if (rebootRequired) *rebootRequired = TRUE;
  const BOOL answer = Answer("FAKE_NEWDEV_ANSWER", hardwareId);
  if (!answer) SetLastError(0xE000020B);  // ERROR_NO_SUCH_DEVINST
  return answer;
}

FAKE_EXPORT BOOL WINAPI SetupCopyOEMInfA(PCSTR infPath, PCSTR location, DWORD mediaType, DWORD style, PSTR name,
                                        DWORD size, PDWORD required, PSTR* component) {
  FakeLog("SetupCopyOEMInf %s %s %lu %lX %d %lu %d %d", infPath, location, mediaType, style, name != nullptr, size,
          required != nullptr, component != nullptr);
  const BOOL answer = Answer("FAKE_SETUPAPI_ANSWER", nullptr);
  if (!answer) SetLastError(ERROR_ACCESS_DENIED);
  return answer;
}

// The device-information arguments are not looked at (setupapi.h is not
// included: it would declare these functions as imported).
FAKE_EXPORT BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(void*, void*, DWORD, PDWORD type, PBYTE buffer,
                                                         DWORD bufferSize, PDWORD requiredSize) {
  char value[1024];
  const DWORD length = GetEnvironmentVariableA("FAKE_SETUPAPI_HARDWARE_ID", value, sizeof(value));
  if (requiredSize) *requiredSize = length;
  if (length == 0 || length >= sizeof(value) || length > bufferSize)
    return SetLastError(length ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_DATA), FALSE;
  if (type) *type = REG_MULTI_SZ;
  memcpy(buffer, value, length);
  return TRUE;
}
