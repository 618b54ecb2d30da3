#include "coinstaller/install_medium.h"

#include <new>

#include "base/file_object.h"
#include "base/text_string.h"

LogicalDrivesFunction* logicalDrivesQuery = ::GetLogicalDrives;
DriveTypeFunction* driveTypeQuery = ::GetDriveTypeA;

namespace {

LockedList<DriveRecord> driveList;

const int kLetterCount = 26;

void ScanDrives(LockedList<DriveRecord>& list) {
  const DWORD mask = logicalDrivesQuery() & ((1u << kLetterCount) - 1);
  // Bit 0, drive A:, is never taken.
  for (int bit = 1; bit < kLetterCount && (mask >> bit) != 0; ++bit) {
    if (!(mask & (1u << bit))) continue;
    DriveRecord* record = new (std::nothrow) DriveRecord(static_cast<char>('A' + bit));
    if (!record) continue;
    char root[] = "?:\\";
    root[0] = record->letter;
    record->mediaClass = MediaClassOf(driveTypeQuery(root));
    list.Append(record);
  }
}

}  // namespace

int MediaClassOf(UINT driveType) {
  switch (driveType) {
    case DRIVE_REMOVABLE: return kMediaRemovable;
    case DRIVE_FIXED: return kMediaFixed;
    case DRIVE_REMOTE: return kMediaRemote;
    case DRIVE_CDROM: return kMediaCdRom;
    case DRIVE_RAMDISK: return kMediaRamDisk;
    default: return kMediaFixed;
  }
}

LockedList<DriveRecord>& DriveList() { return driveList; }

char LocateInstallMedium() {
  driveList.Open();
  ScanDrives(driveList);
  char result = ' ';
  TextString marker;
  driveList.Lock();
  for (DriveRecord* record = driveList.First(); record; record = driveList.Next(record)) {
    if (record->mediaClass != kMediaCdRom) continue;
    if (marker.Format("%c:\\Zovodav\\setup.exe", record->letter) && FileObject::Exists(marker.Buffer())) {
      result = record->letter;
      break;
    }
  }
  driveList.Unlock();
  driveList.DeleteAll();
  return result;
}
