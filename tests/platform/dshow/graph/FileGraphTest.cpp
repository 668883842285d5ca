// Graphs built from a media file: RenderFile through the decoders to the renderers, and the
// capture graph builder's RenderStream from the file source into the AVI multiplexer, copied
// as it is or recompressed through a decoder and a compressor.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <string>

#include "AviReadBack.h"
#include "FilterTestSupport.h"
#include "MediaFiles.h"
#include "PlaybackTestSupport.h"
#include "TestApplication.h"
#include "clock/Clock.h"
#include "com/Com.h"
#include "devices/alsa/FakeAlsa.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/BaseRenderer.h"
#include "dshow/base/MemAllocator.h"
#include "dshow/base/TransformFilter.h"
#include "dshow/filters/VideoRenderer.h"
#include "dshow/graph/PinQueries.h"

namespace {

using filter_test::MediaClip;
using filter_test::PlayToEnd;
using filter_test::ReadAvi;
using filter_test::WaitUntil;
using filter_test::WriteMediaFile;

constexpr DWORD kHfyu = MakeFourCC('H', 'F', 'Y', 'U');

// Stands in for a compressor: takes RGB24 pictures and passes their bytes on labelled HFYU.
class LabellingCompressor final : public CTransformFilter {
 public:
  LabellingCompressor() : CTransformFilter(GUID_NULL) {}

  HRESULT CheckInputType(const AM_MEDIA_TYPE* type) override {
    return type->subtype == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CheckTransform(const AM_MEDIA_TYPE*, const AM_MEDIA_TYPE* out) override {
    return out->subtype == FourCCGuid(kHfyu) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT GetMediaType(int position, MediaType* type) override {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = InputPin()->ConnectionType();
    (*type)->subtype = FourCCGuid(kHfyu);
    BitmapHeaderOf(type->Get())->biCompression = kHfyu;
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    ALLOCATOR_PROPERTIES wanted = *request;
    wanted.cBuffers = std::max(wanted.cBuffers, LONG{2});
    wanted.cbBuffer =
        std::max(wanted.cbBuffer, static_cast<LONG>(InputPin()->ConnectionType()->lSampleSize));
    return SetAllocatorProperties(*allocator, wanted);
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    in->GetPointer(&from);
    out->GetPointer(&to);
    std::copy_n(from, in->GetActualDataLength(), to);
    return out->SetActualDataLength(in->GetActualDataLength());
  }
};

std::vector<std::string> NamesIn(IGraphBuilder* graph) {
  std::vector<std::string> names;
  ComPtr<IEnumFilters> filters;
  graph->EnumFilters(filters.ReleaseAndGetAddressOf());
  IBaseFilter* next = nullptr;
  ULONG fetched = 0;
  while (filters->Next(1, &next, &fetched) == S_OK) {
    names.push_back(dshow::FilterName(next));
    next->Release();
  }
  return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

class FileGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();  // renderers make their windows on the UI thread
    SetDefaultAlsaApi(std::make_shared<FakeAlsa>());
    ASSERT_TRUE(WriteMediaFile("clip.avi", clip_));
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph_), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, &builder_), S_OK);
    ASSERT_EQ(builder_->SetFiltergraph(graph_.Get()), S_OK);
  }
  void TearDown() override {
    graph_.Reset();
    SetDefaultAlsaApi(nullptr);
  }

  // The file into "copy.avi" through RenderStream, once for each stream as a transcoding does.
  void Transcode(IBaseFilter* compressor) {
    ComPtr<IBaseFilter> mux;
    ASSERT_EQ(builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, "copy.avi",
                                          mux.ReleaseAndGetAddressOf(), nullptr),
              S_OK);
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(graph_->AddSourceFilter("clip.avi", "Source", source.ReleaseAndGetAddressOf()), S_OK);
    if (compressor != nullptr) graph_->AddFilter(compressor, "Compressor");
    ASSERT_EQ(builder_->RenderStream(nullptr, nullptr, source.Get(), compressor, mux.Get()), S_OK);
    ASSERT_EQ(builder_->RenderStream(nullptr, nullptr, source.Get(), nullptr, mux.Get()), S_OK);
    ASSERT_EQ(PlayToEnd(graph_.Get()), S_OK);
  }

  MediaClip clip_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<ICaptureGraphBuilder2> builder_;
};

