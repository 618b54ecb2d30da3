// Reads the resources of the built Bramcot.exe back through the platform's
// resource functions: what the dialog code and users rely on.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "installer/resource_ids.h"
#include "support/test_support.h"

using namespace testing_support;

namespace {

const WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

class BuiltProgram : public testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryExA(BuildPath("bin\\Bramcot.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module);
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
  }
  // The bytes of resource `id` of `type` in German; empty when missing.
  std::string Resource(LPCSTR type, int id) const {
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), kGerman);
    if (!found) return std::string();
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(bytes, SizeofResource(module, found));
  }
  HMODULE module = nullptr;
};

// A string or ordinal field of a dialog template; moves `at` behind it.
std::string ReadField(const WORD*& at) {
  if (*at == 0xFFFF) {
    const std::string ordinal = "#" + std::to_string(at[1]);
    at += 2;
    return ordinal;
  }
  std::string text;
  for (; *at; ++at) text += static_cast<char>(*at);
  ++at;
  return text;
}

std::string ClassName(const std::string& field) {
  if (field == "#128") return "button";
  if (field == "#130") return "static";
  std::string lower = field;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower;
}

TEST_F(BuiltProgram, DialogItemsInTabOrder) {
  const std::string bytes = Resource(RT_DIALOG, IDD_INSTALLER);
  ASSERT_GE(bytes.size(), sizeof(DLGTEMPLATE));
  const DLGTEMPLATE* dialog = reinterpret_cast<const DLGTEMPLATE*>(bytes.data());
  EXPECT_EQ(0x80C808C0u, dialog->style);
  ASSERT_EQ(8, dialog->cdit);
  const WORD* at = reinterpret_cast<const WORD*>(dialog + 1);
  ReadField(at);  // menu
  ReadField(at);  // class
  ReadField(at);  // caption
  ++at;           // point size
  ReadField(at);  // face
  struct Item {
    int id;
    const char* className;
    bool tabStop;
  } expected[] = {{IDC_EXIT, "button", true},
                  {IDC_INSTALL, "button", true},
                  {-1, "static", false},
                  {IDC_SEPARATOR, "static", false},
                  {IDC_TITLE, "static", false},
                  {IDC_LINK, "static", false},
                  {IDC_PROGRESS, "msctls_progress32", false},
                  {IDC_PROMPT, "static", false}};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(testing::Message() << "item " << i);
    at = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(at) + 3) & ~static_cast<UINT_PTR>(3));
    const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(at);
    EXPECT_EQ(expected[i].id, static_cast<short>(item->id));
    EXPECT_EQ(expected[i].tabStop, (item->style & WS_TABSTOP) != 0);
    at = reinterpret_cast<const WORD*>(item + 1);
    EXPECT_EQ(expected[i].className, ClassName(ReadField(at)));
    const std::string text = ReadField(at);
    if (expected[i].id == -1) {
      EXPECT_EQ("#" + std::to_string(IDB_PICTURE), text) << "the picture is not its bitmap";
    }
    at += 1 + *at / sizeof(WORD);  // creation data
  }
}

TEST_F(BuiltProgram, StringTable) {
  // Strings 1 to 15 share the first block: a counted UTF-16 text each, from 0.
  const std::string block = Resource(RT_STRING, 1);
  const WORD* at = reinterpret_cast<const WORD*>(block.data());
  const WORD* end = at + block.size() / sizeof(WORD);
  std::vector<std::string> strings;
  for (int id = 0; id < 5 && at < end; ++id) {
    const WORD length = *at++;
    std::string text;
    for (WORD i = 0; i < length && at < end; ++i) text += static_cast<char>(*at++);
    strings.push_back(text);
  }
  EXPECT_EQ(std::vector<std::string>({"", "Install", "Exit", "Tarnvik DVB-T Driver Installer",
                                      "Please press 'Install' to start installation."}),
            strings);
}

TEST_F(BuiltProgram, FileVersionString) {
  const std::string path = BuildPath("bin\\Bramcot.exe");
  DWORD ignored;
  std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &ignored));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  char* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040704B0\\FileVersion", reinterpret_cast<void**>(&text),
                             &length));
  EXPECT_STREQ("1.02", text);
}

TEST_F(BuiltProgram, ImagesLoad) {
  HANDLE small = LoadImageA(module, MAKEINTRESOURCEA(IDI_INSTALLER), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
  EXPECT_TRUE(small) << "icon 101 at 16x16, error " << GetLastError();
  if (small) DestroyIcon(static_cast<HICON>(small));
  HANDLE picture = LoadImageA(module, MAKEINTRESOURCEA(IDB_PICTURE), IMAGE_BITMAP, 0, 0, 0);
  EXPECT_TRUE(picture) << "bitmap 104";
  if (picture) DeleteObject(picture);
  HANDLE cursor = LoadImageA(module, MAKEINTRESOURCEA(IDR_LINK_CURSOR), IMAGE_CURSOR, 0, 0, 0);
  EXPECT_TRUE(cursor) << "cursor 105";
  if (cursor) DestroyCursor(static_cast<HCURSOR>(cursor));
}

BOOL CALLBACK CountName(HMODULE, LPCSTR, LPSTR, LONG_PTR count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

TEST_F(BuiltProgram, OneManifestAskingForCommonControlsAsInvoker) {
  int manifests = 0;
  EnumResourceNamesA(module, RT_MANIFEST, CountName, reinterpret_cast<LONG_PTR>(&manifests));
  EXPECT_EQ(1, manifests);
  const std::string manifest = Resource(RT_MANIFEST, 1);
  const size_t dependency = manifest.find("<dependentAssembly>");
  ASSERT_NE(std::string::npos, dependency) << manifest;
  const size_t end = manifest.find("</dependentAssembly>", dependency);
  const std::string dependent = manifest.substr(dependency, end - dependency);
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                           "publicKeyToken=\"6595b64144ccf1df\""})
    EXPECT_NE(std::string::npos, dependent.find(part)) << part;
  EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\"")) << manifest;
}

}  // namespace
