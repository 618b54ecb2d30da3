// File helper of the foundation library: six open modes,
// buffered line reading, existence test, delete with attribute reset and a
// directory walk.
#ifndef BASE_FILE_OBJECT_H_
#define BASE_FILE_OBJECT_H_

#include <windows.h>

#include "base/owned_handle.h"
#include "base/text_string.h"

// Called once per directory entry by ForEachMatch; `entry` is valid only
// during the call. Non-zero continues the walk, 0 stops it.
typedef int (*MatchCallback)(const WIN32_FIND_DATAA* entry, void* context);

class FileObject {
 public:
  // The only modes Open accepts. Every mode shares the file for reading and
  // writing, and none moves the file position (OPEN_ALWAYS starts at 0).
  enum OpenMode {
    OpenRead = 0,               // GENERIC_READ, OPEN_EXISTING
    CreateWrite = 1,            // GENERIC_WRITE, CREATE_ALWAYS
    OpenWrite = 2,              // GENERIC_WRITE, OPEN_EXISTING
    OpenOrCreateWrite = 3,      // GENERIC_WRITE, OPEN_ALWAYS
    OpenOrCreateReadWrite = 4,  // GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS
    OpenReadWrite = 5,          // GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING
  };
  static const unsigned kReadBufferSize = 4096;

  FileObject() : readBuffer(nullptr), readPos(0), readCount(0), lineTooLong(0) {}
  ~FileObject();
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  // Closes any open file and restarts reading; then CreateFileA with the
  // mode's access and disposition and `flagsAndAttributes` as given. A mode
  // outside 0-5, a null path or a failed open leaves no file open: 0.
  int Open(const char* path, int mode, DWORD flagsAndAttributes);
  // 0 when no file is open; otherwise closes it, 1. The read buffer and its
  // position stay as they are.
  int Close();
  // The open file's handle, or null.
  HANDLE Handle() const { return handle.Get(); }

  // Reads the next line into `line` (emptied first) through the object's
  // 4096-byte buffer. 1 when a line was delivered, 0 at end of file (with
  // nothing collected) or on failure.
  //
  // Units: bytes when wideUnits is 0, little-endian 16-bit units otherwise.
  // Unit 10 ends the line, 13 and 0 are dropped, every other unit is
  // appended as one UTF-16 code unit converted to the ANSI code page (so in
  // byte mode bytes 0x80-0xFF go through the Latin-1-to-ANSI conversion).
  // A final line without a line feed is delivered; a final line feed adds no
  // empty line. The line's buffer grows by doubling, so a line of any length
  // is read in linear time.
  //
  // 16-bit mode and odd byte counts: a unit is always made of two
  // consecutive bytes of the file, also when a read returns an odd count
  // (the lone byte is carried over to the next read). A lone last byte of a
  // file with an odd length is dropped: it is no whole unit.
  //
  // With `maxLength` above 0, a line longer than that many characters is not
  // delivered: reading stops soon after the line passes it, the result is 0
  // and LineTooLong() answers 1 (the rest of that line stays unread).
  int ReadLine(TextString& line, int wideUnits, unsigned maxLength = 0);
  // 1 when the last ReadLine stopped at its length cap.
  int LineTooLong() const { return lineTooLong; }

  // 1 when `path` opens as an existing file (a directory, a missing file or
  // drive give 0). Independent of the object's own file.
  static int Exists(const char* path);
  // Clears the attributes (read-only ...) and deletes; the deletion's result.
  static int Delete(const char* path);
  // Calls `callback` for each entry matching `pattern` (".", ".." and
  // folders included, in the platform's order) with critical-error boxes
  // suppressed. 0 when nothing matched (or a null argument); otherwise the
  // last callback result. The caller's error mode is restored.
  static int ForEachMatch(const char* pattern, MatchCallback callback, void* context);

  // The platform's folder creation, replaceable for tests that record the
  // attempts.
  typedef BOOL(WINAPI* CreateFolderFunction)(LPCSTR path, LPSECURITY_ATTRIBUTES security);

  // Creates every folder along `path`, one attempt per backslash-ended
  // component, then one on the whole path (so a trailing backslash gives a
  // last attempt on the folder itself). With stopBeforeLast 1 the text after
  // the last backslash is taken as a file name and not created.
  // A drive path ("C:\...") never attempts its root; a network path
  // ("\\server\share\...") attempts its server and share like folders;
  // any other path is taken from its start (relative to the current folder).
  // The result is that of the last attempt only: 1 when it created the folder
  // or found it existing, 0 otherwise (also for a null path). Earlier
  // failures do not count. Independent of the object's own file.
  static int CreateFolderPath(const char* path, int stopBeforeLast,
                              CreateFolderFunction create = ::CreateDirectoryA);

 private:
  int Fill(DWORD offset);
  int ReadUnits(TextString& line, int wideUnits, unsigned maxLength);

  OwnedHandle handle;
  unsigned char* readBuffer;
  DWORD readPos;
  DWORD readCount;
  int lineTooLong;
};

#endif  // BASE_FILE_OBJECT_H_
