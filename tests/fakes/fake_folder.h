// A scratch folder holding a program, the fake libraries it should load in
// place of the platform's (put into the system folder, where the program
// looks for them, for the life of the object), and a run of that program with
// the fakes' settings in its environment. Only tests run in the harness's
// prefix for fakes may add fakes.
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

  // Puts the system's own libraries back.
  ~FakeFolder();
  // Not copyable: the scratch folder is not.
  const std::string& Path() const { return folder.Path(); }
  std::string File(const std::string& name) const { return folder.File(name); }

  // Copies testbin\fakes\<fake> (e.g. "setupapi.dll", "fake_empty.dll") into the
  // system folder under the name `as`, keeping the system's own in the folder;
  // once for each name.
  bool AddFake(const std::string& fake, const std::string& as);
  // Copies testbin\fakes\<fake> beside the program under the name `as`: a
  // library the program must never load in place of the system's own.
  bool PlantBeside(const std::string& fake, const std::string& as);
  // Copies testbin\<program> into the folder.
  bool AddProgram(const std::string& program);

  // Runs `program` (a file of the folder) with `arguments`, the caller's
  // environment plus FAKE_LOG=<folder>\fake.log and `environment`. True when
  // it ended within `timeoutMs`; its exit code goes to `exitCode`. Wine
  // prefers its builtin libraries to the files of the system folder: for the
  // run, its per-program settings (HKCU\Software\Wine\AppDefaults\<program>)
  // load the added and planted libraries native only, wherever found. Tests running the same program name at
  // once would share these settings: give each copy a name of its own.
  bool Run(const std::string& program, const std::string& arguments,
           const Environment& environment, DWORD timeoutMs, DWORD* exitCode);

  // The lines the fakes recorded, in order.
  std::vector<std::string> LogLines() const { return ReadLines(File("fake.log")); }

 private:
  ScratchFolder folder;
  std::vector<std::string> replaced;  // system libraries' names, their originals in the folder
  std::vector<std::string> native;    // the names loaded native only
};

}  // namespace testing_support

#endif  // TESTS_FAKES_FAKE_FOLDER_H_