TEST_F(FileGraph, RenderFileDecodesToTheRenderers) {
  ASSERT_EQ(graph_->RenderFile("clip.avi", nullptr), S_OK);
  const auto names = NamesIn(graph_.Get());
  EXPECT_TRUE(Has(names, "clip.avi"));
  EXPECT_TRUE(Has(names, "MJPEG Decompressor"));
  EXPECT_TRUE(Has(names, "Video Renderer"));
  EXPECT_TRUE(Has(names, "Audio Renderer"));
  LONGLONG duration = 0;
  ASSERT_EQ(graph_.As<IMediaSeeking>()->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, clip_.frames * 400'000LL);
}

TEST_F(FileGraph, RenderStreamCopiesTheCompressedStreamsUnchanged) {
  Transcode(nullptr);
  EXPECT_FALSE(Has(NamesIn(graph_.Get()), "MJPEG Decompressor"));
  graph_.Reset();
  const auto copy = ReadAvi("copy.avi");
  const auto original = ReadAvi("clip.avi");
  ASSERT_TRUE(copy.opened);
  ASSERT_EQ(copy.streams.size(), 2u);
  EXPECT_EQ(copy.streams[0].codec, AV_CODEC_ID_MJPEG);
  EXPECT_EQ(copy.streams[0].packets, clip_.frames);
  EXPECT_EQ(copy.streams[0].bytes, original.streams[0].bytes);
  EXPECT_NEAR(copy.streams[0].seconds, original.streams[0].seconds, 0.001);
  EXPECT_EQ(copy.streams[1].codec, AV_CODEC_ID_PCM_S16LE);
  EXPECT_EQ(copy.streams[1].bytes, original.streams[1].bytes);
  EXPECT_NEAR(copy.streams[1].seconds, original.streams[1].seconds, 0.001);
}

TEST_F(FileGraph, RenderStreamRecompressesThroughADecoderAndTheCompressor) {
  auto compressor = MakeComObject<LabellingCompressor>();
  Transcode(compressor.Get());
  EXPECT_TRUE(Has(NamesIn(graph_.Get()), "MJPEG Decompressor"));
  graph_.Reset();
  const auto copy = ReadAvi("copy.avi");
  ASSERT_TRUE(copy.opened);
  ASSERT_EQ(copy.streams.size(), 2u);
  EXPECT_EQ(copy.streams[0].tag, kHfyu);
  EXPECT_EQ(copy.streams[0].packets, clip_.frames);
  EXPECT_EQ(copy.streams[0].bytes, int64_t{clip_.frames} * clip_.width * clip_.height * 3);
  // All of the sound: 16-bit mono at 8 kHz for as long as the pictures.
  EXPECT_EQ(copy.streams[1].bytes, int64_t{clip_.frames} * 8000 * 2 / 25);
}

// ---- The files users have -------------------------------------------------------------------

struct FormatCase {
  const char* name;
  const char* container;
  const char* file;
  AVCodecID video;
  AVCodecID audio;
};

class CommonFormats : public ::testing::TestWithParam<FormatCase> {};

// The renderer the graph named so, counting what it rendered; -1 when there is none.
LONG RenderedBy(IGraphBuilder* graph, const char* name) {
  ComPtr<IBaseFilter> filter;
  if (graph->FindFilterByName(name, filter.ReleaseAndGetAddressOf()) != S_OK) return -1;
  const auto* renderer = dynamic_cast<CBaseRenderer*>(filter.Get());
  return renderer != nullptr ? renderer->FramesRendered() : -1;
}

TEST_P(CommonFormats, RenderFilePlaysEveryPictureAndTheSound) {
  ui_test::TestApplication();
  SetDefaultAlsaApi(std::make_shared<FakeAlsa>());
  MediaClip clip;
  clip.container = GetParam().container;
  clip.video = GetParam().video;
  clip.audio = GetParam().audio;
  clip.frames = 10;
  clip.keyFrameEvery = 5;
  clip.sampleRate = 44100;
  if (!filter_test::CanWriteMediaFile(clip)) GTEST_SKIP() << "no encoder here";
  ASSERT_TRUE(WriteMediaFile(GetParam().file, clip));
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
  ASSERT_EQ(graph->RenderFile(GetParam().file, nullptr), S_OK);
  ASSERT_EQ(PlayToEnd(graph.Get()), S_OK);
  const bool video = GetParam().video != AV_CODEC_ID_NONE;
  const bool audio = GetParam().audio != AV_CODEC_ID_NONE;
  EXPECT_EQ(RenderedBy(graph.Get(), "Video Renderer"), video ? clip.frames : -1);
  if (audio) {
    EXPECT_GT(RenderedBy(graph.Get(), "Audio Renderer"), 0);
  } else {
    EXPECT_EQ(RenderedBy(graph.Get(), "Audio Renderer"), -1);
  }
  graph.Reset();
  SetDefaultAlsaApi(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CommonFormats,
    ::testing::Values(
        FormatCase{"Mp4H264Aac", "mp4", "clip.mp4", AV_CODEC_ID_H264, AV_CODEC_ID_AAC},
        FormatCase{"MovMjpegPcm", "mov", "clip.mov", AV_CODEC_ID_MJPEG, AV_CODEC_ID_PCM_S16LE},
        FormatCase{"MatroskaHevcOpus", "matroska", "clip.mkv", AV_CODEC_ID_HEVC, AV_CODEC_ID_OPUS},
        FormatCase{"WebmVp8Vorbis", "webm", "clip.webm", AV_CODEC_ID_VP8, AV_CODEC_ID_VORBIS},
        FormatCase{"WebmVp9Opus", "webm", "clip9.webm", AV_CODEC_ID_VP9, AV_CODEC_ID_OPUS},
        FormatCase{"MatroskaAv1Mp3", "matroska", "av1.mkv", AV_CODEC_ID_AV1, AV_CODEC_ID_MP3},
        FormatCase{"MpegTsMpeg2Mp2", "mpegts", "clip.ts", AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MP2},
        FormatCase{"RawH264", "h264", "clip.h264", AV_CODEC_ID_H264, AV_CODEC_ID_NONE},
        FormatCase{"RawMjpeg", "mjpeg", "clip.mjpeg", AV_CODEC_ID_MJPEG, AV_CODEC_ID_NONE},
        FormatCase{"Mp3", "mp3", "tone.mp3", AV_CODEC_ID_NONE, AV_CODEC_ID_MP3},
        FormatCase{"AdtsAac", "adts", "tone.aac", AV_CODEC_ID_NONE, AV_CODEC_ID_AAC},
        FormatCase{"OggOpus", "ogg", "tone.opus", AV_CODEC_ID_NONE, AV_CODEC_ID_OPUS},
        FormatCase{"OggVorbis", "ogg", "tone.ogg", AV_CODEC_ID_NONE, AV_CODEC_ID_VORBIS},
        FormatCase{"WavPcm", "wav", "tone.wav", AV_CODEC_ID_NONE, AV_CODEC_ID_PCM_S16LE}),
    [](const auto& param) { return std::string(param.param.name); });
// Which clock paces a played file: the audio renderer's when it has sound, else the system's.
struct ClockCase {
  const char* name;
  AVCodecID audio;
};

class FileClock : public FileGraph, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(FileClock, TheAudioRendererIsTheClockOfAFileWithSound) {
  MediaClip clip;
  clip.audio = GetParam().audio;
  ASSERT_TRUE(WriteMediaFile("media.avi", clip));
  ASSERT_EQ(graph_->RenderFile("media.avi", nullptr), S_OK);
  ASSERT_EQ(graph_->SetDefaultSyncSource(), S_OK);
  ComPtr<IBaseFilter> video;
  ASSERT_EQ(graph_->FindFilterByName("Video Renderer", video.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IReferenceClock> clock;
  ASSERT_EQ(video->GetSyncSource(clock.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IBaseFilter> sound;
  const bool hasSound =
      SUCCEEDED(graph_->FindFilterByName("Audio Renderer", sound.ReleaseAndGetAddressOf()));
  EXPECT_EQ(hasSound, GetParam().audio != AV_CODEC_ID_NONE);
  ComPtr<IBaseFilter> clockFilter;
  const bool filterClock = SUCCEEDED(clock.As(&clockFilter));
  EXPECT_EQ(filterClock, hasSound);
  if (hasSound) {
    EXPECT_EQ(clockFilter.Get(), sound.Get());
  }
}

INSTANTIATE_TEST_SUITE_P(Files, FileClock,
                         ::testing::Values(ClockCase{"WithSound", AV_CODEC_ID_PCM_S16LE},
                                           ClockCase{"Silent", AV_CODEC_ID_NONE}),
                         [](const auto& test) { return std::string(test.param.name); });

// At a rate, pictures are due that much faster by the graph's clock, whether the sound is
// resampled to the rate (up to 2) or muted (beyond).
class FileRate : public FileGraph, public ::testing::WithParamInterface<double> {
 protected:
  void TearDown() override {
    if (graph_) graph_.As<IMediaControl>()->Stop();
    FileGraph::TearDown();
    sysclock::UseRealClock();
  }
};

TEST_P(FileRate, PicturesAreDueAtTheRate) {
  const double rate = GetParam();
  sysclock::UseTestClock(1000);
  MediaClip clip;
  clip.frames = 50;
  ASSERT_TRUE(WriteMediaFile("long.avi", clip));
  ASSERT_EQ(graph_->RenderFile("long.avi", nullptr), S_OK);
  ASSERT_EQ(graph_.As<IMediaSeeking>()->SetRate(rate), S_OK);
  ComPtr<IBaseFilter> video;
  ASSERT_EQ(graph_->FindFilterByName("Video Renderer", video.ReleaseAndGetAddressOf()), S_OK);
  auto* renderer = static_cast<CBaseRenderer*>(video.Get());
  ASSERT_EQ(graph_.As<IMediaControl>()->Run(), S_OK);
  // Steps end between frame times, so a clock slewed by a fraction of a millisecond changes
  // nothing.
  DWORD elapsedMs = 0;
  for (int step = 0; step < 4; ++step) {
    if (step > 0) {
      sysclock::Advance(110);
      elapsedMs += 110;
    }
    const auto due = static_cast<LONG>(elapsedMs * rate / 40) + 1;
    ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() >= due; }))
        << renderer->FramesRendered() << " of " << due << " frames after " << elapsedMs << " ms";
    EXPECT_EQ(renderer->FramesRendered(), due) << "a frame shown before its time";
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, FileRate, ::testing::Values(1.0, 2.0, 4.0));

// A seek while running or paused: the first picture the window shows afterwards is the one at
// the new position, never one the renderer had handed over before the seek.
class FileSeek : public FileGraph, public ::testing::WithParamInterface<OAFilterState> {
 protected:
  void TearDown() override {
    if (graph_) graph_.As<IMediaControl>()->Stop();
    FileGraph::TearDown();
    sysclock::UseRealClock();
  }
  HRESULT SeekTo(LONGLONG frame) {
    LONGLONG target = frame * 400'000;
    return graph_.As<IMediaSeeking>()->SetPositions(&target, AM_SEEKING_AbsolutePositioning,
                                                    nullptr, AM_SEEKING_NoPositioning);
  }
};

TEST_P(FileSeek, NoStalePictureIsShownAfterASeek) {
  constexpr LONGLONG kTarget = 30;
  sysclock::UseTestClock(1000);
  MediaClip clip;
  clip.frames = 50;
  clip.audio = AV_CODEC_ID_NONE;
  ASSERT_TRUE(WriteMediaFile("long.avi", clip));
  ASSERT_EQ(graph_->RenderFile("long.avi", nullptr), S_OK);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(graph_->FindFilterByName("Video Renderer", filter.ReleaseAndGetAddressOf()), S_OK);
  auto* renderer = static_cast<VideoRenderer*>(filter.Get());
  VideoWindowWidget* window = renderer->Window();
  ASSERT_NE(window, nullptr);
  ComPtr<IMediaControl> control = graph_.As<IMediaControl>();

  // The picture at the target, as a pause there shows it.
  ASSERT_EQ(SeekTo(kTarget), S_OK);
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  ASSERT_TRUE(ui_test::WaitFor([&] { return window->FramesShown() == 1; }));
  const QImage atTarget = window->Frame().copy();
  ASSERT_EQ(control->Stop(), S_OK);

  // Pictures from the start handed over and not yet shown: the UI thread is busy.
  ASSERT_EQ(SeekTo(0), S_OK);
  const long shown = window->FramesShown();
  if (GetParam() == State_Running) {
    ASSERT_EQ(control->Run(), S_OK);
    sysclock::Advance(100);
    ASSERT_TRUE(WaitUntil([&] { return renderer->FramesRendered() == 3; }));
  } else {
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    ASSERT_TRUE(WaitUntil([&] { return renderer->FramesPresented() == 2; }));
  }
  ASSERT_EQ(SeekTo(kTarget), S_OK);
  QCoreApplication::processEvents();  // at once, before the new position may have arrived
  ASSERT_TRUE(ui_test::WaitFor([&] { return window->FramesShown() > shown; }));
  EXPECT_EQ(window->FramesShown(), shown + 1) << "a picture from before the seek was shown";
  EXPECT_TRUE(window->Frame() == atTarget) << "the picture shown is not the one at the target";
}

INSTANTIATE_TEST_SUITE_P(States, FileSeek, ::testing::Values(State_Running, State_Paused),
                         [](const auto& test) {
                           return std::string(test.param == State_Running ? "Running" : "Paused");
                         });

}  // namespace
