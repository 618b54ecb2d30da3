#include "base/registry_tree.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/registry_scratch.h"
#include "support/handle_count.h"
#include "support/campaign_random.h"
#include "support/test_support.h"

using namespace registry_scratch;
using testing_support::ScratchKey;

namespace {

// A key owned by LocalSystem whose DACL denies everyone everything: the test
// user can neither open it up nor delete it. Keys are removed in name order,
// so "a" goes before the stuck "m" and "z" is never reached.
TEST(RemoveTree, StopsAtFirstKeyThatCannotGo) {
  VolatileKey root;
  ASSERT_TRUE(root.Create("t\\a\\x"));
  ASSERT_TRUE(root.Create("t\\m\\stuck"));
  ASSERT_TRUE(root.Create("t\\z"));
  if (!MakeUndeletable(HKEY_CURRENT_USER, root.Sub("t\\m\\stuck")))
    GTEST_SKIP() << "Wine let the test user delete a key owned by LocalSystem that denies all";

  EXPECT_EQ(0, RemoveTree(HKEY_CURRENT_USER, root.Sub("t").c_str()));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, root.Sub("t\\a"))) << "removed before the stuck key";
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, root.Sub("t\\m\\stuck")));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, root.Sub("t\\m")));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, root.Sub("t\\z"))) << "the removal must stop";
  // The parents that stay keep the access they were opened up to.
  EXPECT_PRED1(GrantsEveryoneFullAccess, DaclText(HKEY_CURRENT_USER, root.Sub("t")));
  EXPECT_PRED1(GrantsEveryoneFullAccess, DaclText(HKEY_CURRENT_USER, root.Sub("t\\m")));
}

// Deleting a symbolic-link key through its name deletes the target, so the
// link is still the first sub-key afterwards. The removal must give up rather
// than recreate and delete the target forever.
struct Removal {
  std::string path;
  int result;
  static DWORD WINAPI Run(void* self) {
    Removal* removal = static_cast<Removal*>(self);
    removal->result = RemoveTree(HKEY_CURRENT_USER, removal->path.c_str());
    return 0;
  }
};

TEST(RemoveTree, SymbolicLinkSubKeyEndsRemoval) {
  VolatileKey root;
  const std::string linkPath = root.Sub("t\\link");
  ASSERT_TRUE(root.Create("t"));
  HKEY link;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, linkPath.c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr));
  // A link names its target by its native path; Wine's HKLM is \Registry\Machine.
  std::wstring native = L"\\Registry\\Machine\\Software\\Bramcot Tests Link Target";
  LONG set = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(native.c_str()),
                            static_cast<DWORD>(native.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  ASSERT_EQ(ERROR_SUCCESS, set);
  // Leaked on purpose when the removal hangs, with the thread still using it.
  Removal* removal = new Removal{root.Sub("t"), -1};
  HANDLE thread = CreateThread(nullptr, 0, Removal::Run, removal, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  DWORD waited = WaitForSingleObject(thread, 20000);
  CloseHandle(thread);
  ASSERT_EQ(WAIT_OBJECT_0, waited) << "RemoveTree still runs after 20 s: it loops on the link";
  EXPECT_EQ(0, removal->result);
  delete removal;
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, root.Sub("t")));
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, linkPath.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link))
      << "the link is still there";
  RegDeleteKeyA(link, "");
  RegCloseKey(link);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Bramcot Tests Link Target");
}

// Null, empty and over-long paths fail without emptying the root; an absent
// key is created on the way and must be deleted again.
TEST(RemoveTree, BadOrAbsentPaths) {
  ScratchKey scratch;
  ASSERT_TRUE(CreateKey(scratch.Root(), scratch.Path() + "\\child"));
  HKEY root;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), scratch.Path().c_str(), 0, KEY_ALL_ACCESS, &root));
  const std::string tooLong(300, 'k');
  const struct {
    const char* path;
    int result;
  } cases[] = {{nullptr, 0}, {"", 0}, {tooLong.c_str(), 0}, {"absent", 1}};
  for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i) {
    EXPECT_EQ(cases[i].result, RemoveTree(root, cases[i].path)) << "case " << i;
    EXPECT_TRUE(KeyExists(root, "child")) << "case " << i << ": the root was emptied";
  }
  EXPECT_FALSE(KeyExists(root, tooLong));
  EXPECT_FALSE(KeyExists(root, "absent"));
  RegCloseKey(root);
}

// --- Random trees -------------------------------------------------------------

