#include "base/security_builder.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <stdlib.h>

#include "base/registry_scratch.h"
#include "support/test_support.h"

using namespace registry_scratch;
using testing_support::ScratchKey;

namespace {

// Null: a 20-byte absolute descriptor with a present, null DACL; a
// definition: the platform's self-relative one, usable as a key's DACL;
// anything else: nothing. The attributes carry the descriptor either way.
TEST(SecurityBuilder, DescriptorsAndAttributes) {
  SecurityBuilder builder;
  const struct {
    const char* definition;
    int selfRelative;  // -1: no descriptor
  } cases[] = {{nullptr, 0}, {kOpenAccessDefinition, 1}, {"D:(A;;bogus;;;WD)", -1}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    SECURITY_ATTRIBUTES attributes = {0, &attributes, FALSE};
    EXPECT_EQ(cases[i].selfRelative >= 0, builder.BuildSecurityAttributes(cases[i].definition, &attributes, i == 0));
    EXPECT_EQ(12u, attributes.nLength);
    EXPECT_EQ(i == 0, attributes.bInheritHandle);
    PSECURITY_DESCRIPTOR descriptor = attributes.lpSecurityDescriptor;
    if (cases[i].selfRelative < 0) {
      EXPECT_EQ(nullptr, descriptor);
      EXPECT_EQ(nullptr, builder.BuildDescriptor(cases[i].definition));
      continue;
    }
    ASSERT_NE(nullptr, descriptor);
    EXPECT_TRUE(IsValidSecurityDescriptor(descriptor));
    EXPECT_EQ(cases[i].selfRelative ? GetSecurityDescriptorLength(descriptor) : 20u, _msize(descriptor));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_EQ(cases[i].selfRelative, (control & SE_SELF_RELATIVE) != 0);
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(cases[i].selfRelative == 0, dacl == nullptr);
    HANDLE event = CreateEventA(&attributes, TRUE, FALSE, nullptr);
    EXPECT_NE(nullptr, event) << "the attributes must be usable";
    CloseHandle(event);
    ScratchKey scratch;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), scratch.Path().c_str(), 0, WRITE_DAC, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    RegCloseKey(key);
    if (cases[i].selfRelative) {
      EXPECT_TRUE(GrantsEveryoneFullAccess(scratch.Root(), scratch.Path()));
    }
    free(descriptor);
  }
  EXPECT_EQ(0, builder.BuildSecurityAttributes(nullptr, nullptr, 0));
}

TEST(SecurityBuilderGrantOpenAccess, OpensUpExistingAndAbsentKeys) {
  ScratchKey scratch;
  const std::string closed = scratch.Path() + "\\closed";
  const std::string absent = scratch.Path() + "\\absent";
  ASSERT_TRUE(CreateKey(scratch.Root(), closed));
  // Denies everyone reading; the owner keeps the right to change the DACL.
  PSECURITY_DESCRIPTOR deny = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;KR;;;WD)", SDDL_REVISION_1,
                                                                   &deny, nullptr));
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), closed.c_str(), 0, WRITE_DAC, &key));
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, deny));
  RegCloseKey(key);
  LocalFree(deny);
  ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), closed.c_str(), 0, KEY_READ, &key));

  SecurityBuilder builder;
  const std::string* paths[] = {&closed, &absent};
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(1, builder.GrantOpenAccess(scratch.Root(), paths[i]->c_str())) << "case " << i;
    EXPECT_TRUE(GrantsEveryoneFullAccess(scratch.Root(), *paths[i])) << "case " << i;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), paths[i]->c_str(), 0, KEY_READ, &key))
        << "case " << i;
    RegCloseKey(key);
  }
}

TEST(SecurityBuilderGrantOpenAccess, RefusedOrBadPathChangesNothing) {
  SecurityBuilder builder;
  VolatileKey root;
  ASSERT_TRUE(root.Create("stuck"));
  if (!MakeUndeletable(HKEY_CURRENT_USER, root.Sub("stuck")))
    GTEST_SKIP() << "Wine let the test user delete a key owned by LocalSystem that denies all";
  EXPECT_EQ(0, builder.GrantOpenAccess(HKEY_CURRENT_USER, root.Sub("stuck").c_str()))
      << "WRITE_DAC is denied";
  HKEY key;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegOpenKeyExA(HKEY_CURRENT_USER, root.Sub("stuck").c_str(), 0, KEY_READ, &key));

  // Null, empty and over-long paths: the root's own DACL must stay as it was.
  HKEY parent;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, root.Path().c_str(), 0, KEY_ALL_ACCESS, &parent));
  const std::string before = SecurityBytes(parent);
  ASSERT_FALSE(before.empty());
  const std::string tooLong(300, 'k');
  const char* paths[] = {nullptr, "", tooLong.c_str()};
  for (size_t i = 0; i < sizeof(paths) / sizeof(paths[0]); ++i) {
    EXPECT_EQ(0, builder.GrantOpenAccess(parent, paths[i])) << "case " << i;
    EXPECT_EQ(before, SecurityBytes(parent)) << "case " << i << ": the root's DACL changed";
  }
  EXPECT_FALSE(KeyExists(parent, tooLong));
  RegCloseKey(parent);
}

}  // namespace
