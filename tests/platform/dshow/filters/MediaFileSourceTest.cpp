// The media file source and the libavcodec decoders on generated files: the streams and types a
// file gives, files refused with their codes, playing every frame and all of the sound, seeking
// to a frame, and a recording cut short without its index.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "MediaFiles.h"
#include "PlaybackTestSupport.h"
#include "com/Com.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/PlaybackIdentifiers.h"
#include "dshow/graph/PinQueries.h"

namespace {

using filter_test::CountingRenderer;
using filter_test::MediaClip;
using filter_test::PlayToEnd;
using filter_test::WriteMediaFile;

constexpr REFERENCE_TIME kFrame = 400'000;  // 25 frames a second

struct FileCase {
  const char* name;
  MediaClip clip;
  const char* file;
  GUID videoSubtype;
  WORD audioTag;
};

MediaClip AviMjpegPcm() {
  return MediaClip{};
}

// MPEG-4 part 2 with a key frame every fourth picture, and MPEG audio, in Matroska.
MediaClip MatroskaMpeg4Mp2() {
  MediaClip clip;
  clip.container = "matroska";
  clip.video = AV_CODEC_ID_MPEG4;
  clip.keyFrameEvery = 4;
  clip.audio = AV_CODEC_ID_MP2;
  clip.sampleRate = 32000;
  return clip;
}

// MJPEG and PCM in QuickTime's container.
MediaClip MovMjpegPcm() {
  MediaClip clip;
  clip.container = "mov";
  return clip;
}

const FileCase kFiles[] = {
    {"AviMjpegPcm", AviMjpegPcm(), "clip.avi", MEDIASUBTYPE_MJPG, WAVE_FORMAT_PCM},
    {"MatroskaMpeg4Mp2", MatroskaMpeg4Mp2(), "clip.mkv", FourCCGuid(MakeFourCC('F', 'M', 'P', '4')),
     0x0050},
    {"MovMjpegPcm", MovMjpegPcm(), "clip.mov", FourCCGuid(MakeFourCC('j', 'p', 'e', 'g')),
     WAVE_FORMAT_PCM},
};

ComPtr<IGraphBuilder> NewGraph() {
  ComPtr<IGraphBuilder> graph;
  EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
  return graph;
}

ComPtr<IBaseFilter> LoadSource(const std::string& file, HRESULT* result) {
  ComPtr<IFileSourceFilter> source;
  EXPECT_EQ(CoCreateInstance(CLSID_MediaFileSource, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IFileSourceFilter, source.ReleaseAndGetVoidAddress()),
            S_OK);
  *result = source->Load(file.c_str(), nullptr);
  return source.As<IBaseFilter>();
}

MediaType TypeOf(IPin* pin) {
  const auto types = dshow::TypesOf(pin);
  return types.empty() ? MediaType() : types.front();
}

class MediaFiles : public ::testing::TestWithParam<FileCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteMediaFile(GetParam().file, GetParam().clip)); }

  // A graph with the file's source and counting renderers of decoded pictures and PCM.
  void BuildPlayer() {
    graph_ = NewGraph();
    ASSERT_EQ(graph_->AddSourceFilter(GetParam().file, "Source", source_.ReleaseAndGetAddressOf()),
              S_OK);
    graph_->AddFilter(video_.Get(), "Pictures");
    graph_->AddFilter(sound_.Get(), "Sound");
    const auto outputs = dshow::PinsOf(source_.Get(), PINDIR_OUTPUT);
    ASSERT_EQ(outputs.size(), 2u);
    ASSERT_EQ(graph_->Connect(outputs[0].Get(), video_->GetPin(0)), S_OK);
    ASSERT_EQ(graph_->Connect(outputs[1].Get(), sound_->GetPin(0)), S_OK);
  }

  double SoundSeconds() {
    const WAVEFORMATEX* wave = WaveFormatOf(sound_->InputPin()->ConnectionType().Get());
    return static_cast<double>(sound_->Bytes()) / wave->nAvgBytesPerSec;
  }

  ComPtr<IGraphBuilder> graph_;
  ComPtr<IBaseFilter> source_;
  ComPtr<CountingRenderer> video_ =
      MakeComObject<CountingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  ComPtr<CountingRenderer> sound_ =
      MakeComObject<CountingRenderer>(std::vector<GUID>{MEDIASUBTYPE_PCM});
};

