// The AVI multiplexer when writing fails: a full disk (through a file output that runs out of
// room, and on a small tmpfs when the tests run as root) and a broken one. Each time the graph
// hears EC_ERRORABORT with the failure, later samples are refused and the file written so far is
// a finished AVI that reads back.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "AviReadBack.h"
#include "FilterTestSupport.h"
#include "TestFilters.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/AviMux.h"

namespace {

using filter_test::AviReadBack;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::ReadAvi;
using filter_test::WaitUntil;

constexpr char kFile[] = "capture.avi";
constexpr LONG kWidth = 320;
constexpr LONG kHeight = 240;  // 230 kB a frame

// A real file that fails as a full disk does past capacity bytes (allocations and writes), or
// with EIO at its failingWrite-th write (counted from 1).
class FaultyOutput final : public av::FileOutput {
 public:
  FaultyOutput(std::unique_ptr<av::FileOutput> file, int64_t capacity, int failingWrite)
      : file_(std::move(file)), capacity_(capacity), failingWrite_(failingWrite) {}

  int WriteAt(const void* data, size_t size, int64_t offset) override {
    if (++writes_ == failingWrite_) return -EIO;
    if (offset + static_cast<int64_t>(size) > capacity_) return -ENOSPC;
    return file_->WriteAt(data, size, offset);
  }
  int Reserve(int64_t offset, int64_t size) override {
    return offset + size > capacity_ ? -ENOSPC : 0;
  }
  int Truncate(int64_t length) override { return file_->Truncate(length); }
  int64_t Length() override { return file_->Length(); }

 private:
  std::unique_ptr<av::FileOutput> file_;
  const int64_t capacity_;
  const int failingWrite_;
  int writes_ = 0;
};

struct FaultCase {
  const char* name;
  int64_t capacity;
  int failingWrite;
  HRESULT reported;
};

class AviMuxFaults : public ::testing::TestWithParam<FaultCase> {};

// Runs a 320x240 RGB24 source into a multiplexer writing to file (through opener, when given)
// until the graph hears EC_ERRORABORT; its result.
HRESULT CaptureUntilAbort(const std::string& file, AviMux::OutputOpener opener, int* delivered) {
  auto mux = MakeComObject<AviMux>();
  auto* filter = static_cast<IBaseFilter*>(mux.Get());
  EXPECT_EQ(mux->SetFileName(file.c_str(), nullptr), S_OK);
  if (opener) mux->SetOutputOpener(std::move(opener));
  auto source = MakeComObject<FrameSource>(
      *MakeVideoMediaType(MEDIASUBTYPE_RGB24, kWidth, kHeight, dshow_test::kFrameInterval));
  source->Stream()->timeStamps = true;
  EXPECT_EQ(ConnectFilters(source.Get(), filter), S_OK);
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(filter, "mux");
  EXPECT_EQ(chain.Run(), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return chain.Graph().Count(EC_ERRORABORT) > 0; }));
  // Refused from then on: the source stalls instead of writing on.
  const int atAbort = source->Stream()->delivered;
  EXPECT_EQ(chain.Stop(), S_OK);
  *delivered = atAbort;
  const auto events = chain.Graph().Events();
  for (const auto& event : events) {
    if (event.code == EC_ERRORABORT) return static_cast<HRESULT>(event.param1);
  }
  return S_OK;
}

TEST_P(AviMuxFaults, ReportsTheFailureAndLeavesAPlayableFile) {
  const FaultCase& fault = GetParam();
  int delivered = 0;
  const HRESULT reported = CaptureUntilAbort(
      kFile,
      [&](const std::string& path, int* error) -> std::unique_ptr<av::FileOutput> {
        auto file = av::OpenFileOutput(path, error);
        return std::make_unique<FaultyOutput>(std::move(file), fault.capacity, fault.failingWrite);
      },
      &delivered);
  EXPECT_EQ(reported, fault.reported) << HResultText(reported);
  EXPECT_LE(static_cast<int64_t>(std::filesystem::file_size(kFile)), fault.capacity);
  const AviReadBack file = ReadAvi(kFile);
  ASSERT_TRUE(file.opened);
  ASSERT_EQ(file.streams.size(), 1u);
  EXPECT_GT(file.streams[0].packets, 0);
  EXPECT_LE(file.streams[0].packets, delivered);
  // Finished: the index is there and covers what the header counts.
  EXPECT_EQ(file.streams[0].indexEntries, file.streams[0].frames);
}

INSTANTIATE_TEST_SUITE_P(Faults, AviMuxFaults,
                         ::testing::Values(FaultCase{"DiskFull", 8 << 20, 0, STG_E_MEDIUMFULL},
                                           FaultCase{"BrokenDisk", int64_t{1} << 40, 200,
                                                     HRESULT_FROM_WIN32(ERROR_CANTWRITE)}),
                         [](const auto& param) { return std::string(param.param.name); });

// The same on a real file system that fills up: a tmpfs of 8 MB.
TEST(AviMuxDiskFullDrill, FillsASmallTmpfsAndLeavesAPlayableFile) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
  const std::filesystem::path mountPoint = std::filesystem::current_path() / "small";
  std::filesystem::create_directory(mountPoint);
  if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=8m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (errno " << errno << ")";
  const std::string file = (mountPoint / kFile).string();
  int delivered = 0;
  const HRESULT reported = CaptureUntilAbort(file, nullptr, &delivered);
  const AviReadBack readBack = ReadAvi(file);
  umount2(mountPoint.c_str(), MNT_DETACH);
  EXPECT_EQ(reported, STG_E_MEDIUMFULL) << HResultText(reported);
  ASSERT_TRUE(readBack.opened);
  ASSERT_EQ(readBack.streams.size(), 1u);
  EXPECT_GT(readBack.streams[0].packets, 10);
  EXPECT_EQ(readBack.streams[0].indexEntries, readBack.streams[0].frames);
}

}  // namespace
