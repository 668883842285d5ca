// The AVI multiplexer in a chain of test sources: its inputs, the types it takes, its settings,
// the files it writes as libavformat reads them back (streams, time placement of dropped frames,
// the master stream) and stream control on its inputs.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "AviReadBack.h"
#include "FilterTestSupport.h"
#include "TestFilters.h"
#include "devices/virtual/CompressedFrameEncoder.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/AviMux.h"
#include "dshow/graph/CaptureFile.h"

namespace {

using filter_test::AviReadBack;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using filter_test::ReadAvi;
using filter_test::WaitUntil;

constexpr char kFile[] = "capture.avi";

MediaType Video(const GUID& subtype, LONG width = 32, LONG height = 16) {
  return *MakeVideoMediaType(subtype, width, height, dshow_test::kFrameInterval);
}

// 20 ms of 8 kHz 16-bit mono sound per buffer.
MediaType Sound() {
  MediaType type = MakePcmMediaType(8000, 16, 1);
  type->lSampleSize = 320;
  return type;
}

std::vector<BYTE> Jpeg() {
  auto encoder = devices::CompressedFrameEncoder::Create(MEDIASUBTYPE_MJPG, 32, 16);
  std::vector<BYTE> frame(VideoImageSize(MEDIASUBTYPE_MJPG, 32, 16));
  frame.resize(encoder->Encode(devices::PictureDescription{}, 0, frame.data(),
                               static_cast<DWORD>(frame.size())));
  return frame;
}

IBaseFilter* AsFilter(AviMux* mux) {
  return static_cast<IBaseFilter*>(mux);
}

int CountPins(IBaseFilter* filter) {
  int count = 0;
  while (PinOf(filter, PINDIR_INPUT, count))
    ++count;
  return count;
}

class AviMuxTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(mux_->SetFileName(kFile, nullptr), S_OK); }

  // A source of frames frames (with time stamps unless told) connected to the free input.
  ComPtr<FrameSource> AddSource(MediaType type, int frames, std::vector<BYTE> frame = {}) {
    auto source = MakeComObject<FrameSource>(std::move(type), std::move(frame));
    source->Stream()->timeStamps = true;
    source->Stream()->frameLimit = frames;
    EXPECT_EQ(ConnectFilters(source.Get(), AsFilter(mux_.Get())), S_OK);
    chain_.Add(source.Get(), "source");
    return source;
  }

  // Runs until every input ended and the multiplexer completed, then stops.
  void RunToEnd() {
    chain_.Add(AsFilter(mux_.Get()), "mux");
    ASSERT_EQ(chain_.Run(), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return chain_.Graph().Count(EC_COMPLETE) == 1; }));
    ASSERT_EQ(chain_.Stop(), S_OK);
  }

  ComPtr<AviMux> mux_ = MakeComObject<AviMux>();
  FilterChain chain_;
};

// ---- Inputs and types ------------------------------------------------------------------------