TEST_P(MediaFiles, OffersAPinPerStreamWithItsTypeAndDuration) {
  HRESULT hr = E_FAIL;
  const ComPtr<IBaseFilter> source = LoadSource(GetParam().file, &hr);
  ASSERT_EQ(hr, S_OK);
  const auto outputs = dshow::PinsOf(source.Get(), PINDIR_OUTPUT);
  ASSERT_EQ(outputs.size(), 2u);
  const MediaType video = TypeOf(outputs[0].Get());
  EXPECT_EQ(video->majortype, MEDIATYPE_Video);
  EXPECT_EQ(video->subtype, GetParam().videoSubtype) << SubtypeText(video->subtype);
  const auto format = ReadVideoFormat(video.Get());
  ASSERT_TRUE(format);
  EXPECT_EQ(format->width, GetParam().clip.width);
  EXPECT_EQ(std::abs(format->height), GetParam().clip.height);
  EXPECT_EQ(format->avgTimePerFrame, kFrame);
  const MediaType audio = TypeOf(outputs[1].Get());
  EXPECT_EQ(audio->majortype, MEDIATYPE_Audio);
  ASSERT_NE(WaveFormatOf(audio.Get()), nullptr);
  EXPECT_EQ(WaveFormatOf(audio.Get())->wFormatTag, GetParam().audioTag);

  ComPtr<IMediaSeeking> seeking = source.As<IMediaSeeking>();
  ASSERT_TRUE(seeking);
  LONGLONG duration = 0;
  ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_NEAR(static_cast<double>(duration), GetParam().clip.frames * kFrame, 1.5 * kFrame);
  ASSERT_EQ(seeking->IsFormatSupported(&TIME_FORMAT_FRAME), S_OK);
  ASSERT_EQ(seeking->SetTimeFormat(&TIME_FORMAT_FRAME), S_OK);
  ASSERT_EQ(
      dshow::PinsOf(source.Get(), PINDIR_OUTPUT)[0].As<IMediaSeeking>()->GetDuration(&duration),
      S_OK);
  EXPECT_EQ(duration, GetParam().clip.frames);

  LPOLESTR name = nullptr;
  ASSERT_EQ(source.As<IFileSourceFilter>()->GetCurFile(&name, nullptr), S_OK);
  EXPECT_STREQ(name, GetParam().file);
  CoTaskMemFree(name);
}

TEST_P(MediaFiles, PlaysEveryFrameAndAllOfTheSoundThroughTheDecoders) {
  BuildPlayer();
  if (HasFatalFailure()) return;
  ASSERT_EQ(PlayToEnd(graph_.Get()), S_OK);
  EXPECT_EQ(video_->Samples(), GetParam().clip.frames);
  EXPECT_EQ(video_->FirstStart(), 0);
  EXPECT_EQ(video_->LastStop(), GetParam().clip.frames * kFrame);
  EXPECT_NEAR(SoundSeconds(), GetParam().clip.frames * 0.04, 0.1);
}

TEST_P(MediaFiles, ASeekWhilePausedStartsAtTheFrameOfTheTarget) {
  BuildPlayer();
  if (HasFatalFailure()) return;
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>();
  ComPtr<IMediaSeeking> seeking = graph_.As<IMediaSeeking>();
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  OAFilterState state = State_Stopped;
  ASSERT_EQ(control->GetState(10000, &state), S_OK);
  // Frame 10: a key frame follows every fourth picture in the MPEG-4 file, so 8 and 9 are
  // decoded and dropped there.
  LONGLONG target = 10 * kFrame;
  ASSERT_EQ(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning),
            S_OK);
  ASSERT_EQ(control->GetState(10000, &state), S_OK);
  LONGLONG current = 0;
  ASSERT_EQ(seeking->GetCurrentPosition(&current), S_OK);
  EXPECT_EQ(current, target);
  ASSERT_EQ(PlayToEnd(graph_.Get()), S_OK);
  EXPECT_EQ(video_->Samples(), GetParam().clip.frames - 10);
  EXPECT_EQ(video_->FirstStart(), 0);
  EXPECT_NEAR(SoundSeconds(), (GetParam().clip.frames - 10) * 0.04, 0.1);
}

