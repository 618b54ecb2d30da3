// Starts a program whose path is longer than MAX_PATH, which CreateProcessW
// refuses under Wine: the process is created from its NT path directly.
#ifndef TESTS_UI_LONG_PATH_PROCESS_H_
#define TESTS_UI_LONG_PATH_PROCESS_H_

#include <windows.h>

#include <string>

namespace ui_test {

// `program` is a full DOS path without the \\?\ prefix; `commandLine` the
// whole command line. True and the process handle (the caller closes it)
// when the process was created; `status` receives the NTSTATUS otherwise.
bool StartLongPathProcess(const std::wstring& program, const std::wstring& commandLine,
                          HANDLE* process, LONG* status);

}  // namespace ui_test

#endif  // TESTS_UI_LONG_PATH_PROCESS_H_
