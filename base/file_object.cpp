#include "base/file_object.h"

#include <stdlib.h>

namespace {

const DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

struct ModeRow {
  DWORD access;
  DWORD disposition;
};

const ModeRow kModes[] = {
    {GENERIC_READ, OPEN_EXISTING},                  // OpenRead
    {GENERIC_WRITE, CREATE_ALWAYS},                 // CreateWrite
    {GENERIC_WRITE, OPEN_EXISTING},                 // OpenWrite
    {GENERIC_WRITE, OPEN_ALWAYS},                   // OpenOrCreateWrite
    {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},    // OpenOrCreateReadWrite
    {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING},  // OpenReadWrite
};

}  // namespace

FileObject::~FileObject() {
  Close();
  free(readBuffer);
}

int FileObject::Open(const char* path, int mode, DWORD flagsAndAttributes) {
  Close();
  readPos = 0;
  readCount = 0;
  if (mode < 0 || mode > OpenReadWrite || !path) return 0;
  HANDLE opened = CreateFileA(path, kModes[mode].access, kShare, nullptr, kModes[mode].disposition,
                              flagsAndAttributes, nullptr);
  if (opened == INVALID_HANDLE_VALUE || opened == nullptr) return 0;
  handle = opened;
  return 1;
}

int FileObject::Close() {
  if (!handle) return 0;
  CloseHandle(handle);
  handle = nullptr;
  return 1;
}

// Reads into the buffer behind its first `offset` bytes (kept: a carried
// byte); readCount becomes offset + the bytes read. 0 when the read failed.
int FileObject::Fill(DWORD offset) {
  DWORD got = 0;
  if (!handle || !ReadFile(handle, readBuffer + offset, kReadBufferSize - offset, &got, nullptr))
    return 0;
  readCount = offset + got;
  return 1;
}

int FileObject::ReadLine(TextString& line, int wideUnits) {
  if (!readBuffer) {
    readBuffer = static_cast<unsigned char*>(malloc(kReadBufferSize));
    if (!readBuffer) return 0;
  }
  line.Assign("");
  for (;;) {
    if (readPos == 0 && !Fill(0)) return 0;
    if (readCount == 0) return line.Length() > 0;  // end of file
    unsigned unit;
    DWORD next;
    if (!wideUnits) {
      unit = readBuffer[readPos];
      next = readPos + 1;
    } else {
      if (readPos + 1 >= readCount) {
        // One lone byte left in this fill: carry it to the front and read
        // on behind it, so the unit takes the next byte of the file.
        readBuffer[0] = readBuffer[readPos];
        readPos = 0;
        if (!Fill(1)) {
          readCount = 0;
          return 0;
        }
        if (readCount == 1) {
          // End of file after an odd byte count: the lone byte is dropped.
          readCount = 0;
          return line.Length() > 0;
        }
      }
      unit = readBuffer[readPos] | (static_cast<unsigned>(readBuffer[readPos + 1]) << 8);
      next = readPos + 2;
    }
    readPos = next >= readCount ? 0 : next;
    if (unit == 10) return 1;
    if (unit != 13 && unit != 0) line.AppendWideChar(static_cast<WCHAR>(unit));
  }
}

int FileObject::Exists(const char* path) {
  if (!path) return 0;
  HANDLE file =
      CreateFileA(path, 0, kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(file);
  return 1;
}

int FileObject::Delete(const char* path) {
  if (!path) return 0;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path) ? 1 : 0;
}

int FileObject::ForEachMatch(const char* pattern, MatchCallback callback, void* context) {
  if (!pattern || !callback) return 0;
  UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) {
    SetErrorMode(previousMode);
    return 0;
  }
  int result = callback(&entry, context);
  while (result && FindNextFileA(find, &entry)) result = callback(&entry, context);
  FindClose(find);
  SetErrorMode(previousMode);
  return result;
}

int FileObject::CreateFolderPath(const char* path, int stopBeforeLast,
                                 CreateFolderFunction create) {
  if (!path || !create) return 0;
  TextString working;
  if (!working.Assign(path)) return 0;
  int start = 0;
  if (working.Find(":\\") == 1)
    start = 2;
  else if (working.CharAt(0) == '\\' && working.CharAt(1) == '\\')
    start = 1;
  int result = 0;
  int position;
  do {
    if (!working.Assign(path)) return 0;
    position = working.FindChar('\\', start + 1);
    start = position;
    if (position >= 0)
      working.Truncate(position);
    else if (stopBeforeLast)
      break;
    if (create(working.Buffer(), nullptr))
      result = 1;
    else
      result = GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
  } while (position >= 0);
  return result;
}
