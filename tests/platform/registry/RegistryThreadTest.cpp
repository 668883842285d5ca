// The settings store used from several threads of one process at once.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "registry/RegistryKey.h"

namespace {

constexpr const char* kKey = "Software\\Threads";

TEST(RegistryThreadTest, ThreadsWritingAndReadingTogetherKeepEveryValue) {
  constexpr int kThreads = 3;
  constexpr int kValues = 30;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      // Each thread has its own handle; the database connection is shared.
      registry::RegistryKey key;
      ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kKey), ERROR_SUCCESS);
      for (int i = 0; i < kValues; ++i) {
        const std::string name = "T" + std::to_string(t) + "_" + std::to_string(i);
        ASSERT_EQ(key.WriteDword(name, static_cast<DWORD>(i)), ERROR_SUCCESS);
        ASSERT_EQ(key.ReadDword(name), static_cast<DWORD>(i));
        key.SubKeyNames();  // listing while others write must not disturb them
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }

  registry::RegistryKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kKey), ERROR_SUCCESS);
  EXPECT_EQ(key.Values().size(), static_cast<std::size_t>(kThreads * kValues));
}

TEST(RegistryThreadTest, OneHandleMayBeSharedByThreads) {
  registry::RegistryKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kKey), ERROR_SUCCESS);
  const HKEY handle = key.Handle();
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([handle, t] {
      for (DWORD i = 0; i < 20; ++i) {
        const std::string name = "Shared" + std::to_string(t);
        ASSERT_EQ(RegSetValueEx(handle, name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&i), sizeof i),
                  ERROR_SUCCESS);
      }
    });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(key.ReadDword("Shared0"), 19u);
  EXPECT_EQ(key.ReadDword("Shared1"), 19u);
}

}  // namespace
