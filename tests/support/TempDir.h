#pragma once
// A temporary directory removed with everything in it when the object goes.

#include <filesystem>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Each test runs in a fresh directory that is also its current directory, with
// RUDOZAV_REGISTRY and RUDOZAV_SYSTEM_DIR pointing inside it. This returns that directory.
const std::filesystem::path& TestDirectory();

}  // namespace testing_support
