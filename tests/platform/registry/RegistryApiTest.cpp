// The C functions of the settings store: keys, values, deletion, enumeration, handles.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "registry/Registry.h"
#include "support/TempDir.h"

namespace {

// Opens (creating) a key for a test and closes it at the end.
class Key {
 public:
  explicit Key(const char* path, HKEY root = HKEY_CURRENT_USER) {
    EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS)
        << path;
  }
  ~Key() { RegCloseKey(key_); }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  operator HKEY() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

LONG SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
}

LONG SetText(HKEY key, const char* name, const char* text) {
  return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1));
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::vector<std::string> SubKeys(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  DWORD size = sizeof name;
  for (DWORD i = 0;
       RegEnumKeyEx(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = sizeof name) {
    names.emplace_back(name, size);
  }
  return names;
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  char name[256];
  DWORD size = sizeof name;
  for (DWORD i = 0;
       RegEnumValue(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = sizeof name) {
    names.emplace_back(name, size);
  }
  return names;
}

TEST(RegistryApiTest, OpenFindsOnlyExistingKeysAndCreateSaysWhichItDid) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\RavorOderiri", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);

  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\RavorOderiri\\Devices\\Cam 0", 0, nullptr,
                           0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "\\Software\\RavorOderiri\\Devices\\Cam 0\\", 0,
                           nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);

  // Every parent was made, and a leading "\" names the same key.
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "\\Software\\RavorOderiri\\Devices"));
  // The two roots are separate trees.
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Software"));
}

