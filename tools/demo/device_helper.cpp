// Creates or removes a root-enumerated Media device for the test that runs
// the install sequence against Wine's own device installer:
//
//   device_helper.exe create HARDWARE_ID OUT   writes the instance ID to OUT
//   device_helper.exe remove INSTANCE_ID
//
// Exit code 0 on success; otherwise the step that failed (10 + step) and the
// last error on standard error.
#include <windows.h>
#include <setupapi.h>

#include <stdio.h>
#include <string.h>

namespace {

const GUID kMediaClass = {0x4d36e96c, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

int Fail(int step) {
  fprintf(stderr, "step %d failed, error %lu\n", step, GetLastError());
  return 10 + step;
}

int Create(const char* hardwareId, const char* outPath) {
  HDEVINFO set = SetupDiCreateDeviceInfoListExA(&kMediaClass, nullptr, nullptr, nullptr);
  if (set == INVALID_HANDLE_VALUE) return Fail(1);
  int status = 0;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof(device);
  char ids[512] = {};
  const size_t length = strlen(hardwareId);
  char instance[512] = "";
  FILE* out = nullptr;
  if (length + 2 > sizeof(ids)) {
    status = Fail(2);
  } else if (!SetupDiCreateDeviceInfoA(set, "MEDIA", &kMediaClass, "Bramcot test receiver", nullptr,
                                       DICD_GENERATE_ID, &device)) {
    status = Fail(3);
  } else if (memcpy(ids, hardwareId, length),
             !SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                reinterpret_cast<const BYTE*>(ids), length + 2)) {
    status = Fail(4);
  } else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
    status = Fail(5);
  } else if (!SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof(instance), nullptr)) {
    status = Fail(6);
  } else if (!(out = fopen(outPath, "w"))) {
    status = Fail(7);
  } else {
    fprintf(out, "%s\n", instance);
    fclose(out);
  }
  SetupDiDestroyDeviceInfoList(set);
  return status;
}

int Remove(const char* instanceId) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (set == INVALID_HANDLE_VALUE) return Fail(1);
  int status = 0;
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof(device);
  if (!SetupDiOpenDeviceInfoA(set, instanceId, nullptr, 0, &device))
    status = Fail(2);
  else if (!SetupDiCallClassInstaller(DIF_REMOVE, set, &device))
    status = Fail(3);
  SetupDiDestroyDeviceInfoList(set);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && strcmp(argv[1], "create") == 0) return Create(argv[2], argv[3]);
  if (argc == 3 && strcmp(argv[1], "remove") == 0) return Remove(argv[2]);
  return 2;
}
