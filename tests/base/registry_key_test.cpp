#include "base/registry_key.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "base/registry_scratch.h"
#include "support/handle_count.h"
#include "support/test_support.h"

using namespace registry_scratch;

namespace {

TEST(RegistryKey, OpenAndClose) {
  testing_support::ScratchKey scratch;
  ASSERT_TRUE(HandleCountWorks());
  DWORD handles = OwnHandleCount();
  {
    RegistryKey open;
    ASSERT_EQ(1, open.Open(scratch.Root(), scratch.Path().c_str()));
  }
  EXPECT_EQ(handles, OwnHandleCount()) << "destruction must close the key";
  RegistryKey key;
  EXPECT_EQ(1, key.Close()) << "no key open";
  ASSERT_EQ(1, key.Open(scratch.Root(), scratch.Path().c_str()));
  EXPECT_NE(nullptr, key.Handle());
  EXPECT_EQ(1, key.Close());
  EXPECT_EQ(nullptr, key.Handle());
  const std::string absent = scratch.Path() + "\\absent";
  const char* badPaths[] = {absent.c_str(), "", nullptr};
  for (size_t i = 0; i < sizeof(badPaths) / sizeof(badPaths[0]); ++i) {
    EXPECT_EQ(0, key.Open(scratch.Root(), badPaths[i])) << "case " << i;
    EXPECT_EQ(nullptr, key.Handle()) << "case " << i;
  }
  EXPECT_FALSE(KeyExists(scratch.Root(), absent)) << "Open must not create";
}

// Each value is read into a 16-byte array of which `size` bytes are offered,
// and as a DWORD in front of a guard word; nothing outside may be written.
TEST(RegistryKey, QueryStringAndDword) {
  const struct {
    const char* name;
    DWORD type;  // REG_NONE: no value
    std::string stored;
    DWORD size;
    int result;
    const char* text;
    int dwordResult;
    DWORD dword;  // the output starts as 0xAAAAAAAA
  } cases[] = {
      {"fits", REG_SZ, std::string("abc", 4), 16, 1, "abc", 1, 0x00636261},
      {"exact fit", REG_SZ, std::string("abc", 4), 4, 1, "abc", 1, 0x00636261},
      // Wine's narrow reader always adds a terminator to REG_SZ; raw bytes
      // show the unterminated case.
      {"unterminated", REG_BINARY, "abc", 16, 1, "ab", 1, 0x00636261},
      {"empty", REG_SZ, "", 16, 1, "", 1, 0},
      {"larger than buffer", REG_SZ, std::string("abcdefgh", 9), 4, 0, "", 0, 0xAAAAAAAA},
      {"absent", REG_NONE, "", 16, 0, "", 0, 0xAAAAAAAA},
      {"dword", REG_DWORD, "\x78\x56\x34\x12", 16, 1, "xV4", 1, 0x12345678},
  };
  testing_support::ScratchKey scratch;
  for (const auto& c : cases) {
    if (c.type != REG_NONE) {
      ASSERT_TRUE(SetValue(scratch.Root(), scratch.Path(), c.name, c.type, c.stored)) << c.name;
    }
  }
  RegistryKey key;
  ASSERT_EQ(1, key.Open(scratch.Root(), scratch.Path().c_str()));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const auto& c = cases[i];
    char buffer[16];
    memset(buffer, 'X', sizeof(buffer));
    EXPECT_EQ(c.result, key.QueryString(c.name, buffer, c.size)) << "case " << i;
    ASSERT_NE(nullptr, memchr(buffer, 0, c.size)) << "case " << i << ": unterminated";
    EXPECT_STREQ(c.text, buffer) << "case " << i;
    for (size_t b = c.size; b < sizeof(buffer); ++b) ASSERT_EQ('X', buffer[b]) << "case " << i << ": byte " << b;
    DWORD value[2] = {0xAAAAAAAA, 0xBBBBBBBB};
    EXPECT_EQ(c.dwordResult, key.QueryDword(c.name, &value[0])) << "case " << i;
    EXPECT_EQ(c.dword, value[0]) << "case " << i;
    EXPECT_EQ(0xBBBBBBBBu, value[1]) << "case " << i << ": written beyond 4 bytes";
  }
  char untouched[4] = {'X', 'X', 'X', 'X'};
  EXPECT_EQ(0, key.QueryString("fits", untouched, 0));
  EXPECT_EQ('X', untouched[0]) << "a zero-size buffer must not be written";
  EXPECT_EQ(0, key.QueryString("fits", nullptr, 16));
  EXPECT_EQ(0, key.QueryDword("fits", nullptr));
  ASSERT_EQ(1, key.Close());
  char closed[8] = "stale";
  EXPECT_EQ(0, key.QueryString("fits", closed, sizeof(closed)));
  EXPECT_STREQ("", closed);
}

}  // namespace