TEST_F(AviMuxTest, AFreeInputAppearsWhenTheLastOneConnectsAndGoesWhenOneDisconnects) {
  EXPECT_EQ(CountPins(AsFilter(mux_.Get())), 1);
  AddSource(Video(MEDIASUBTYPE_RGB24), 1);
  AddSource(Sound(), 1);
  EXPECT_EQ(CountPins(AsFilter(mux_.Get())), 3);
  const ComPtr<IPin> first = PinOf(AsFilter(mux_.Get()), PINDIR_INPUT, 0);
  ComPtr<IPin> peer;
  ASSERT_EQ(first->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
  peer->Disconnect();
  first->Disconnect();
  EXPECT_EQ(CountPins(AsFilter(mux_.Get())), 2);
}

struct TypeCase {
  const char* name;
  std::function<MediaType()> type;
  bool accepted;
};

class AviMuxTypes : public ::testing::TestWithParam<TypeCase> {};

TEST_P(AviMuxTypes, TakesWhatAnAviCarries) {
  auto mux = MakeComObject<AviMux>();
  const HRESULT hr = PinOf(AsFilter(mux.Get()), PINDIR_INPUT)->QueryAccept(GetParam().type().Ptr());
  EXPECT_EQ(hr == S_OK, GetParam().accepted) << HResultText(hr);
}

MediaType Compressed(DWORD fourcc) {
  MediaType type = Video(MEDIASUBTYPE_MJPG);
  type->subtype = FourCCGuid(fourcc);
  BitmapHeaderOf(type.Get())->biCompression = fourcc;
  return type;
}

MediaType Wave(WORD tag, WORD bits) {
  MediaType type = MakePcmMediaType(44100, bits, 2);
  WaveFormatOf(type.Get())->wFormatTag = tag;
  type->subtype = FourCCGuid(tag);
  return type;
}

INSTANTIATE_TEST_SUITE_P(
    Types, AviMuxTypes,
    ::testing::Values(
        TypeCase{"RGB24", [] { return Video(MEDIASUBTYPE_RGB24); }, true},
        TypeCase{"RGB32", [] { return Video(MEDIASUBTYPE_RGB32); }, true},
        TypeCase{"YUY2", [] { return Video(MEDIASUBTYPE_YUY2); }, true},
        TypeCase{"I420", [] { return Video(MEDIASUBTYPE_I420); }, true},
        TypeCase{"MJPG", [] { return Video(MEDIASUBTYPE_MJPG); }, true},
        TypeCase{"dvsd", [] { return Video(MEDIASUBTYPE_dvsd, 720, 576); }, true},
        TypeCase{"H264", [] { return Video(MEDIASUBTYPE_H264); }, true},
        TypeCase{"FFV1", [] { return Compressed(MakeFourCC('F', 'F', 'V', '1')); }, true},
        TypeCase{"HFYU", [] { return Compressed(MakeFourCC('H', 'F', 'Y', 'U')); }, true},
        TypeCase{"XVID", [] { return Compressed(MakeFourCC('X', 'V', 'I', 'D')); }, true},
        TypeCase{"FMP4", [] { return Compressed(MakeFourCC('F', 'M', 'P', '4')); }, true},
        TypeCase{"PCM", [] { return Sound(); }, true},
        TypeCase{"Mp3", [] { return Wave(0x0055, 0); }, true},
        TypeCase{"UnknownFourCC", [] { return Compressed(MakeFourCC('Q', 'Q', 'Q', 'Q')); }, false},
        TypeCase{"Palette", [] { return Video(MEDIASUBTYPE_RGB8); }, false},
        TypeCase{"ColourMasks", [] { return Video(MEDIASUBTYPE_RGB565); }, false},
        TypeCase{"UnknownWaveTag", [] { return Wave(0x7777, 16); }, false},
        TypeCase{"NoFormat", [] { return MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24); }, false}),
    [](const auto& param) { return std::string(param.param.name); });

// ---- Settings --------------------------------------------------------------------------------

