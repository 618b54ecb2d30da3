// Proves each feature of the Wine harness that later tests rely on.
#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace testing_support;

// As root Wine would overwrite read-only files; as an ordinary user it
// refuses, as Windows does.
TEST(Harness, RunsAsUnprivilegedUser) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.File("source.txt"), "new") && WriteFileBytes(folder.File("target.txt"), "old"));
  ASSERT_TRUE(SetFileAttributesA(folder.File("target.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(folder.File("source.txt").c_str(), folder.File("target.txt").c_str(), FALSE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

// A scratch key goes with its sub-keys and their values.
TEST(Harness, ScratchKeyRemovedWithItsContents) {
  std::string path;
  {
    ScratchKey scratch;
    path = scratch.Path();
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(scratch.Root(), (path + "\\Child").c_str(), "Text", REG_SZ, "x", 2));
  }
  HKEY gone;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &gone));
}

// The prefix's drive letters; the CD folders are the tests' to fill.
TEST(Harness, DriveTypes) {
  const struct {
    const char* root;
    UINT type;
  } drives[] = {{"A:\\", DRIVE_CDROM}, {"D:\\", DRIVE_CDROM},  {"E:\\", DRIVE_CDROM},      {"F:\\", DRIVE_CDROM},
                {"G:\\", DRIVE_FIXED}, {"H:\\", DRIVE_REMOTE}, {"Q:\\", DRIVE_NO_ROOT_DIR}};
  for (const auto& drive : drives) {
    SCOPED_TRACE(drive.root);
    EXPECT_EQ(drive.type, GetDriveTypeA(drive.root));
  }
  ASSERT_TRUE(WriteFileBytes("D:\\marker.txt", "x"));
  EXPECT_TRUE(DeleteFileA("D:\\marker.txt"));
}

// Wine reports the version set for a program's name to that program only.
TEST(Harness, VersionEmulationPerProgram) {
  ScratchFolder folder;
  const struct {
    const char* version;
    DWORD expected;
  } cases[] = {{"win98", (VER_PLATFORM_WIN32_WINDOWS << 16) | 0x040A},
               // The probe carries the installer's manifest, which declares Windows 10.
               {"win10", (VER_PLATFORM_WIN32_NT << 16) | 0x0A00}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    std::string exe = std::string("probe_") + c.version + ".exe";
    ASSERT_TRUE(CopyFileA(BuildPath("testbin\\version_probe.exe").c_str(), folder.File(exe).c_str(), FALSE));
    SetEmulatedVersion(exe, c.version);
    DWORD code = 0;
    ASSERT_TRUE(RunProgram("\"" + folder.File(exe) + "\"", 30000, &code));
    SetEmulatedVersion(exe, "");
    EXPECT_EQ(c.expected, code);
  }
}
