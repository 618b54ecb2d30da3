#include "ui/long_path_process.h"

#include <winternl.h>

namespace ui_test {

namespace {

// The parts of the native process-creation interface that winternl.h lacks.
struct PsAttribute {
  ULONG_PTR attribute;
  SIZE_T size;
  PVOID value;
  PSIZE_T returnLength;
};

struct PsAttributeList {
  SIZE_T totalLength;
  PsAttribute attributes[1];
};

struct PsCreateInfo {
  SIZE_T size;
  ULONG state;
  BYTE details[76];
};

const ULONG_PTR kAttributeImageName = 0x20005;  // PsAttributeImageName, input
const ULONG kParametersNormalized = 0x01;

typedef NTSTATUS NTAPI CreateParameters(RTL_USER_PROCESS_PARAMETERS**, UNICODE_STRING*, UNICODE_STRING*,
                                        UNICODE_STRING*, UNICODE_STRING*, PVOID, UNICODE_STRING*,
                                        UNICODE_STRING*, UNICODE_STRING*, UNICODE_STRING*, ULONG);
typedef NTSTATUS NTAPI DestroyParameters(RTL_USER_PROCESS_PARAMETERS*);
typedef NTSTATUS NTAPI CreateUserProcess(HANDLE*, HANDLE*, ACCESS_MASK, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                         POBJECT_ATTRIBUTES, ULONG, ULONG, RTL_USER_PROCESS_PARAMETERS*,
                                         PsCreateInfo*, PsAttributeList*);

template <typename F>
F* Export(const char* name) {
  return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

UNICODE_STRING Counted(const std::wstring& text) {
  UNICODE_STRING counted;
  counted.Length = static_cast<USHORT>(text.size() * sizeof(WCHAR));
  counted.MaximumLength = counted.Length;
  counted.Buffer = const_cast<PWSTR>(text.c_str());
  return counted;
}

}  // namespace

bool StartLongPathProcess(const std::wstring& program, const std::wstring& commandLine,
                          HANDLE* process, LONG* status) {
  CreateParameters* createParameters = Export<CreateParameters>("RtlCreateProcessParametersEx");
  DestroyParameters* destroyParameters = Export<DestroyParameters>("RtlDestroyProcessParameters");
  CreateUserProcess* createProcess = Export<CreateUserProcess>("NtCreateUserProcess");
  *status = -1;
  if (!createParameters || !destroyParameters || !createProcess) return false;

  std::wstring ntPath = L"\\??\\" + program;
  UNICODE_STRING image = Counted(program);
  UNICODE_STRING line = Counted(commandLine);
  RTL_USER_PROCESS_PARAMETERS* parameters = nullptr;
  *status = createParameters(&parameters, &image, nullptr, nullptr, &line, nullptr, nullptr, nullptr,
                             nullptr, nullptr, kParametersNormalized);
  if (*status < 0) return false;

  PsCreateInfo info = {};
  info.size = sizeof(info);
  PsAttributeList attributes = {};
  attributes.totalLength = sizeof(attributes);
  attributes.attributes[0].attribute = kAttributeImageName;
  attributes.attributes[0].size = ntPath.size() * sizeof(WCHAR);
  attributes.attributes[0].value = const_cast<wchar_t*>(ntPath.c_str());
  HANDLE thread = nullptr;
  *status = createProcess(process, &thread, PROCESS_ALL_ACCESS, THREAD_ALL_ACCESS, nullptr, nullptr, 0, 0,
                          parameters, &info, &attributes);
  destroyParameters(parameters);
  if (*status < 0) return false;
  CloseHandle(thread);
  return true;
}

}  // namespace ui_test
