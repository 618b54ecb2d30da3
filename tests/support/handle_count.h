// The number of handles this process holds, from the system's handle list
// (Wine's GetProcessHandleCount always answers 0). 0 when unavailable.
#ifndef TESTS_SUPPORT_HANDLE_COUNT_H_
#define TESTS_SUPPORT_HANDLE_COUNT_H_

#include <windows.h>

#include <vector>

inline DWORD OwnHandleCount() {
  struct Entry {
    ULONG ownerPid;
    BYTE objectType, flags;
    USHORT value;
    PVOID object;
    ULONG access;
  };
  auto query = reinterpret_cast<LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG)>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  const ULONG kSystemHandleInformation = 16;
  std::vector<char> buffer(1 << 16);
  ULONG needed = 0;
  LONG status;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
         static_cast<LONG>(0xC0000004))  // STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(buffer.size() * 2);
  if (status != 0) return 0;
  ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
  const Entry* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG));
  DWORD own = 0;
  for (ULONG i = 0; i < count; ++i) own += entries[i].ownerPid == GetCurrentProcessId();
  return own;
}

// True when the count follows a handle created and closed.
inline bool HandleCountWorks() {
  DWORD before = OwnHandleCount();
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD during = OwnHandleCount();
  CloseHandle(event);
  return before > 0 && during == before + 1 && OwnHandleCount() == before;
}

#endif  // TESTS_SUPPORT_HANDLE_COUNT_H_
