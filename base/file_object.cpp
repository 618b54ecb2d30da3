#include "base/file_object.h"

#include <stdlib.h>
#include <string.h>

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
  if (!KernelHandleTraits::Valid(opened)) return 0;
  handle.Reset(opened);
  return 1;
}

int FileObject::Close() {
  if (!handle.Valid()) return 0;
  handle.Reset();
  return 1;
}

// Reads into the buffer behind its first `offset` bytes (kept: a carried
// byte); readCount becomes offset + the bytes read. 0 when the read failed.
int FileObject::Fill(DWORD offset) {
  DWORD got = 0;
  if (!handle.Valid() || !ReadFile(handle.Get(), readBuffer + offset, kReadBufferSize - offset, &got, nullptr))
    return 0;
  readCount = offset + got;
  return 1;
}

namespace {

// Units 1-127 other than LF and CR: the same byte in every ANSI code page,
// appended as they are.
inline __attribute__((always_inline)) bool IsPlainUnit(unsigned unit) {
  return unit - 1u < 0x7Fu && unit != 10 && unit != 13;
}

// Appends the ANSI form of `count` units (none of them 0, at most 64), each as the
// platform converts it alone. Units up to 0xFF convert one by one however
// they are grouped, so a run is converted in one call; the caller passes
// other units one at a time (surrogate halves converted apart differ from a
// pair). A failed conversion takes the plain route, with its recovery.
void AppendConverted(TextString& line, const WCHAR* units, int count) {
  char out[4 * 64];
  int written = WideCharToMultiByte(CP_ACP, 0, units, count, out, sizeof(out), nullptr, nullptr);
  if (written > 0) {
    line.AppendBytes(out, static_cast<unsigned>(written));
    return;
  }
  for (int i = 0; i < count; ++i) line.AppendWideChar(units[i]);
}

// End of the run of plain bytes that starts at `pos`. Four bytes at a time
// while all of them lie in 0x0E-0x7F (a byte below 0x0E or above 0x7F sets
// the top bit of its lane in (word - 0x0E0E0E0E) | word, the lowest such
// byte without a borrow from below); the four that stop it are looked at one
// by one, since tabs and the like are plain too.
DWORD PlainRunEnd(const unsigned char* bytes, DWORD pos, DWORD count) {
  for (;;) {
    for (; pos + 4 <= count; pos += 4) {
      unsigned word;
      memcpy(&word, bytes + pos, 4);
      if (((word - 0x0E0E0E0Eu) | word) & 0x80808080u) break;
    }
    const DWORD stop = count - pos > 4 ? pos + 4 : count;
    while (pos < stop && IsPlainUnit(bytes[pos])) ++pos;
    if (pos < stop || pos == count) return pos;
  }
}

}  // namespace

int FileObject::ReadLine(TextString& line, int wideUnits, unsigned maxLength) {
  const int read = ReadUnits(line, wideUnits, maxLength);
  lineTooLong = maxLength && static_cast<unsigned>(line.Length()) > maxLength;
  return lineTooLong ? 0 : read;
}

int FileObject::ReadUnits(TextString& line, int wideUnits, unsigned maxLength) {
  if (!readBuffer) {
    readBuffer = static_cast<unsigned char*>(malloc(kReadBufferSize));
    if (!readBuffer) return 0;
  }
  // Empty: SetLength(1) does what Assign("") does to a buffer of two bytes
  // or more, without its calls into the runtime.
  if (!line.SetLength(1)) line.Assign("");
  for (;;) {
    // Every pass appends at most one buffer's worth: the line stays bounded.
    if (maxLength && static_cast<unsigned>(line.Length()) > maxLength) return 0;
    if (readPos == 0 && !Fill(0)) return 0;
    if (readCount == 0) return line.Length() > 0;  // end of file
    if (!wideUnits) {
      // Plain bytes up to the next other one go in as one piece, a run of
      // bytes 0x80-0xFF (Latin-1 units) as one conversion; LF ends the line,
      // CR and 0 add nothing.
      unsigned char first = readBuffer[readPos];
      DWORD end = readPos;
      if (IsPlainUnit(first)) {
        end = PlainRunEnd(readBuffer, readPos, readCount);
        line.AppendBytes(reinterpret_cast<const char*>(readBuffer + readPos), end - readPos);
        // Most lines end right behind their run: take CR LF or LF here
        // rather than one pass of the loop each.
        if (end < readCount && readBuffer[end] == 13) ++end;
        if (end < readCount && readBuffer[end] == 10) {
          readPos = end + 1 < readCount ? end + 1 : 0;
          return 1;
        }
      } else if (first >= 0x80) {
        WCHAR run[64];
        int count = 0;
        while (count < 64 && end < readCount && readBuffer[end] >= 0x80) run[count++] = readBuffer[end++];
        AppendConverted(line, run, count);
      } else {
        end = readPos + 1;
      }
      readPos = end < readCount ? end : 0;
      if (first == 10) return 1;
      continue;
    }
    if (readPos + 1 >= readCount) {
      // One lone byte left in this fill: carry it to the front and read on
      // behind it, so the unit takes the next byte of the file.
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
    unsigned unit = readBuffer[readPos] | (static_cast<unsigned>(readBuffer[readPos + 1]) << 8);
    DWORD next = readPos + 2;
    if (IsPlainUnit(unit)) {
      char narrow = static_cast<char>(unit);
      line.AppendBytes(&narrow, 1);
    } else if (unit != 10 && unit != 13 && unit != 0) {
      WCHAR wide = static_cast<WCHAR>(unit);
      AppendConverted(line, &wide, 1);
    }
    readPos = next >= readCount ? 0 : next;
    if (unit == 10) return 1;
  }
}

int FileObject::Exists(const char* path) {
  if (!path) return 0;
  OwnedHandle file(CreateFileA(path, 0, kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() ? 1 : 0;
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
  OwnedFindHandle find(FindFirstFileA(pattern, &entry));
  int result = 0;
  if (find.Valid()) {
    result = callback(&entry, context);
    while (result && FindNextFileA(find.Get(), &entry)) result = callback(&entry, context);
  }
  find.Reset();
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
