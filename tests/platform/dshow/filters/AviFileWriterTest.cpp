// The AVI file writer on its own: a file copied while it is being written reads back without its
// index, and a file past 1 GB goes on in an OpenDML extension chunk that readers find.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "AviReadBack.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/AviFileWriter.h"

namespace {

using dshow::AviFileWriter;
using filter_test::ReadAvi;

constexpr REFERENCE_TIME kInterval = 400'000;

std::unique_ptr<AviFileWriter> OpenWriter(const std::string& path, const MediaType& type) {
  int error = 0;
  auto output = av::OpenFileOutput(path, &error);
  EXPECT_TRUE(output) << error;
  HRESULT hr = E_FAIL;
  auto writer = AviFileWriter::Open(std::move(output), {type}, dshow::AviWriterSettings{}, &hr);
  EXPECT_EQ(hr, S_OK) << HResultText(hr);
  return writer;
}

HRESULT WriteFrames(AviFileWriter& writer, const std::vector<BYTE>& frame, int count) {
  for (int i = 0; i < count; ++i) {
    const REFERENCE_TIME start = kInterval * i;
    const HRESULT hr = writer.Write(0, frame.data(), frame.size(), &start, true);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

std::string FourCCAt(std::ifstream& in, std::streamoff offset) {
  std::array<char, 4> text{};
  in.seekg(offset);
  in.read(text.data(), text.size());
  return std::string(text.data(), text.size());
}

TEST(AviFileWriter, AFileCopiedWhileBeingWrittenReadsBackWithoutItsIndex) {
  const MediaType type = *MakeVideoMediaType(MEDIASUBTYPE_RGB24, 64, 48, kInterval);
  auto writer = OpenWriter("growing.avi", type);
  ASSERT_TRUE(writer);
  ASSERT_EQ(WriteFrames(*writer, std::vector<BYTE>(type->lSampleSize, 0x40), 50), S_OK);
  // As a process killed now would leave it: no index, header sizes not yet written.
  std::filesystem::copy_file("growing.avi", "copy.avi");
  const auto file = ReadAvi("copy.avi");
  ASSERT_TRUE(file.opened);
  ASSERT_EQ(file.streams.size(), 1u);
  EXPECT_EQ(file.streams[0].packets, 50);
  EXPECT_EQ(writer->Finish(), S_OK);
}

TEST(AviFileWriter, GoesOnInAnOpenDmlChunkPastOneGigabyte) {
  const MediaType type = *MakeVideoMediaType(MEDIASUBTYPE_RGB24, 1920, 1080, kInterval);
  constexpr int kFrames = 180;  // 6.2 MB each: 1.1 GB
  {
    auto writer = OpenWriter("large.avi", type);
    ASSERT_TRUE(writer);
    ASSERT_EQ(WriteFrames(*writer, std::vector<BYTE>(type->lSampleSize, 0x80), kFrames), S_OK);
    ASSERT_EQ(writer->Finish(), S_OK);
  }
  EXPECT_GT(std::filesystem::file_size("large.avi"), 1u << 30);
  std::ifstream in("large.avi", std::ios::binary);
  std::array<unsigned char, 4> size{};
  in.seekg(4);
  in.read(reinterpret_cast<char*>(size.data()), size.size());
  const std::streamoff first = size[0] | (size[1] << 8) | (size[2] << 16) | (size[3] << 24);
  // libavformat closes the first RIFF chunk with the packet that takes it past 1 GB, well
  // within the 2 GB that readers of 32-bit RIFF sizes take.
  EXPECT_GT(first, std::streamoff{1} << 30);
  EXPECT_LT(first, std::streamoff{1} << 31);
  EXPECT_EQ(FourCCAt(in, 8 + first), "RIFF");
  EXPECT_EQ(FourCCAt(in, 8 + first + 8), "AVIX");
  const auto file = ReadAvi("large.avi", false);
  ASSERT_TRUE(file.opened);
  EXPECT_EQ(file.streams[0].indexEntries, kFrames);
  EXPECT_EQ(file.streams[0].frames, kFrames);
  std::filesystem::remove("large.avi");
}

}  // namespace
