// libavformat's I/O over our ends: the file writer's positions, its reserve and how it reports a
// full or failing disk while still writing, the memory reader, and FFmpeg's error texts.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "av/AvError.h"
#include "av/AvIo.h"

namespace {

// A file in memory that runs out of room past capacity, can refuse reservations altogether and
// fails its failingWrite-th write (from 1) with EIO.
class MemoryOutput final : public av::FileOutput {
 public:
  struct State {
    std::vector<uint8_t> bytes;
    int64_t reservedUpTo = 0;
    int64_t capacity = INT64_MAX;
    bool canReserve = true;
    int failingWrite = 0;
    int writes = 0;
  };
  explicit MemoryOutput(State& state) : state_(state) {}

  int WriteAt(const void* data, size_t size, int64_t offset) override {
    if (++state_.writes == state_.failingWrite) return -EIO;
    const auto end = static_cast<size_t>(offset) + size;
    if (static_cast<int64_t>(end) > state_.capacity) return -ENOSPC;
    if (state_.bytes.size() < end) state_.bytes.resize(end);
    std::memcpy(state_.bytes.data() + offset, data, size);
    return 0;
  }
  int Reserve(int64_t offset, int64_t size) override {
    if (!state_.canReserve) return -EOPNOTSUPP;
    if (offset + size > state_.capacity) return -ENOSPC;
    state_.reservedUpTo = std::max(state_.reservedUpTo, offset + size);
    return 0;
  }
  int Truncate(int64_t length) override {
    state_.bytes.resize(static_cast<size_t>(length));
    return 0;
  }
  int64_t Length() override { return static_cast<int64_t>(state_.bytes.size()); }

 private:
  State& state_;
};

void WriteBytes(av::FileWriterIo& io, size_t count, uint8_t value) {
  const std::vector<uint8_t> bytes(count, value);
  avio_write(io.Context(), bytes.data(), static_cast<int>(bytes.size()));
  avio_flush(io.Context());
}

TEST(FileWriterIo, WritesAtItsPositionAndSeeksBack) {
  MemoryOutput::State file;
  av::FileWriterIo io(std::make_unique<MemoryOutput>(file));
  WriteBytes(io, 10, 1);
  avio_seek(io.Context(), 2, SEEK_SET);
  WriteBytes(io, 2, 7);
  EXPECT_EQ(avio_size(io.Context()), 10);
  EXPECT_EQ(io.Finish(), 0);
  EXPECT_EQ(file.bytes, (std::vector<uint8_t>{1, 1, 7, 7, 1, 1, 1, 1, 1, 1}));
}

struct EndCase {
  const char* name;
  size_t lengthBefore;
  size_t length;  // after Finish, of 10 bytes written
  bool junk;      // a JUNK chunk covers the rest
};

class FileWriterIoEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(FileWriterIoEnd, EndsTheFileOrMarksTheRestOfALongerOneAsJunk) {
  MemoryOutput::State file;
  file.bytes.assign(GetParam().lengthBefore, 0xEE);
  av::FileWriterIo io(std::make_unique<MemoryOutput>(file));
  WriteBytes(io, 10, 1);
  EXPECT_EQ(io.Finish(), 0);
  ASSERT_EQ(file.bytes.size(), GetParam().length);
  if (!GetParam().junk) return;
  EXPECT_EQ(std::string(file.bytes.begin() + 10, file.bytes.begin() + 14), "JUNK");
  const uint32_t size = file.bytes[14] | (file.bytes[15] << 8) | (file.bytes[16] << 16) |
                        (static_cast<uint32_t>(file.bytes[17]) << 24);
  EXPECT_EQ(size, (GetParam().length - 18) & ~size_t{1});
}

INSTANTIATE_TEST_SUITE_P(Ends, FileWriterIoEnd,
                         ::testing::Values(EndCase{"NewFile", 0, 10, false},
                                           EndCase{"ShorterBefore", 5, 10, false},
                                           EndCase{"NoRoomForAChunk", 17, 10, false},
                                           EndCase{"Preallocated", 100, 100, true},
                                           EndCase{"OddTail", 101, 101, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FileWriterIo, KeepsItsReserveAllocatedAheadOfThePosition) {
  MemoryOutput::State file;
  av::FileWriterIo io(std::make_unique<MemoryOutput>(file));
  io.SetReserve(1000);
  WriteBytes(io, 500, 1);
  EXPECT_GE(file.reservedUpTo, 1500);
  EXPECT_EQ(io.Error(), 0);
}

struct FailureCase {
  const char* name;
  int64_t capacity;
  bool canReserve;
  int failingWrite;
  int error;       // what the writer reports
  size_t written;  // bytes that reached the file of the three writes of 1000
};

class FileWriterIoFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FileWriterIoFailures, AreReportedWhileWritingGoesOn) {
  const FailureCase& failure = GetParam();
  MemoryOutput::State file;
  file.capacity = failure.capacity;
  file.canReserve = failure.canReserve;
  file.failingWrite = failure.failingWrite;
  av::FileWriterIo io(std::make_unique<MemoryOutput>(file));
  io.SetReserve(2000);
  for (uint8_t i = 1; i <= 3; ++i)
    WriteBytes(io, 1000, i);
  EXPECT_EQ(io.Error(), failure.error);
  EXPECT_EQ(io.DiskFull(), failure.error == -ENOSPC);
  EXPECT_EQ(io.End(), 3000);
  EXPECT_EQ(file.bytes.size(), failure.written);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FileWriterIoFailures,
    ::testing::Values(
        // The reserve cannot grow past the second write: full, though all three still fit.
        FailureCase{"ReserveRunsOut", 4500, true, 0, -ENOSPC, 3000},
        // The disk fails once; the next write goes through.
        FailureCase{"BrokenWrite", INT64_MAX, true, 2, -EIO, 3000},
        // No reservations on this file system: the full disk shows when a write fails.
        FailureCase{"NoReservations", 2500, false, 0, -ENOSPC, 2000},
        FailureCase{"PlentyOfRoom", INT64_MAX, true, 0, 0, 3000}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(MemoryReaderIo, ReadsSeeksAndKnowsItsSize) {
  const std::vector<uint8_t> bytes{10, 11, 12, 13, 14, 15};
  av::MemoryReaderIo reader(bytes.data(), bytes.size());
  uint8_t read[4] = {};
  EXPECT_EQ(avio_read(reader.Context(), read, 2), 2);
  EXPECT_EQ(read[1], 11);
  EXPECT_EQ(avio_seek(reader.Context(), 4, SEEK_SET), 4);
  EXPECT_EQ(avio_read(reader.Context(), read, 4), 2);
  EXPECT_EQ(read[0], 14);
  EXPECT_EQ(avio_size(reader.Context()), 6);
  EXPECT_TRUE(avio_feof(reader.Context()) || avio_read(reader.Context(), read, 1) <= 0);
}

TEST(AvError, NamesFfmpegsErrors) {
  EXPECT_NE(av::ErrorText(AVERROR(ENOSPC)).find("space"), std::string::npos);
  EXPECT_EQ(av::ErrorText(AVERROR_EOF), "End of file");
}

}  // namespace