TEST(RegistryApiTest, KeyNamesLongerThanTheLimitAreRefused) {
  const std::string longName(kMaxKeyNameLength + 1, 'k');
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, longName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                           nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST(RegistryApiTest, NamesMatchWithoutRegardToCaseAndKeepTheirCase) {
  {
    Key key("Software\\RavorOderiri\\Görüntü");
    ASSERT_EQ(SetDword(key, "FrameRate", 25), ERROR_SUCCESS);
    // Another spelling overwrites the same value and keeps the first name.
    ASSERT_EQ(SetDword(key, "FRAMERATE", 30), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), std::vector<std::string>{"FrameRate"});
  }
  Key again("SOFTWARE\\ravoroderiri\\GöRüNTü");
  DWORD value = 0;
  DWORD size = sizeof value;
  ASSERT_EQ(
      RegQueryValueEx(again, "framerate", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(value, 30u);
  Key software("software");
  EXPECT_EQ(SubKeys(software), std::vector<std::string>{"RavorOderiri"});
}

TEST(RegistryApiTest, QueryGivesTypeAndSizeAndAsksForMoreRoom) {
  Key key("Software\\Values");
  ASSERT_EQ(SetText(key, "Name", "camera"), ERROR_SUCCESS);

  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueEx(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 7u);  // with the terminating zero

  char small[4] = "xyz";
  size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  EXPECT_STREQ(small, "xyz");

  char exact[7];
  size = sizeof exact;
  ASSERT_EQ(RegQueryValueEx(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(exact, "camera");

  EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST(RegistryApiTest, ValuesKeepTheirTypeNumberAndBytes) {
  Key key("Software\\Types");
  const BYTE multi[] = {'a', 0, 'b', 0, 0};
  ASSERT_EQ(RegSetValueEx(key, "Multi", 0, REG_MULTI_SZ, multi, sizeof multi), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "Odd", 0, 0x1234, multi, 2), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, nullptr, "default"), ERROR_SUCCESS);

  BYTE data[16] = {};
  DWORD type = 0;
  DWORD size = sizeof data;
  ASSERT_EQ(RegQueryValueEx(key, "multi", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(std::vector<BYTE>(data, data + size), std::vector<BYTE>(multi, multi + sizeof multi));
  size = sizeof data;
  ASSERT_EQ(RegQueryValueEx(key, "Odd", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, 0x1234u);
  EXPECT_EQ(size, 2u);
  size = sizeof data;
  ASSERT_EQ(RegQueryValueEx(key, "Empty", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(size, 0u);
  // The default value is the one with the empty name.
  size = sizeof data;
  ASSERT_EQ(RegQueryValueEx(key, "", nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "default");

  const BYTE three[3] = {};
  EXPECT_EQ(RegSetValueEx(key, "Short", 0, REG_DWORD, three, sizeof three),
            ERROR_INVALID_PARAMETER);
}

TEST(RegistryApiTest, DeleteValueRemovesOnlyThatValue) {
  Key key("Software\\Delete");
  ASSERT_EQ(SetDword(key, "A", 1), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, "B", 2), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(key, "a"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(key, "A"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ValueNames(key), std::vector<std::string>{"B"});
}

TEST(RegistryApiTest, DeletingTheSettingsTreeRemovesEverySubkey) {
  for (const char* path :
       {"Software\\RavorOderiri\\5.2_1210021507", "Software\\RavorOderiri\\Devices\\Cam A",
        "Software\\RavorOderiri\\Devices\\Cam B",
        "Software\\RavorOderiri\\Compressors\\Codec\\Deep\\Deeper"}) {
    Key key(path);
    ASSERT_EQ(SetDword(key, "Value", 7), ERROR_SUCCESS);
  }
  Key sibling("Software\\Other");
  ASSERT_EQ(SetDword(sibling, "Kept", 1), ERROR_SUCCESS);

  ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "\\Software\\RavorOderiri\\"), ERROR_SUCCESS);

  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\RavorOderiri"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\RavorOderiri\\Devices\\Cam A"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Other"));
  // Creating it again starts empty: no subkey or value came back.
  Key fresh("Software\\RavorOderiri");
  EXPECT_TRUE(SubKeys(fresh).empty());
  EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "Software\\Missing"), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryApiTest, TreeDeletionWithoutSubkeyEmptiesTheKeyAndKeepsIt) {
  Key key("Software\\Box");
  { Key child("Software\\Box\\Child"); }
  ASSERT_EQ(SetDword(key, "V", 1), ERROR_SUCCESS);
  // A plain key deletion refuses a key that still has subkeys.
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Box"), ERROR_ACCESS_DENIED);

  ASSERT_EQ(RegDeleteTree(key, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(SubKeys(key).empty());
  EXPECT_TRUE(ValueNames(key).empty());
  EXPECT_EQ(SetDword(key, "StillUsable", 1), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Box"), ERROR_SUCCESS);
}

TEST(RegistryApiTest, AHandleOfADeletedKeyStaysDeadWhenTheNameIsMadeAgain) {
  Key old("Software\\Gone");
  ASSERT_EQ(SetDword(old, "V", 1), ERROR_SUCCESS);
  ASSERT_EQ(SHDeleteKey(HKEY_CURRENT_USER, "Software\\Gone"), ERROR_SUCCESS);
  Key recreated("Software\\Gone");

  DWORD size = 0;
  EXPECT_EQ(RegQueryValueEx(old, "V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(SetDword(old, "V", 2), ERROR_KEY_DELETED);
  EXPECT_TRUE(ValueNames(recreated).empty());
  EXPECT_EQ(SHDeleteKey(HKEY_CURRENT_USER, ""), ERROR_INVALID_PARAMETER);
}

TEST(RegistryApiTest, EnumerationListsSubkeysByNameAndValuesInWrittenOrder) {
  Key key("Software\\Enum");
  for (const char* name : {"beta", "Alpha", "gamma"}) {
    Key child((std::string("Software\\Enum\\") + name).c_str());
  }
  for (const char* name : {"Zed", "alpha", "Mid"}) {
    ASSERT_EQ(SetDword(key, name, 1), ERROR_SUCCESS);
  }

  EXPECT_EQ(SubKeys(key), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"Zed", "alpha", "Mid"}));

  char name[4];
  DWORD size = sizeof name;
  EXPECT_EQ(RegEnumKeyEx(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  size = sizeof name;
  EXPECT_EQ(RegEnumKeyEx(key, 3, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
  ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                            &maxValueName, &maxValue, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(maxSubKey, 5u);
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(maxValueName, 5u);
  EXPECT_EQ(maxValue, 4u);
}

TEST(RegistryApiTest, HandlesAreCheckedAndReadOnlyHandlesCannotWrite) {
  { Key create("Software\\Locked"); }
  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Locked", 0, KEY_READ, &readOnly),
            ERROR_SUCCESS);
  EXPECT_EQ(SetDword(readOnly, "V", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteTree(readOnly, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(readOnly), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetDword(readOnly, "V", 1), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST(RegistryApiTest, ReadsOfAMissingDatabaseFindNothingAndCreateNoFile) {
  const auto file = testing_support::TestDirectory() / "registry.db";
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueEx(HKEY_CURRENT_USER, "V", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  char name[16];
  size = sizeof name;
  EXPECT_EQ(RegEnumKeyEx(HKEY_CLASSES_ROOT, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, nullptr), ERROR_SUCCESS);
  EXPECT_FALSE(std::filesystem::exists(file));

  ASSERT_EQ(SetDword(HKEY_CURRENT_USER, "V", 1), ERROR_SUCCESS);
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(RegistryApiTest, TheDatabaseFileIsChosenAtEachOpen) {
  const auto dir = testing_support::TestDirectory();
  { Key first("Software\\First"); }

  // Without RUDOZAV_REGISTRY the file is under XDG_CONFIG_HOME, folders made as needed.
  unsetenv("RUDOZAV_REGISTRY");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\First"));
  { Key second("Software\\Second"); }
  EXPECT_TRUE(std::filesystem::exists(dir / "config" / "rudozav" / "registry.db"));

  setenv("RUDOZAV_REGISTRY", (dir / "registry.db").c_str(), 1);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\First"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Second"));
}

}  // namespace
