// Receiver models grouped by USB hardware ID. The DirectX step, the companion
// software and the package removal each match IDs against their own table.
#ifndef COINSTALLER_RECEIVER_FAMILY_H_
#define COINSTALLER_RECEIVER_FAMILY_H_

#include <windows.h>
#include <setupapi.h>

#include <stddef.h>

typedef int ReceiverFamily;
const ReceiverFamily kNoFamily = -1;

struct FamilyRow {
  const char* idText;
  ReceiverFamily family;
};

struct FamilyTable {
  const FamilyRow* rows;
  size_t count;
};

// The table of the DirectX step (which package to remove).
extern const FamilyTable kDirectXFamilies;
// The table of the companion software.
extern const FamilyTable kCompanionFamilies;

// The family of the first row whose ID text occurs anywhere in `hardwareId`,
// case ignored; kNoFamily when none does.
ReceiverFamily FamilyOf(const FamilyTable& table, const char* hardwareId);

// The ID texts an INF must name to belong to `family` (the package removal);
// `count` is 0 for an unknown family.
const char* const* FamilyIdTexts(ReceiverFamily family, size_t* count);

// Size of the buffer the hardware-ID property is read into.
const DWORD kHardwareIdSize = 260;

// Reads the device's hardware IDs (SPDRP_HARDWAREID) into `buffer` of
// kHardwareIdSize + 1 bytes and leaves the first ID there, terminated within
// the buffer even when the property fills it without a terminator, and ending
// with the property's last byte when it comes back unterminated.
// 1 when the property was read.
int ReadFirstHardwareId(HDEVINFO deviceInfoSet, PSP_DEVINFO_DATA deviceInfoData, char* buffer);

#endif  // COINSTALLER_RECEIVER_FAMILY_H_
