#include "base/registry_key.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/registry_scratch.h"
#include "support/campaign_random.h"
#include "support/test_support.h"

using namespace registry_scratch;
using testing_support::ScratchKey;

namespace {

std::string Bytes(const char* data, size_t size) { return std::string(data, size); }

TEST(RegistryKey, OpenAndClose) {
  ScratchKey scratch;
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

// Each value is read into a 16-byte array of which `size` bytes are offered;
// the rest must stay untouched.
struct StringCase {
  const char* name;
  DWORD type;
  std::string stored;  // empty with `absent` for no value
  bool absent;
  DWORD size;
  int result;
  const char* text;
};

TEST(RegistryKey, QueryString) {
  const StringCase cases[] = {
      {"fits", REG_SZ, Bytes("abc", 4), false, 16, 1, "abc"},
      {"exact fit", REG_SZ, Bytes("abc", 4), false, 4, 1, "abc"},
      // Wine's narrow reader always adds a terminator to REG_SZ; raw bytes
      // show the unterminated case.
      {"unterminated", REG_BINARY, Bytes("abc", 3), false, 16, 1, "ab"},
      {"one byte", REG_BINARY, Bytes("a", 1), false, 16, 1, ""},
      {"empty", REG_SZ, Bytes("", 0), false, 16, 1, ""},
      {"larger than buffer", REG_SZ, Bytes("abcdefgh", 9), false, 4, 0, ""},
      {"absent", REG_SZ, Bytes("", 0), true, 16, 0, ""},
      {"dword read as text", REG_DWORD, Bytes("abc", 4), false, 16, 1, "abc"},
  };
  ScratchKey scratch;
  for (const StringCase& c : cases) {
    if (!c.absent) {
      ASSERT_TRUE(SetValue(scratch.Root(), scratch.Path(), c.name, c.type, c.stored)) << c.name;
    }
  }

  RegistryKey key;
  ASSERT_EQ(1, key.Open(scratch.Root(), scratch.Path().c_str()));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    const StringCase& c = cases[i];
    char buffer[16];
    memset(buffer, 'X', sizeof(buffer));
    EXPECT_EQ(c.result, key.QueryString(c.name, buffer, c.size)) << "case " << i << " " << c.name;
    ASSERT_NE(nullptr, memchr(buffer, 0, c.size)) << "case " << i << ": unterminated";
    EXPECT_STREQ(c.text, buffer) << "case " << i << " " << c.name;
    for (size_t b = c.size; b < sizeof(buffer); ++b)
      ASSERT_EQ('X', buffer[b]) << "case " << i << ": byte " << b << " beyond the buffer written";
  }

  char untouched[4] = {'X', 'X', 'X', 'X'};
  EXPECT_EQ(0, key.QueryString("fits", untouched, 0));
  EXPECT_EQ('X', untouched[0]) << "a zero-size buffer must not be written";
  EXPECT_EQ(0, key.QueryString("fits", nullptr, 16));

  ASSERT_EQ(1, key.Close());
  char closed[8] = "stale";
  EXPECT_EQ(0, key.QueryString("fits", closed, sizeof(closed)));
  EXPECT_STREQ("", closed);
}

struct DwordCase {
  const char* name;
  DWORD type;
  std::string stored;
  int result;
  DWORD value;  // what the output holds afterwards; it starts as 0xAAAAAAAA
};

TEST(RegistryKey, QueryDword) {
  const DwordCase cases[] = {
      {"dword", REG_DWORD, Bytes("\x78\x56\x34\x12", 4), 1, 0x12345678},
      {"short binary", REG_BINARY, Bytes("\x11\x22", 2), 1, 0x00002211},
      {"text of three bytes", REG_SZ, Bytes("ab", 3), 1, 0x00006261},
      {"too long", REG_BINARY, Bytes("12345678", 8), 0, 0xAAAAAAAA},
      {"absent", REG_NONE, std::string(), 0, 0xAAAAAAAA},
  };
  ScratchKey scratch;
  for (const DwordCase& c : cases) {
    if (c.type != REG_NONE) {
      ASSERT_TRUE(SetValue(scratch.Root(), scratch.Path(), c.name, c.type, c.stored)) << c.name;
    }
  }

  RegistryKey key;
  ASSERT_EQ(1, key.Open(scratch.Root(), scratch.Path().c_str()));
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    DWORD value[2] = {0xAAAAAAAA, 0xBBBBBBBB};
    EXPECT_EQ(cases[i].result, key.QueryDword(cases[i].name, &value[0])) << "case " << i;
    EXPECT_EQ(cases[i].value, value[0]) << "case " << i << " " << cases[i].name;
    EXPECT_EQ(0xBBBBBBBBu, value[1]) << "case " << i << ": written beyond 4 bytes";
  }
  EXPECT_EQ(0, key.QueryDword("dword", nullptr));
}

}  // namespace
