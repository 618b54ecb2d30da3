// Proves each feature of the Wine harness that later tests rely on.
#include <gtest/gtest.h>

#include "support/test_support.h"

using namespace testing_support;

// As root Wine would overwrite read-only files; as an ordinary user it
// refuses, as Windows does.
TEST(Harness, RunsAsUnprivilegedUser) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.File("source.txt"), "new"));
  ASSERT_TRUE(WriteFileBytes(folder.File("target.txt"), "old"));
  ASSERT_TRUE(SetFileAttributesA(folder.File("target.txt").c_str(), FILE_ATTRIBUTE_READONLY));

  SetLastError(0);
  EXPECT_FALSE(CopyFileA(folder.File("source.txt").c_str(), folder.File("target.txt").c_str(), FALSE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(folder.File("target.txt"), &bytes));
  EXPECT_EQ("old", bytes);
}

TEST(Harness, RegistryRoundTrip) {
  std::string path;
  {
    ScratchKey scratch;
    path = scratch.Path();
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), path.c_str(), 0, KEY_ALL_ACCESS, &key));
    const char value[] = "round trip";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value)));
    char read[64] = {};
    DWORD size = sizeof(read);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(read), &size));
    EXPECT_STREQ(value, read);
    RegCloseKey(key);
  }
  HKEY gone;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &gone));
}

TEST(Harness, DriveTypes) {
  EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA("A:\\"));
  EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA("D:\\"));
  EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA("E:\\"));
  EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA("F:\\"));
  EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA("G:\\"));
  EXPECT_EQ(static_cast<UINT>(DRIVE_REMOTE), GetDriveTypeA("H:\\"));
  EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), GetDriveTypeA("Q:\\"));

  // The CD folders are the test's to fill.
  ASSERT_TRUE(WriteFileBytes("D:\\marker.txt", "x"));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("D:\\marker.txt"));
  EXPECT_TRUE(DeleteFileA("D:\\marker.txt"));
}

TEST(Harness, VersionEmulationPerProgram) {
  ScratchFolder folder;
  const struct {
    const char* version;
    DWORD expected;
  } cases[] = {
      {"winxp", (VER_PLATFORM_WIN32_NT << 16) | 0x0501},
      {"win98", (VER_PLATFORM_WIN32_WINDOWS << 16) | 0x040A},
      {"nt40", (VER_PLATFORM_WIN32_NT << 16) | 0x0400},
  };
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

TEST(Harness, WindowUnderXvfb) {
  HWND window = CreateWindowExA(0, "STATIC", "harness", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  RECT rect;
  EXPECT_TRUE(GetClientRect(window, &rect));
  EXPECT_GT(rect.right, 0);
  HDC dc = GetDC(window);
  EXPECT_NE(nullptr, dc);
  ReleaseDC(window, dc);
  EXPECT_TRUE(DestroyWindow(window));
}
