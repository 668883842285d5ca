// Typed settings access: which stored types each read accepts, and what a failed read leaves.

#include "registry/TRegistry2.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kDeviceKey = "\\Software\\RavorOderiri\\Devices\\USB Camera (WDM) 0";

// Writes a value with a given type and bytes, bypassing the typed writes.
void Store(const char* name, DWORD type, const std::vector<BYTE>& data) {
  registry::RegistryKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kDeviceKey), ERROR_SUCCESS);
  ASSERT_EQ(key.Write(name, type, data), ERROR_SUCCESS);
}

std::vector<BYTE> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

class TRegistry2Test : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(registry_.OpenKey(kDeviceKey, true)); }
  TRegistry2 registry_;
};

TEST_F(TRegistry2Test, TypedWritesReadBack) {
  const std::array<BYTE, 3> state = {1, 2, 3};
  ASSERT_TRUE(registry_.WriteInteger("VideoSize", -5));
  ASSERT_TRUE(registry_.WriteBool("_DeviceDiscovered", true));
  ASSERT_TRUE(registry_.WriteString("VideoCrossbarInputs", "Composite\r\nS-Video"));
  ASSERT_TRUE(registry_.WriteFloat("FrameRate", 29.97));
  ASSERT_TRUE(registry_.WriteBinary("WDMState", state.data(), state.size()));

  TRegistry2 reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly(kDeviceKey));
  std::int32_t size = 0;
  bool discovered = false;
  std::string inputs;
  double rate = 0;
  std::array<BYTE, 3> readState{};
  EXPECT_TRUE(reader.ReadInteger("VideoSize", &size));
  EXPECT_TRUE(reader.ReadBool("_DeviceDiscovered", &discovered));
  EXPECT_TRUE(reader.ReadString("VideoCrossbarInputs", &inputs));
  EXPECT_TRUE(reader.ReadFloat("FrameRate", &rate));
  EXPECT_TRUE(reader.ReadBinary("WDMState", readState.data(), readState.size()));
  EXPECT_EQ(size, -5);
  EXPECT_TRUE(discovered);
  EXPECT_EQ(inputs, "Composite\r\nS-Video");
  EXPECT_EQ(rate, 29.97);
  EXPECT_EQ(readState, state);
  // A read-only key takes no writes.
  EXPECT_FALSE(reader.WriteInteger("VideoSize", 1));
}

TEST_F(TRegistry2Test, TheStoredFormsAreTheDocumentedOnes) {
  ASSERT_TRUE(registry_.WriteFloat("FrameRate", 30.0));
  ASSERT_TRUE(registry_.WriteBool("_IsVfw", false));
  ASSERT_TRUE(registry_.WriteString("Name", "ab"));
  registry::RegistryKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kDeviceKey), ERROR_SUCCESS);
  registry::RegistryValue value;
  ASSERT_EQ(key.Query("FrameRate", &value), ERROR_SUCCESS);
  EXPECT_EQ(value.type, REG_BINARY);
  EXPECT_EQ(value.data, (std::vector<BYTE>{0, 0, 0, 0, 0, 0, 0x3E, 0x40}));
  ASSERT_EQ(key.Query("_IsVfw", &value), ERROR_SUCCESS);
  EXPECT_EQ(value.type, REG_DWORD);
  EXPECT_EQ(value.data, (std::vector<BYTE>{0, 0, 0, 0}));
  ASSERT_EQ(key.Query("Name", &value), ERROR_SUCCESS);
  EXPECT_EQ(value.type, REG_SZ);
  EXPECT_EQ(value.data, (std::vector<BYTE>{'a', 'b', 0}));
}

TEST_F(TRegistry2Test, AFrameRateStoredAsDwordIsNotReadAsAFloat) {
  ASSERT_TRUE(registry_.WriteInteger("FrameRate", 25));
  double rate = 30.0;
  EXPECT_FALSE(registry_.ReadFloat("FrameRate", &rate));
  EXPECT_EQ(rate, 30.0);
  // Nor is binary data of another size.
  Store("FrameRate", REG_BINARY, {0, 0, 0, 0});
  EXPECT_FALSE(registry_.ReadFloat("FrameRate", &rate));
  EXPECT_EQ(rate, 30.0);
}

TEST_F(TRegistry2Test, IntegerAndBooleanReadsTakeOnlyDwords) {
  Store("Text", REG_SZ, Bytes(std::string_view("12\0", 3)));
  Store("Five", REG_DWORD, {5, 0, 0, 0});
  std::int32_t number = 99;
  bool flag = false;
  EXPECT_FALSE(registry_.ReadInteger("Text", &number));
  EXPECT_FALSE(registry_.ReadInteger("Missing", &number));
  EXPECT_EQ(number, 99);
  EXPECT_TRUE(registry_.ReadBool("Five", &flag));
  EXPECT_TRUE(flag);  // any non-zero value is true
  flag = true;
  EXPECT_FALSE(registry_.ReadBool("Text", &flag));
  EXPECT_TRUE(flag);
}