TEST_F(AviMuxTest, KeepsAndReportsItsSettings) {
  LONG master = 0;
  EXPECT_EQ(mux_->GetMasterStream(&master), S_OK);
  EXPECT_EQ(master, -1);
  EXPECT_EQ(mux_->SetMasterStream(1), S_OK);
  EXPECT_EQ(mux_->GetMasterStream(&master), S_OK);
  EXPECT_EQ(master, 1);
  EXPECT_EQ(mux_->SetMasterStream(-2), E_INVALIDARG);

  BOOL index = FALSE;
  EXPECT_EQ(mux_->SetOutputCompatibilityIndex(FALSE), S_OK);
  EXPECT_EQ(mux_->GetOutputCompatibilityIndex(&index), S_OK);
  EXPECT_EQ(index, FALSE);

  InterleavingMode mode = INTERLEAVE_FULL;
  EXPECT_EQ(mux_->get_Mode(&mode), S_OK);
  EXPECT_EQ(mode, INTERLEAVE_CAPTURE);
  EXPECT_EQ(mux_->put_Mode(INTERLEAVE_NONE), S_OK);
  EXPECT_EQ(mux_->get_Mode(&mode), S_OK);
  EXPECT_EQ(mode, INTERLEAVE_NONE);
  EXPECT_EQ(mux_->put_Mode(static_cast<InterleavingMode>(7)), E_INVALIDARG);

  const REFERENCE_TIME leave = 5'000'000;
  const REFERENCE_TIME preroll = 2'000'000;
  EXPECT_EQ(mux_->put_Interleaving(&leave, &preroll), S_OK);
  REFERENCE_TIME gotLeave = 0;
  REFERENCE_TIME gotPreroll = 0;
  EXPECT_EQ(mux_->get_Interleaving(&gotLeave, &gotPreroll), S_OK);
  EXPECT_EQ(gotLeave, leave);
  EXPECT_EQ(gotPreroll, preroll);

  LPOLESTR file = nullptr;
  AM_MEDIA_TYPE type{};
  ASSERT_EQ(mux_->GetCurFile(&file, &type), S_OK);
  EXPECT_STREQ(file, kFile);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_Avi);
  CoTaskMemFree(file);
}

TEST_F(AviMuxTest, RefusesSettingsAndFileNameWhileRunning) {
  AddSource(Video(MEDIASUBTYPE_RGB24), -1);
  chain_.Add(AsFilter(mux_.Get()), "mux");
  ASSERT_EQ(chain_.Run(), S_OK);
  EXPECT_EQ(mux_->SetFileName("other.avi", nullptr), VFW_E_NOT_STOPPED);
  EXPECT_EQ(mux_->SetMasterStream(0), VFW_E_NOT_STOPPED);
  EXPECT_EQ(mux_->put_Mode(INTERLEAVE_NONE), VFW_E_NOT_STOPPED);
  EXPECT_EQ(chain_.Stop(), S_OK);
}

// ---- Files -----------------------------------------------------------------------------------

struct StreamCase {
  const char* name;
  std::function<MediaType()> type;
  std::function<std::vector<BYTE>()> frame;
  AVCodecID codec;
  unsigned tag;
};

class AviMuxStreams : public AviMuxTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(AviMuxStreams, WritesEachInputAsAStreamThatReadsBack) {
  AddSource(GetParam().type(), 12, GetParam().frame ? GetParam().frame() : std::vector<BYTE>{});
  AddSource(Sound(), 20);
  RunToEnd();
  const AviReadBack file = ReadAvi(kFile);
  ASSERT_TRUE(file.opened);
  ASSERT_EQ(file.streams.size(), 2u);
  EXPECT_EQ(file.streams[0].codec, GetParam().codec);
  EXPECT_EQ(file.streams[0].tag, GetParam().tag);
  EXPECT_EQ(file.streams[0].width, 32);
  EXPECT_EQ(file.streams[0].height, 16);
  EXPECT_EQ(file.streams[0].packets, 12);
  EXPECT_EQ(file.streams[0].indexEntries, 12);
  EXPECT_EQ(file.streams[1].codec, AV_CODEC_ID_PCM_S16LE);
  EXPECT_EQ(file.streams[1].bytes, 20 * 320);
}