TEST_P(MediaFiles, APositionReadRightAfterASeekIsItsTarget) {
  BuildPlayer();
  if (HasFatalFailure()) return;
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>();
  ComPtr<IMediaSeeking> seeking = graph_.As<IMediaSeeking>();
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  OAFilterState state = State_Stopped;
  ASSERT_EQ(control->GetState(10000, &state), S_OK);
  // Back and forth, each read at once: the streaming thread of the segment before must not show.
  for (const LONGLONG frame : {12, 4, 20, 0, 16}) {
    LONGLONG target = frame * kFrame;
    ASSERT_EQ(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning),
              S_OK);
    LONGLONG current = -1;
    ASSERT_EQ(seeking->GetCurrentPosition(&current), S_OK);
    EXPECT_EQ(current, target) << frame;
  }
  control->Stop();
}

INSTANTIATE_TEST_SUITE_P(Files, MediaFiles, ::testing::ValuesIn(kFiles),
                         [](const auto& param) { return std::string(param.param.name); });

// ---- Files refused ---------------------------------------------------------------------------

struct RefusedCase {
  const char* name;
  const char* file;
  const char* content;  // null: the file does not exist
  HRESULT expected;
};

class RefusedFiles : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFiles, LoadAndAddSourceFilterFailWithTheCode) {
  if (GetParam().content != nullptr) std::ofstream(GetParam().file) << GetParam().content;
  HRESULT hr = S_OK;
  LoadSource(GetParam().file, &hr);
  EXPECT_EQ(hr, GetParam().expected) << HResultText(hr);
  auto graph = NewGraph();
  ComPtr<IBaseFilter> source;
  EXPECT_EQ(graph->AddSourceFilter(GetParam().file, nullptr, source.ReleaseAndGetAddressOf()),
            GetParam().expected);
  EXPECT_FALSE(source);
  EXPECT_EQ(graph->RenderFile(GetParam().file, nullptr), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, RefusedFiles,
    ::testing::Values(
        RefusedCase{"Missing", "missing.avi", nullptr, VFW_E_NOT_FOUND},
        RefusedCase{"Text", "notes.txt", "Shopping: bread, milk, tea.\n", VFW_E_UNKNOWN_FILE_TYPE},
        RefusedCase{"TextNamedAvi", "notes.avi", "Not a film at all.\n", VFW_E_UNKNOWN_FILE_TYPE}),
    [](const auto& param) { return std::string(param.param.name); });

// ---- A recording cut short -------------------------------------------------------------------

TEST(CutShortRecording, PlaysTheFramesItHoldsWithoutAnIndex) {
  MediaClip clip;
  clip.frames = 40;
  clip.finish = false;
  ASSERT_TRUE(WriteMediaFile("cut.avi", clip));
  std::filesystem::resize_file("cut.avi", std::filesystem::file_size("cut.avi") * 6 / 10);

  auto graph = NewGraph();
  ComPtr<IBaseFilter> source;
  ASSERT_EQ(graph->AddSourceFilter("cut.avi", "Source", source.ReleaseAndGetAddressOf()), S_OK);
  auto video = MakeComObject<CountingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  graph->AddFilter(video.Get(), "Pictures");
  ASSERT_EQ(graph->Connect(dshow::PinsOf(source.Get(), PINDIR_OUTPUT)[0].Get(), video->GetPin(0)),
            S_OK);
  ASSERT_EQ(PlayToEnd(graph.Get()), S_OK);
  EXPECT_GT(video->Samples(), clip.frames / 3);
  EXPECT_LT(video->Samples(), clip.frames);
}

}  // namespace
