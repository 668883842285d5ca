#include <gtest/gtest.h>

#include <string>

#include "com/Stream.h"

namespace {

ComPtr<IStream> NewStream() {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  return stream;
}

ULONGLONG Seek(IStream* stream, LONGLONG move, DWORD origin) {
  ULARGE_INTEGER position{};
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{move}, origin, &position), S_OK);
  return position.QuadPart;
}

}  // namespace

TEST(MemoryStream, WritesSeeksAndReadsBack) {
  auto stream = NewStream();
  const std::string data = "filter state bytes";
  ULONG written = 0;
  ASSERT_EQ(stream->Write(data.data(), static_cast<ULONG>(data.size()), &written), S_OK);
  EXPECT_EQ(written, data.size());
  EXPECT_EQ(Seek(stream.Get(), 0, STREAM_SEEK_END), data.size());  // how the size is learnt
  EXPECT_EQ(Seek(stream.Get(), 0, STREAM_SEEK_SET), 0u);
  std::string back(data.size(), '\0');
  ULONG read = 0;
  EXPECT_EQ(stream->Read(back.data(), static_cast<ULONG>(back.size()), &read), S_OK);
  EXPECT_EQ(back, data);
  char extra;
  EXPECT_EQ(stream->Read(&extra, 1, &read), S_FALSE);
  EXPECT_EQ(read, 0u);
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  auto stream = NewStream();
  Seek(stream.Get(), 4, STREAM_SEEK_SET);
  ASSERT_EQ(stream->Write("x", 1, nullptr), S_OK);
  STATSTG stat;
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 5u);
  Seek(stream.Get(), -5, STREAM_SEEK_CUR);
  char bytes[5];
  stream->Read(bytes, 5, nullptr);
  EXPECT_EQ(std::string(bytes, 5), std::string("\0\0\0\0x", 5));
}

TEST(MemoryStream, RefusesSeekingBeforeTheStartAndBadArguments) {
  auto stream = NewStream();
  ULARGE_INTEGER position{};
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{-1}, STREAM_SEEK_SET, &position), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{0}, 7, &position), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
  int block = 0;
  IStream* other = nullptr;
  EXPECT_EQ(CreateStreamOnHGlobal(&block, TRUE, &other), E_INVALIDARG);
}

TEST(MemoryStream, ClonesShareBytesButNotPosition) {
  auto stream = NewStream();
  stream->Write("abc", 3, nullptr);
  ComPtr<IStream> clone;
  ASSERT_EQ(stream->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
  Seek(clone.Get(), 0, STREAM_SEEK_SET);
  char c = 0;
  clone->Read(&c, 1, nullptr);
  EXPECT_EQ(c, 'a');
  EXPECT_EQ(Seek(stream.Get(), 0, STREAM_SEEK_CUR), 3u);
}