INSTANTIATE_TEST_SUITE_P(
    Subtypes, AviMuxStreams,
    ::testing::Values(StreamCase{"RGB24", [] { return Video(MEDIASUBTYPE_RGB24); }, nullptr,
                                 AV_CODEC_ID_RAWVIDEO, 0},
                      StreamCase{"YUY2", [] { return Video(MEDIASUBTYPE_YUY2); }, nullptr,
                                 AV_CODEC_ID_RAWVIDEO, MakeFourCC('Y', 'U', 'Y', '2')},
                      StreamCase{"MJPG", [] { return Video(MEDIASUBTYPE_MJPG); }, Jpeg,
                                 AV_CODEC_ID_MJPEG, MakeFourCC('M', 'J', 'P', 'G')}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(AviMuxTest, WritesTheSameFileWithoutInterleaving) {
  ASSERT_EQ(mux_->put_Mode(INTERLEAVE_NONE), S_OK);
  AddSource(Video(MEDIASUBTYPE_RGB24), 12);
  AddSource(Sound(), 20);
  RunToEnd();
  const AviReadBack file = ReadAvi(kFile);
  ASSERT_EQ(file.streams.size(), 2u);
  EXPECT_EQ(file.streams[0].packets, 12);
  EXPECT_EQ(file.streams[1].bytes, 20 * 320);
}

TEST_F(AviMuxTest, DroppedFramesLeaveGapsSoThePictureKeepsTime) {
  // Every tenth time stamp missing: 90 frames span 99 frame times.
  AddSource(Video(MEDIASUBTYPE_RGB24), 90)->Stream()->skipEvery = 10;
  RunToEnd();
  const AviReadBack file = ReadAvi(kFile);
  ASSERT_EQ(file.streams.size(), 1u);
  EXPECT_EQ(file.streams[0].packets, 90);
  EXPECT_EQ(file.streams[0].frames, 99);
  EXPECT_NEAR(file.streams[0].seconds, 99 * 0.04, 1e-6);
}

struct MasterCase {
  const char* name;
  LONG master;
  int64_t videoFrames;
};

class AviMuxMaster : public AviMuxTest, public ::testing::WithParamInterface<MasterCase> {};

TEST_P(AviMuxMaster, FillsTheVideoUpToTheMasterStream) {
  ASSERT_EQ(mux_->SetMasterStream(GetParam().master), S_OK);
  AddSource(Video(MEDIASUBTYPE_RGB24), 10);  // 0.4 s
  AddSource(Sound(), 50);                    // 1 s
  RunToEnd();
  const AviReadBack file = ReadAvi(kFile);
  ASSERT_EQ(file.streams.size(), 2u);
  EXPECT_EQ(file.streams[0].packets, 10);
  EXPECT_EQ(file.streams[0].frames, GetParam().videoFrames);
}

INSTANTIATE_TEST_SUITE_P(Masters, AviMuxMaster,
                         ::testing::Values(MasterCase{"Sound", 1, 25}, MasterCase{"None", -1, 10},
                                           MasterCase{"Video", 0, 10}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(AviMuxTest, StoppingTheGraphFinishesTheFile) {
  AddSource(Video(MEDIASUBTYPE_RGB24), -1);
  chain_.Add(AsFilter(mux_.Get()), "mux");
  ASSERT_EQ(chain_.Run(), S_OK);
  ASSERT_TRUE(WaitUntil([] {
    std::error_code error;
    return std::filesystem::file_size(kFile, error) > 100'000;
  }));
  ASSERT_EQ(chain_.Stop(), S_OK);
  const AviReadBack file = ReadAvi(kFile, false);
  ASSERT_TRUE(file.opened);
  EXPECT_GT(file.streams[0].indexEntries, 10);
  EXPECT_EQ(file.streams[0].indexEntries, file.streams[0].frames);
}

TEST_F(AviMuxTest, APreallocatedFileKeepsItsLengthAndItsCaptureCopiesOut) {
  constexpr std::uintmax_t kPreallocated = 8 << 20;
  ASSERT_EQ(dshow::AllocateCaptureFile(kFile, kPreallocated), S_OK);
  AddSource(Video(MEDIASUBTYPE_RGB24), 12);
  RunToEnd();
  EXPECT_EQ(std::filesystem::file_size(kFile), kPreallocated);
  EXPECT_EQ(ReadAvi(kFile).streams.at(0).packets, 12);
  ASSERT_EQ(dshow::CopyCaptureFile(kFile, "copy.avi", nullptr), S_OK);
  EXPECT_LT(std::filesystem::file_size("copy.avi"), 100'000u);
  EXPECT_EQ(ReadAvi("copy.avi").streams.at(0).packets, 12);
}

TEST_F(AviMuxTest, WritesNoFileWithoutInputsOrName) {
  auto unnamed = MakeComObject<AviMux>();
  FilterChain chain;
  auto source = MakeComObject<FrameSource>(Video(MEDIASUBTYPE_RGB24));
  ASSERT_EQ(ConnectFilters(source.Get(), AsFilter(unnamed.Get())), S_OK);
  chain.Add(source.Get(), "source");
  chain.Add(AsFilter(unnamed.Get()), "mux");
  EXPECT_EQ(chain.Run(), S_OK);
  EXPECT_EQ(chain.Stop(), S_OK);
  EXPECT_EQ(mux_->Run(0), S_OK);  // named, nothing connected
  EXPECT_EQ(mux_->Stop(), S_OK);
  EXPECT_FALSE(std::filesystem::exists(kFile));
}

// ---- Stream control --------------------------------------------------------------------------

struct WindowCase {
  const char* name;
  REFERENCE_TIME start;
  REFERENCE_TIME stop;
  int packets;  // of 20 frames 40 ms apart
};

class AviMuxStreamControl : public AviMuxTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(AviMuxStreamControl, WritesOnlyTheSamplesInsideTheWindow) {
  AddSource(Video(MEDIASUBTYPE_RGB24), 20);
  AddSource(Sound(), 5);  // the file also has a stream that is not controlled
  ComPtr<IAMStreamControl> control;
  ASSERT_EQ(PinOf(AsFilter(mux_.Get()), PINDIR_INPUT, 0).As(&control), S_OK);
  ASSERT_EQ(control->StartAt(&GetParam().start, 1), S_OK);
  ASSERT_EQ(control->StopAt(&GetParam().stop, FALSE, 2), S_OK);
  RunToEnd();
  const AviReadBack file = ReadAvi(kFile);
  ASSERT_EQ(file.streams.size(), 2u);
  EXPECT_EQ(file.streams[0].packets, GetParam().packets);
}

INSTANTIATE_TEST_SUITE_P(Windows, AviMuxStreamControl,
                         ::testing::Values(WindowCase{"Open", 0, MAX_TIME, 20},
                                           WindowCase{"Blocked", MAX_TIME, 0, 0},
                                           WindowCase{"Middle", 5 * 400'000, 15 * 400'000, 10},
                                           WindowCase{"LateStart", 18 * 400'000, MAX_TIME, 2}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(AviMuxTest, StreamControlReportsItsWindow) {
  AddSource(Video(MEDIASUBTYPE_RGB24), 1);
  ComPtr<IAMStreamControl> control;
  ASSERT_EQ(PinOf(AsFilter(mux_.Get()), PINDIR_INPUT, 0).As(&control), S_OK);
  // Blocked now, as a capture is before it records, then released.
  const REFERENCE_TIME never = MAX_TIME;
  ASSERT_EQ(control->StartAt(&never, 3), S_OK);
  ASSERT_EQ(control->StopAt(nullptr, FALSE, 4), S_OK);
  AM_STREAM_INFO info{};
  ASSERT_EQ(control->GetInfo(&info), S_OK);
  EXPECT_EQ(info.dwStartCookie, 3u);
  EXPECT_EQ(info.dwStopCookie, 4u);
  EXPECT_EQ(info.dwFlags & AM_STREAM_INFO_DISCARDING, AM_STREAM_INFO_DISCARDING);
  ASSERT_EQ(control->StartAt(nullptr, 5), S_OK);
  ASSERT_EQ(control->StopAt(&never, FALSE, 6), S_OK);
  ASSERT_EQ(control->GetInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags & (AM_STREAM_INFO_DISCARDING | AM_STREAM_INFO_STOP_DEFINED), 0u);
}

}  // namespace
