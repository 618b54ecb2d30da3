// A scratch folder holding a program and the fake libraries it should load in
// place of the platform's, and a run of that program with the fakes' settings
// in its environment.
#ifndef TESTS_FAKES_FAKE_FOLDER_H_
#define TESTS_FAKES_FAKE_FOLDER_H_

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace testing_support {

// The lines of a text file without their line ends; empty when unreadable.
std::vector<std::string> ReadLines(const std::string& path);

class FakeFolder {
 public:
  typedef std::vector<std::pair<std::string, std::string>> Environment;

  // Not copyable: the scratch folder is not.
  const std::string& Path() const { return folder.Path(); }
  std::string File(const std::string& name) const { return folder.File(name); }

  // Copies testbin\fakes\<fake> (e.g. "setupapi.dll", "fake_empty.dll") into the
  // folder under the name `as`.
  bool AddFake(const std::string& fake, const std::string& as);
  // Copies testbin\<program> into the folder.
  bool AddProgram(const std::string& program);

  // Runs `program` (a file of the folder) with `arguments`, the caller's
  // environment plus FAKE_LOG=<folder>\fake.log and `environment`. True when
  // it ended within `timeoutMs`; its exit code goes to `exitCode`.
  // Wine prefers its own builtin libraries even to one in the program's
  // folder (and names the builtin by that folder's path), and a child does not
  // take WINEDLLOVERRIDES from the environment it is given. So for the run,
  // Wine's per-program settings (HKCU\Software\Wine\AppDefaults\<program>)
  // load every added fake native only; a fake that fails to load then fails
  // the load. Tests running the same program name at once would share these
  // settings: give each copy a name of its own.
  bool Run(const std::string& program, const std::string& arguments,
           const Environment& environment, DWORD timeoutMs, DWORD* exitCode);

  std::string LogPath() const { return folder.File("fake.log"); }
  // The lines the fakes recorded, in order.
  std::vector<std::string> LogLines() const { return ReadLines(LogPath()); }

 private:
  ScratchFolder folder;
  std::vector<std::string> fakes;  // library names without ".dll"
};

}  // namespace testing_support

#endif  // TESTS_FAKES_FAKE_FOLDER_H_
