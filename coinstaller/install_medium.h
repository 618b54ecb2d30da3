// Finding the install medium: the first CD-ROM drive, in letter order, that
// carries "Zovodav\setup.exe".
#ifndef COINSTALLER_INSTALL_MEDIUM_H_
#define COINSTALLER_INSTALL_MEDIUM_H_

#include <windows.h>

#include "base/locked_list.h"

// What a drive's root is, as GetDriveTypeA reports it.
const int kMediaFixed = 2;
const int kMediaCdRom = 3;
const int kMediaRemovable = 5;
const int kMediaRamDisk = 6;
const int kMediaRemote = 7;

// One drive letter in use, held in the drive list during one search.
class DriveRecord : public ListedItem {
 public:
  explicit DriveRecord(char driveLetter) : letter(driveLetter), mediaClass(kMediaFixed) {}

  char letter;     // 'B'-'Z'
  int mediaClass;  // kMedia...
};

// The mediaClass for a GetDriveTypeA result; unknown types and a missing
// root give kMediaFixed.
int MediaClassOf(UINT driveType);

// Records every drive letter in use but A:, then returns the letter of the
// first CD-ROM drive on which "%c:\Zovodav\setup.exe" opens as a file, or ' '
// when there is none. Letters beyond Z: in the drive mask are ignored. Only
// CD-ROM drives are touched. The drive list is empty again on return.
char LocateInstallMedium();

// The process-wide drive list, constructed when the module is loaded.
LockedList<DriveRecord>& DriveList();

// Test seams for GetLogicalDrives and GetDriveTypeA.
typedef DWORD WINAPI LogicalDrivesFunction();
typedef UINT WINAPI DriveTypeFunction(LPCSTR root);
extern LogicalDrivesFunction* logicalDrivesQuery;
extern DriveTypeFunction* driveTypeQuery;

#endif  // COINSTALLER_INSTALL_MEDIUM_H_
