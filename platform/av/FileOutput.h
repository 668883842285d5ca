#pragma once
// Where a writer's bytes go: positioned writes, room reserved ahead of them and the final length.
// The system one is a file; tests put one in its place that fails as a full or broken disk does.
// Results are 0 or a negative errno. One thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace av {

class FileOutput {
 public:
  virtual ~FileOutput() = default;
  // Writes all size bytes at offset; a short write that cannot go on is its errno.
  virtual int WriteAt(const void* data, size_t size, int64_t offset) = 0;
  // Allocates the blocks of [offset, offset + size) without changing the file's length, so that
  // later writes there cannot find the disk full. -EOPNOTSUPP where the file system cannot.
  virtual int Reserve(int64_t offset, int64_t size) = 0;
  // Sets the file's length (drops blocks reserved past it).
  virtual int Truncate(int64_t length) = 0;
  // The file's length now; a negative errno when it cannot be told.
  virtual int64_t Length() = 0;
};

// Opens (creating it when missing, keeping what it holds) the file for writing. Null with
// *error set to the negative errno when it cannot be opened.
std::unique_ptr<FileOutput> OpenFileOutput(const std::string& path, int* error);

}  // namespace av
