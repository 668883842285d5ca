// The FFmpeg compressors' settings (IAMVideoCompression, IPersistStream, their bytes), the
// output types they offer and the input types they refuse.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "com/Stream.h"
#include "devices/encoders/CompressorFilter.h"
#include "dshow/AudioMediaType.h"
#include "dshow/CodecInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

using devices::CompressorFilter;
using devices::EncoderSettings;

ComPtr<CompressorFilter> MakeCompressor(std::string_view key) {
  const auto encoder = devices::FindAvailableEncoder(key);
  if (!encoder) return nullptr;
  return MakeComObject<CompressorFilter>(*encoder);
}

template <class Interface>
ComPtr<Interface> Query(CompressorFilter* filter) {
  ComPtr<Interface> object;
  static_cast<IBaseFilter*>(filter)->QueryInterface(Interface::iid,
                                                    object.ReleaseAndGetVoidAddress());
  return object;
}

MediaType Video(const GUID& subtype, LONG width = 64, LONG height = 48) {
  return *MakeVideoMediaType(subtype, width, height, 400'000);
}

MediaType Sound(DWORD rate, WORD bits, WORD channels) {
  return MakePcmMediaType(rate, bits, channels);
}

// ---- Settings in a stream --------------------------------------------------------------------

std::vector<BYTE> Saved(CompressorFilter* filter, BOOL clearDirty) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(Query<IPersistStream>(filter)->Save(stream.Get(), clearDirty), S_OK);
  ULARGE_INTEGER end{};
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end), S_OK);
  std::vector<BYTE> bytes(static_cast<size_t>(end.QuadPart));
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  ULONG read = 0;
  EXPECT_EQ(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), S_OK);
  return bytes;
}

HRESULT LoadInto(CompressorFilter* filter, const std::vector<BYTE>& bytes) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), S_OK);
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  return Query<IPersistStream>(filter)->Load(stream.Get());
}

TEST(CompressorSettings, SavedSettingsLoadIntoAnotherInstance) {
  auto first = MakeCompressor("mpeg4");
  auto second = MakeCompressor("mpeg4");
  ASSERT_TRUE(first && second);
  auto compression = Query<IAMVideoCompression>(first.Get());
  ASSERT_EQ(compression->put_Quality(0.4), S_OK);
  ASSERT_EQ(compression->put_KeyFrameRate(7), S_OK);
  EXPECT_EQ(Query<IPersistStream>(first.Get())->IsDirty(), S_OK);
  const std::vector<BYTE> bytes = Saved(first.Get(), TRUE);
  EXPECT_EQ(Query<IPersistStream>(first.Get())->IsDirty(), S_FALSE);
  ULARGE_INTEGER most{};
  ASSERT_EQ(Query<IPersistStream>(first.Get())->GetSizeMax(&most), S_OK);
  EXPECT_GE(most.QuadPart, bytes.size());

  ASSERT_EQ(LoadInto(second.Get(), bytes), S_OK);
  double quality = 0;
  LONG keyFrames = 0;
  auto other = Query<IAMVideoCompression>(second.Get());
  EXPECT_EQ(other->get_Quality(&quality), S_OK);
  EXPECT_EQ(other->get_KeyFrameRate(&keyFrames), S_OK);
  EXPECT_DOUBLE_EQ(quality, 0.4);
  EXPECT_EQ(keyFrames, 7);
  EXPECT_EQ(Query<IPersistStream>(second.Get())->IsDirty(), S_FALSE);
}

TEST(CompressorSettings, AudioCompressorsKeepTheirBitRateThroughAStream) {
  auto first = MakeCompressor("pcm_s16le");
  auto second = MakeCompressor("pcm_s16le");
  ASSERT_TRUE(first && second);
  EXPECT_FALSE(Query<IAMVideoCompression>(first.Get()));
  ASSERT_EQ(first->SetSettings({-1.0, -1, 96000}), S_OK);
  ASSERT_EQ(LoadInto(second.Get(), Saved(first.Get(), FALSE)), S_OK);
  EXPECT_EQ(second->Settings().bitRate, 96000);
}

struct ForeignBytes {
  const char* name;
  std::vector<BYTE> bytes;
};

class ForeignSettings : public ::testing::TestWithParam<ForeignBytes> {};

TEST_P(ForeignSettings, AreRefusedAndLeaveTheSettingsAsTheyWere) {
  auto compressor = MakeCompressor("mjpeg");
  ASSERT_TRUE(compressor);
  ASSERT_EQ(compressor->SetSettings({0.3, -1, 0}), S_OK);
  EXPECT_EQ(LoadInto(compressor.Get(), GetParam().bytes), E_FAIL);
  EXPECT_DOUBLE_EQ(compressor->Settings().quality, 0.3);
}

