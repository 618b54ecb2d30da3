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
      EXPECT_PRED1(GrantsEveryoneFullAccess, DaclText(scratch.Root(), scratch.Path()));
    }
    free(descriptor);
  }
  EXPECT_EQ(0, builder.BuildSecurityAttributes(nullptr, nullptr, 0));
}

// Existing keys closed to reading and absent ones are opened up; a key whose
// DACL the user may not change, and null, empty or over-long paths, change
// nothing (the root's own DACL least of all).
TEST(SecurityBuilder, GrantOpenAccess) {
  ScratchKey scratch;
  VolatileKey stuckRoot;  // what is left undeletable vanishes with the wineserver
  ASSERT_TRUE(CreateKey(scratch.Root(), scratch.Path() + "\\closed"));
  ASSERT_TRUE(stuckRoot.Create("stuck"));
  PSECURITY_DESCRIPTOR deny = nullptr;  // the owner may still change the DACL
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;KR;;;WD)", SDDL_REVISION_1, &deny, nullptr));
  HKEY key, roots[2];
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), (scratch.Path() + "\\closed").c_str(), 0, WRITE_DAC, &key));
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, deny));
  RegCloseKey(key);
  LocalFree(deny);
  if (!MakeUndeletable(HKEY_CURRENT_USER, stuckRoot.Sub("stuck")))
    GTEST_SKIP() << "Wine let the test user delete a key owned by LocalSystem that denies all";
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), scratch.Path().c_str(), 0, KEY_ALL_ACCESS, &roots[0]));
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, stuckRoot.Path().c_str(), 0, KEY_ALL_ACCESS, &roots[1]));
  const std::string rootDacl = DaclText(roots[1], ""), tooLong(300, 'k');
  ASSERT_NE("", rootDacl);
  const struct {
    int root;
    const char* path;
    int result;
    LONG open;  // the status of opening it for reading afterwards; -1: not tried
  } cases[] = {{0, "closed", 1, ERROR_SUCCESS}, {0, "absent", 1, ERROR_SUCCESS}, {1, "stuck", 0, ERROR_ACCESS_DENIED},
               {1, nullptr, 0, -1}, {1, "", 0, -1}, {1, tooLong.c_str(), 0, -1}};
  SecurityBuilder builder;
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    HKEY root = roots[cases[i].root];
    EXPECT_EQ(cases[i].result, builder.GrantOpenAccess(root, cases[i].path)) << "case " << i;
    EXPECT_EQ(rootDacl, DaclText(roots[1], "")) << "case " << i << ": the root's DACL changed";
    if (cases[i].open >= 0) {
      EXPECT_EQ(cases[i].open, RegOpenKeyExA(root, cases[i].path, 0, KEY_READ, &key)) << "case " << i;
    }
    if (cases[i].result) {
      RegCloseKey(key);
      EXPECT_PRED1(GrantsEveryoneFullAccess, DaclText(root, cases[i].path)) << "case " << i;
    }
  }
  EXPECT_FALSE(KeyExists(roots[1], tooLong));
  RegCloseKey(roots[0]);
  RegCloseKey(roots[1]);
}

}  // namespace
