// The install log: what each run did, step by step, appended to one or two
// files as it happens, so that a run that fails (or never ends) leaves its
// trace. Writing the log never changes what the run does: a file that cannot
// be opened or written is left out.
#ifndef INSTALLER_INSTALL_LOG_H_
#define INSTALLER_INSTALL_LOG_H_

#include <windows.h>
#include <stddef.h>

#include "base/owned_handle.h"

class InstallLog {
 public:
  // A file already this large when a run starts is moved aside first.
  static const DWORD kSizeLimit = 256 * 1024;
  // Longest line written, without its CR LF; longer ones are cut.
  static const int kLineSize = 1024;

  InstallLog() {}
  InstallLog(const InstallLog&) = delete;
  InstallLog& operator=(const InstallLog&) = delete;

  // Opens `path` for appending (created when absent) as one more file to
  // write to, at most two. A file of kSizeLimit bytes or more is first moved
  // to `path` + ".old", replacing an earlier one, or emptied when it cannot
  // be moved. A null or empty path, a file that cannot be opened, or the
  // file already open under another name, is left out. The thread's last
  // error is kept.
  void Open(const char* path);
  // 1 while some file is open.
  int Active() const { return files[0].Valid() || files[1].Valid(); }
  // Writes the formatted line and CR LF to every open file. Line breaks in
  // the text become one space each, so every entry stays one line. The
  // thread's last error is kept.
  void Line(const char* format, ...) __attribute__((format(ms_printf, 2, 3)));
  // The run's opening lines: a separator with the local date and time, the
  // program's name and version and the command line (null: none), then the
  // system as the crash report names it.
  void Header(const char* commandLine);
  void Close();

  // "error 2: File not found." or "error 0xE000020B" (the platform has no
  // text for it) in `buffer` of `size` bytes, cut to fit. Returns `buffer`.
  static const char* DescribeError(DWORD error, char* buffer, size_t size);

 private:
  OwnedHandle files[2];
};

#endif  // INSTALLER_INSTALL_LOG_H_