TEST_F(TRegistry2Test, StringReadsStopAtTheFirstZeroAndTakeOnlyStringTypes) {
  Store("Embedded", REG_SZ, Bytes(std::string_view("abc\0def\0", 8)));
  Store("Expand", REG_EXPAND_SZ, Bytes(std::string_view("%HOME%\0", 7)));
  Store("Unterminated", REG_SZ, Bytes("xyz"));
  Store("Number", REG_DWORD, {1, 0, 0, 0});
  Store("Blob", REG_BINARY, Bytes(std::string_view("ab\0", 3)));
  std::string text;
  EXPECT_TRUE(registry_.ReadString("Embedded", &text));
  EXPECT_EQ(text, "abc");
  EXPECT_TRUE(registry_.ReadString("Expand", &text));
  EXPECT_EQ(text, "%HOME%");
  EXPECT_TRUE(registry_.ReadString("Unterminated", &text));
  EXPECT_EQ(text, "xyz");
  text = "kept";
  EXPECT_FALSE(registry_.ReadString("Number", &text));
  EXPECT_FALSE(registry_.ReadString("Blob", &text));
  EXPECT_EQ(text, "kept");
}

TEST_F(TRegistry2Test, BinaryReadsNeedTheExactSizeAndABinaryOrUnknownType) {
  Store("VfwState", REG_BINARY, {1, 2, 3, 4, 5});
  Store("Multi", REG_MULTI_SZ, {'a', 0, 0});
  Store("Text", REG_SZ, {'a', 0, 0});
  std::array<BYTE, 4> four = {9, 9, 9, 9};
  EXPECT_FALSE(registry_.ReadBinary("VfwState", four.data(), four.size()));
  EXPECT_EQ(four, (std::array<BYTE, 4>{9, 9, 9, 9}));
  std::array<BYTE, 6> six = {9, 9, 9, 9, 9, 9};
  EXPECT_FALSE(registry_.ReadBinary("VfwState", six.data(), six.size()));
  EXPECT_EQ(six, (std::array<BYTE, 6>{9, 9, 9, 9, 9, 9}));

  std::array<BYTE, 3> three{};
  EXPECT_TRUE(registry_.ReadBinary("Multi", three.data(), three.size()));
  EXPECT_EQ(three, (std::array<BYTE, 3>{'a', 0, 0}));
  three = {7, 7, 7};
  EXPECT_FALSE(registry_.ReadBinary("Text", three.data(), three.size()));
  EXPECT_EQ(three, (std::array<BYTE, 3>{7, 7, 7}));
  EXPECT_EQ(registry_.GetDataSize("VfwState"), 5);
  EXPECT_EQ(registry_.GetDataSize("Missing"), -1);
}

TEST_F(TRegistry2Test, PathsAreRelativeToTheOpenKeyUnlessTheyStartWithABackslash) {
  ASSERT_TRUE(registry_.OpenKey("Sub", true));
  EXPECT_EQ(registry_.CurrentPath(), "Software\\RavorOderiri\\Devices\\USB Camera (WDM) 0\\Sub");
  ASSERT_TRUE(registry_.OpenKey("\\Software\\RavorOderiri", false));
  EXPECT_EQ(registry_.CurrentPath(), "Software\\RavorOderiri");
  EXPECT_TRUE(registry_.KeyExists("Devices\\USB Camera (WDM) 0\\Sub"));
  EXPECT_EQ(registry_.GetKeyNames(), std::vector<std::string>{"Devices"});

  EXPECT_FALSE(registry_.OpenKey("\\Software\\Nowhere", false));
  EXPECT_FALSE(registry_.HasCurrentKey());
  EXPECT_FALSE(registry_.KeyExists("\\Software\\Nowhere"));
  EXPECT_FALSE(registry_.WriteInteger("V", 1));  // no key open
}

TEST_F(TRegistry2Test, KeysAndValuesAreDeleted) {
  ASSERT_TRUE(registry_.WriteInteger("A", 1));
  ASSERT_TRUE(registry_.WriteInteger("B", 2));
  EXPECT_TRUE(registry_.DeleteValue("a"));
  EXPECT_FALSE(registry_.ValueExists("A"));
  EXPECT_EQ(registry_.GetValueNames(), std::vector<std::string>{"B"});

  registry_.CloseKey();
  EXPECT_TRUE(registry_.DeleteKey("\\Software\\RavorOderiri"));
  EXPECT_FALSE(registry_.KeyExists(kDeviceKey));
  EXPECT_FALSE(registry_.DeleteKey("\\Software\\RavorOderiri"));
  EXPECT_TRUE(registry_.KeyExists("\\Software"));
}

}  // namespace