// Printable ASCII but the backslash, blanks only inside, a few bytes above
// 0x7F that have no case; 1 to 12 characters, now and then up to 255.
std::string RandomKeyName(testing_support::CampaignRandom& random) {
  std::string name(1 + random.Below(random.OneIn(30) ? 255 : 12), ' ');
  for (char& c : name) c = random.OneIn(10) ? "\xA1\xA7\xB0\xBF\xD7"[random.Below(5)] : '!' + random.Below(94);
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.size() > 2 && random.OneIn(5)) name[1 + random.Below(name.size() - 2)] = ' ';
  return name;
}

// Up to two values of random names, types (REG_NONE to REG_BINARY) and bytes.
void AddRandomValues(HKEY key, testing_support::CampaignRandom& random) {
  for (unsigned n = random.Below(3); n > 0; --n) {
    std::string name = random.OneIn(4) ? "" : RandomKeyName(random), data(random.Below(20), ' ');
    for (char& c : data) c = static_cast<char>(random.Next());
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, random.Below(4),
                                            reinterpret_cast<const BYTE*>(data.data()), data.size()));
  }
}

// Key `name` below `parent` with a random tree of `depth` levels at most
// below it, made level by level (narrow registry paths end at 260
// characters); `keys` counts the keys made (names equal but for case name
// one key).
void CreateRandomTree(HKEY parent, const std::string& name, unsigned depth,
                      testing_support::CampaignRandom& random, int* keys) {
  HKEY key;
  DWORD disposition;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                           &disposition));
  if (disposition == REG_CREATED_NEW_KEY) ++*keys;
  if (random.OneIn(3)) {
    ASSERT_NO_FATAL_FAILURE(AddRandomValues(key, random));
  }
  for (unsigned n = depth ? random.Below(5) : 0; n > 0; --n)
    ASSERT_NO_FATAL_FAILURE(CreateRandomTree(key, RandomKeyName(random), depth - 1, random, keys));
  RegCloseKey(key);
}

// Every key and value below `key` (each value with its type and bytes), one
// line each, in the platform's order.
void Snapshot(HKEY key, const std::string& prefix, std::vector<std::string>* lines) {
  char name[16384];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    lines->push_back(prefix + ":" + name + "=" + std::to_string(type) + ":" +
                     std::string(reinterpret_cast<char*>(data), dataSize));
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof(name);
    if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    lines->push_back(prefix + "\\" + name);
    HKEY sub;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    Snapshot(sub, prefix + "\\" + name, lines);
    RegCloseKey(sub);
  }
}

// A case is one key of a random tree: 10,000 keys in some hundreds of trees,
// each removed between decoys that must stay as they were: the parent with
// values of its own, a sibling whose name extends the tree's, one whose name
// is the tree's cut short, and a key beside the parent.
TEST(RemoveTree, RandomTreesBesideDecoys) {
  const unsigned kSeed = 20240615;
  ScratchKey scratch;
  HKEY top;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(scratch.Root(), scratch.Path().c_str(), 0, KEY_ALL_ACCESS, &top));
  ASSERT_TRUE(CreateKey(top, "beside"));
  testing_support::CampaignRandom random(kSeed);
  DWORD handles = 0;
  int keys = 0, tree = 0;
  for (; keys < 10000; ++tree) {
    std::string parentName = RandomKeyName(random), name = RandomKeyName(random);
    SCOPED_TRACE(testing::Message() << "tree " << tree << " of seed " << kSeed << " at \"" << parentName << "\\"
                                    << name << "\"");
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(top, parentName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &parent, nullptr));
    ASSERT_TRUE(CreateKey(parent, name.substr(0, 240) + RandomKeyName(random).substr(0, 3) + "\\below"));
    if (name.size() > 1) {
      ASSERT_TRUE(CreateKey(parent, name.substr(0, name.size() - 1)));
    }
    ASSERT_NO_FATAL_FAILURE(AddRandomValues(parent, random));
    std::vector<std::string> before, after;
    Snapshot(top, "", &before);
    ASSERT_NO_FATAL_FAILURE(CreateRandomTree(parent, name, random.Below(5), random, &keys));

    ASSERT_EQ(1, RemoveTree(parent, name.c_str()));
    EXPECT_FALSE(KeyExists(parent, name));
    Snapshot(top, "", &after);
    ASSERT_TRUE(before == after) << before.size() << " lines before, " << after.size() << " after";
    RegCloseKey(parent);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(top, parentName.c_str()));
    // Counted after the first tree: the first calls open what the platform
    // keeps open for good.
    if (tree == 0) handles = OwnHandleCount();
  }
  EXPECT_EQ(handles, OwnHandleCount()) << "a key was left open";
  RegCloseKey(top);
  printf("%d random keys in %d trees removed\n", keys, tree);
}

}  // namespace
