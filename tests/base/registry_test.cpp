// RegistryKey, RemoveTree and SecurityBuilder against Wine's registry, in
// scratch keys under HKCU\Software\Bramcot Tests.
#include "base/registry_key.h"
#include "base/registry_tree.h"
#include "base/security_builder.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include "support/test_support.h"

namespace {

bool KeyExists(HKEY root, const std::string& path) { return RegistryKey().Open(root, path.c_str()); }
bool CreateKey(HKEY root, const std::string& path) { return RegistryKey().Create(root, path.c_str(), KEY_ALL_ACCESS); }

// Each value read into a 16-byte array of which `size` bytes are offered,
// and as a DWORD in front of a guard word; nothing outside may be written.
// Values one below, exactly and one past the buffer or 4 bytes; Open opens
// only what exists.
TEST(RegistryKey, OpenAndQuery) {
  // A REG_NONE row has no value; a null text: QueryString fails, leaving empty
  // text; the DWORD output starts as 0xAAAAAAAA, which stays when QueryDword fails.
  const struct { DWORD type; std::string stored; DWORD size; const char* text; DWORD dword; } cases[] = {{REG_SZ, std::string("ab", 3), 4, "ab", 0x6261}, {REG_SZ, std::string("abc", 4), 4, "abc", 0x636261},
               {REG_SZ, std::string("abcd", 5), 4, nullptr, 0xAAAAAAAA}, {REG_SZ, "", 16, "", 0},
               // Stored without a terminator: whole, to an exact fit with the terminator added.
               {REG_BINARY, "abc", 16, "abc", 0x636261}, {REG_BINARY, "abc", 4, "abc", 0x636261},
               {REG_BINARY, "abcd", 4, nullptr, 0x64636261},
               {REG_NONE, "", 16, nullptr, 0xAAAAAAAA}, {REG_DWORD, "\x78\x56\x34\x12", 16, "xV4\x12", 0x12345678}};
  testing_support::ScratchKey scratch;
  RegistryKey key;
  EXPECT_EQ(0, key.Open(scratch.Root(), (scratch.Path() + "\\absent").c_str()) + key.Open(scratch.Root(), "") +
                   key.Open(scratch.Root(), nullptr) + KeyExists(scratch.Root(), scratch.Path() + "\\absent"));
  ASSERT_EQ(1, key.Open(scratch.Root(), scratch.Path().c_str()));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    std::string name = "v" + std::to_string(i);
    char buffer[16];
    DWORD value[2] = {0xAAAAAAAA, 0xBBBBBBBB};
    memset(buffer, 'X', sizeof(buffer));
    ASSERT_TRUE(c.type == REG_NONE || !RegSetKeyValueA(scratch.Root(), scratch.Path().c_str(), name.c_str(), c.type,
                                                       c.stored.data(), c.stored.size()));
    EXPECT_EQ(c.text != nullptr, key.QueryString(name.c_str(), buffer, c.size)) << "case " << i;
    EXPECT_EQ((c.text ? c.text : "") + std::string(16 - c.size, 'X'),
              std::string(buffer, strnlen(buffer, c.size)) + std::string(buffer + c.size, 16 - c.size)) << "case " << i;
    EXPECT_EQ(c.dword != 0xAAAAAAAA, key.QueryDword(name.c_str(), &value[0])) << "case " << i;
    EXPECT_TRUE(value[0] == c.dword && value[1] == 0xBBBBBBBB) << "case " << i;
  }
  char untouched[8] = "XXXX";
  EXPECT_EQ(0, key.QueryString("v1", untouched, 0) + key.QueryString("v1", nullptr, 16) + key.QueryDword("v1", 0));
  EXPECT_STREQ("XXXX", untouched) << "a zero-size buffer must not be written";
  ASSERT_EQ(1, key.Close() * key.Close());
  EXPECT_EQ(0, key.QueryString("v1", untouched, sizeof(untouched)));
  EXPECT_STREQ("", untouched) << "no stale text from a failed read";
}

// Null, empty and over-long paths fail without emptying the root; an absent
// key is created on the way and deleted again. A tree goes whole: keys several
// to a level and several levels deep, a value, a blank in a name and a name of
// 255 characters (the longest); siblings whose names cut the tree's short or
// extend it stay.
TEST(RemoveTree, BadPathsAndWholeTrees) {
  testing_support::ScratchKey scratch;
  RegistryKey root;
  ASSERT_EQ(1, root.Create(scratch.Root(), scratch.Path().c_str(), KEY_ALL_ACCESS));
  const std::string tooLong(300, 'k'), kept[] = {"child", "tre", "trees\\x"},
                    tree[] = {"tree\\a\\b\\c", "tree\\a\\d", "tree\\e f", "tree\\" + std::string(255, 'l')};
  for (const std::string& path : kept) ASSERT_TRUE(CreateKey(root.Handle(), path));
  for (const std::string& path : tree) ASSERT_TRUE(CreateKey(root.Handle(), path));
  ASSERT_EQ(0, RegSetKeyValueA(root.Handle(), "tree\\a", "v", REG_SZ, "x", 2));
  const char* const paths[] = {nullptr, "", tooLong.c_str(), "absent", "tree"};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(i >= 3, RemoveTree(root.Handle(), paths[i])) << "case " << i;
    EXPECT_FALSE(i > 1 && KeyExists(root.Handle(), paths[i])) << "case " << i;
  }
  for (const std::string& path : kept) EXPECT_TRUE(KeyExists(root.Handle(), path)) << path;
}

// The key's security descriptor with its DACL, as the registry hands it out.
std::string DaclBytes(const std::string& path) {
  HKEY key;
  char buffer[4096];
  DWORD size = sizeof(buffer);
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, READ_CONTROL, &key)) return "";
  LONG status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer, &size);
  RegCloseKey(key);
  return status ? "" : std::string(buffer, size);
}

// A key owned by LocalSystem that denies everyone everything cannot be
// opened up or deleted: the removal stops there ("a" goes first, "z" is
// never reached), and the keys left get back the DACL they had. The keys
// are volatile: the stuck one goes with the wineserver.
TEST(RemoveTree, StoppedRemovalLeavesTheKeysTheirOwnDacl) {
  const std::string top = "Software\\Bramcot Tests\\stuck-" + std::to_string(GetCurrentProcessId());
  for (const char* sub : {"", "\\a", "\\m", "\\m\\stuck", "\\z"}) {
    HKEY key;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, (top + sub).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
  }
  const std::string before[] = {DaclBytes(top), DaclBytes(top + "\\m")};
  PSECURITY_DESCRIPTOR locked = nullptr;
  HKEY stuck;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("O:SYD:(D;;GA;;;WD)", SDDL_REVISION_1, &locked, 0));
  ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, (top + "\\m\\stuck").c_str(), 0, WRITE_OWNER | WRITE_DAC, &stuck));
  ASSERT_EQ(0, RegSetKeySecurity(stuck, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, locked));
  RegCloseKey(stuck);
  LocalFree(locked);
  EXPECT_EQ(0, RemoveTree(HKEY_CURRENT_USER, top.c_str()));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, top + "\\a"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, top + "\\m") && KeyExists(HKEY_CURRENT_USER, top + "\\z"));
  EXPECT_NE(before[0], "");
  EXPECT_EQ(before[0], DaclBytes(top));
  EXPECT_EQ(before[1], DaclBytes(top + "\\m"));
}

}  // namespace