std::vector<BYTE> Valid() {
  return devices::SerializeEncoderSettings({0.5, 10, 0});
}

std::vector<BYTE> Changed(std::size_t at, BYTE value) {
  std::vector<BYTE> bytes = Valid();
  bytes[at] = value;
  return bytes;
}

std::vector<BYTE> Truncated() {
  std::vector<BYTE> bytes = Valid();
  bytes.pop_back();
  return bytes;
}

std::vector<BYTE> WithQuality(double quality) {
  return devices::SerializeEncoderSettings({quality, 10, 0});
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, ForeignSettings,
    ::testing::Values(ForeignBytes{"OtherTag", Changed(0, 'X')},
                      ForeignBytes{"OtherVersion", Changed(4, 3)},
                      ForeignBytes{"TooShort", Truncated()},
                      ForeignBytes{"QualityAboveOne", WithQuality(1.5)},
                      ForeignBytes{"NegativeBitRate", Changed(23, 0x80)},
                      ForeignBytes{"OtherCodecState", {'R', 'Z', 'V', 'S', 75, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<ForeignBytes>& entry) { return entry.param.name; });

// ---- What each video compressor can be asked ------------------------------------------------

struct CapabilityCase {
  std::string key;
  LONG capabilities;
};

class VideoCapabilities : public ::testing::TestWithParam<CapabilityCase> {};

TEST_P(VideoCapabilities, AreReportedAndWhatIsMissingIsRefused) {
  auto compressor = MakeCompressor(GetParam().key);
  if (!compressor) GTEST_SKIP() << "libavcodec has no " << GetParam().key << " encoder here";
  auto compression = Query<IAMVideoCompression>(compressor.Get());
  ASSERT_TRUE(compression);
  LONG capabilities = -1;
  int descriptionSize = 64;
  char description[64] = {};
  ASSERT_EQ(compression->GetInfo(nullptr, nullptr, description, &descriptionSize, nullptr, nullptr,
                                 nullptr, &capabilities),
            S_OK);
  EXPECT_EQ(capabilities, GetParam().capabilities);
  EXPECT_EQ(std::string(description), compressor->Entry().friendlyName);
  const bool quality = (GetParam().capabilities & CompressionCaps_CanQuality) != 0;
  const bool keyFrames = (GetParam().capabilities & CompressionCaps_CanKeyFrame) != 0;
  EXPECT_EQ(compression->put_Quality(0.5), quality ? S_OK : E_NOTIMPL);
  EXPECT_EQ(compression->put_KeyFrameRate(10), keyFrames ? S_OK : E_NOTIMPL);
}

INSTANTIATE_TEST_SUITE_P(Encoders, VideoCapabilities,
                         ::testing::Values(CapabilityCase{"mjpeg", CompressionCaps_CanQuality},
                                           CapabilityCase{"ffv1", 0}, CapabilityCase{"huffyuv", 0},
                                           CapabilityCase{"mpeg4", CompressionCaps_CanQuality |
                                                                       CompressionCaps_CanKeyFrame},
                                           CapabilityCase{"h264", CompressionCaps_CanQuality |
                                                                      CompressionCaps_CanKeyFrame}),
                         [](const ::testing::TestParamInfo<CapabilityCase>& entry) {
                           return entry.param.key;
                         });

TEST(CompressorSettings, QualityAboveOneIsRefused) {
  auto compressor = MakeCompressor("mjpeg");
  ASSERT_TRUE(compressor);
  EXPECT_EQ(Query<IAMVideoCompression>(compressor.Get())->put_Quality(1.5), E_INVALIDARG);
}

// ---- Output types ----------------------------------------------------------------------------

struct OutputCase {
  std::string key;
  std::function<MediaType()> input;
  // Bytes after the bitmap header or WAVEFORMATEX: the codec data an AVI needs.
  std::size_t minimumExtra;
};

class OutputTypes : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputTypes, NameTheCodecAndCarryItsData) {
  auto compressor = MakeCompressor(GetParam().key);
  if (!compressor) GTEST_SKIP() << "libavcodec has no " << GetParam().key << " encoder here";
  const MediaType input = GetParam().input();
  ASSERT_EQ(compressor->CheckInputType(input.Ptr()), S_OK) << compressor->LastRefusal();
  // The output an encoder opened for the input makes; the filter takes it as the transform.
  std::string reason;
  const auto session = devices::EncoderSession::Open(*devices::FindAvailableEncoder(GetParam().key),
                                                     input.Get(), {}, &reason);
  ASSERT_TRUE(session) << reason;
  const MediaType& output = session->OutputType();
  EXPECT_EQ(compressor->CheckTransform(input.Ptr(), output.Ptr()), S_OK);
  EXPECT_EQ(compressor->CheckTransform(input.Ptr(), input.Ptr()), VFW_E_TYPE_NOT_ACCEPTED);
  const DWORD tag = compressor->Entry().tag;
  if (compressor->IsVideo()) {
    EXPECT_EQ(output->majortype, MEDIATYPE_Video);
    EXPECT_EQ(output->subtype, FourCCGuid(tag));
    const BITMAPINFOHEADER* header = BitmapHeaderOf(output.Get());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biCompression, tag);
    EXPECT_EQ(header->biWidth, 64);
    EXPECT_EQ(header->biHeight, 48);
    EXPECT_GE(header->biSize - sizeof(BITMAPINFOHEADER), GetParam().minimumExtra);
  } else {
    const WAVEFORMATEX* wave = WaveFormatOf(output.Get());
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(output->majortype, MEDIATYPE_Audio);
    EXPECT_EQ(wave->wFormatTag, tag);
    EXPECT_GT(wave->nAvgBytesPerSec, 0u);
    EXPECT_GT(wave->nBlockAlign, 0u);
    EXPECT_GE(wave->cbSize, GetParam().minimumExtra);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, OutputTypes,
    ::testing::Values(OutputCase{"mjpeg", [] { return Video(MEDIASUBTYPE_YUY2); }, 0},
                      OutputCase{"ffv1", [] { return Video(MEDIASUBTYPE_I420); }, 1},
                      OutputCase{"huffyuv", [] { return Video(MEDIASUBTYPE_RGB24); }, 1},
                      OutputCase{"mpeg4", [] { return Video(MEDIASUBTYPE_NV12); }, 0},
                      OutputCase{"h264", [] { return Video(MEDIASUBTYPE_YV12); }, 0},
                      OutputCase{"pcm_u8", [] { return Sound(22050, 16, 2); }, 0},
                      OutputCase{"adpcm_ima", [] { return Sound(22050, 16, 1); }, 2},
                      OutputCase{"adpcm_ms", [] { return Sound(22050, 16, 2); }, 32},
                      OutputCase{"mp3", [] { return Sound(44100, 16, 2); }, 12}),
    [](const ::testing::TestParamInfo<OutputCase>& entry) { return entry.param.key; });

// ---- Refused inputs --------------------------------------------------------------------------

struct RefusalCase {
  const char* name;
  std::string key;
  std::function<MediaType()> input;
  const char* reason;  // a part of the reason given
};

class RefusedInputs : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedInputs, AreRefusedWithTheirReason) {
  auto compressor = MakeCompressor(GetParam().key);
  if (!compressor) GTEST_SKIP() << "libavcodec has no " << GetParam().key << " encoder here";
  const MediaType input = GetParam().input();
  EXPECT_EQ(compressor->CheckInputType(input.Ptr()), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_NE(compressor->LastRefusal().find(GetParam().reason), std::string::npos)
      << compressor->LastRefusal();
}

MediaType Pcm24() {
  MediaType type = Sound(44100, 16, 2);
  SetPcmFormat(*WaveFormatOf(type.Get()), 44100, 24, 2);
  return type;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedInputs,
    ::testing::Values(RefusalCase{"CompressedPictures", "mjpeg",
                                  [] { return Video(MEDIASUBTYPE_MJPG); }, "uncompressed"},
                      RefusalCase{"SoundToAVideoCompressor", "mpeg4",
                                  [] { return Sound(44100, 16, 2); }, "uncompressed"},
                      RefusalCase{"OddSizeFor420", "h264",
                                  [] { return Video(MEDIASUBTYPE_RGB24, 33, 17); },
                                  "cannot encode 33x17"},
                      RefusalCase{"RateMp3HasNot", "mp3", [] { return Sound(96000, 16, 2); },
                                  "96000 samples a second"},
                      RefusalCase{"TwentyFourBitSound", "mp3", Pcm24, "PCM"},
                      RefusalCase{"PicturesToAnAudioCompressor", "adpcm_ms",
                                  [] { return Video(MEDIASUBTYPE_YUY2); }, "PCM"}),
    [](const ::testing::TestParamInfo<RefusalCase>& entry) { return entry.param.name; });

TEST(CompressorSettings, AnAcceptedTypeClearsTheLastRefusal) {
  auto compressor = MakeCompressor("mjpeg");
  ASSERT_TRUE(compressor);
  const MediaType refused = Video(MEDIASUBTYPE_MJPG);
  const MediaType accepted = Video(MEDIASUBTYPE_YUY2);
  ASSERT_EQ(compressor->CheckInputType(refused.Ptr()), VFW_E_TYPE_NOT_ACCEPTED);
  ASSERT_EQ(compressor->CheckInputType(accepted.Ptr()), S_OK);
  EXPECT_EQ(compressor->LastRefusal(), "");
}

}  // namespace
