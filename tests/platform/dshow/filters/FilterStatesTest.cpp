// Every filter of the platform goes through Stopped, Paused, Running and back, unconnected and
// connected (a source on each input, a sink on each output). A new filter joins by adding one
// line to Filters() below.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "FilterTestSupport.h"
#include "MediaFiles.h"
#include "ModuleTestSupport.h"
#include "TestApplication.h"
#include "TestFilters.h"
#include "devices/alsa/FakeAlsa.h"
#include "devices/encoders/CompressorFilter.h"
#include "devices/virtual/CompressedFrameEncoder.h"
#include "dshow/AudioMediaType.h"
#include "dshow/MuxInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/PlaybackIdentifiers.h"
#include "dshow/filters/UnpacedSink.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;

struct FilterEntry {
  std::string name;
  std::function<ComPtr<IBaseFilter>()> make;
  // What a source feeds each input with (unused for filters without inputs).
  std::function<MediaType()> inputType;
  // The frame it sends; empty for a ramp of the type's sample size.
  std::function<std::vector<BYTE>()> inputFrame = nullptr;
};

template <class Filter, class... Args>
std::function<ComPtr<IBaseFilter>()> Make(Args... args) {
  return [=] { return ComPtr<IBaseFilter>(MakeComObject<Filter>(args...)); };
}

// A file sink made by class id, writing into the test's directory.
std::function<ComPtr<IBaseFilter>()> FileSinkByClassId(const CLSID& clsid, const char* file) {
  return [clsid, file] {
    ComPtr<IFileSinkFilter> sink;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSinkFilter,
                               sink.ReleaseAndGetVoidAddress()),
              S_OK);
    EXPECT_EQ(sink->SetFileName(file, nullptr), S_OK);
    return sink.As<IBaseFilter>();
  };
}

// A compressor of one of libavcodec's encoders.
std::function<ComPtr<IBaseFilter>()> Compressor(const char* key) {
  return [key] {
    ComPtr<IBaseFilter> filter;
    const auto encoder = devices::FindAvailableEncoder(key);
    EXPECT_TRUE(encoder) << key;
    if (encoder) {
      EXPECT_EQ(devices::CreateCompressorFilter(*encoder, IID_IBaseFilter,
                                                filter.ReleaseAndGetVoidAddress()),
                S_OK);
    }
    return filter;
  };
}

std::function<ComPtr<IBaseFilter>()> ByClassId(const CLSID& clsid) {
  return [clsid] {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               filter.ReleaseAndGetVoidAddress()),
              S_OK);
    return filter;
  };
}

MediaType Video(const GUID& subtype) {
  return *MakeVideoMediaType(subtype, 32, 16, dshow_test::kFrameInterval);
}

// The overlay connection of a device: no format, only a nominal sample size.
MediaType Overlay() {
  AM_MEDIA_TYPE type{};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_Overlay;
  type.formattype = FORMAT_None;
  type.lSampleSize = 4;
  return MediaType(type);
}

// A real JPEG of Video()'s size, for decoders.
std::vector<BYTE> JpegFrame() {
  auto encoder = devices::CompressedFrameEncoder::Create(MEDIASUBTYPE_MJPG, 32, 16);
  std::vector<BYTE> frame(VideoImageSize(MEDIASUBTYPE_MJPG, 32, 16));
  const DWORD written = encoder ? encoder->Encode(devices::PictureDescription{}, 0, frame.data(),
                                                  static_cast<DWORD>(frame.size()))
                                : 0;
  frame.resize(written);
  return frame;
}

// The media file source with a short generated clip loaded.
ComPtr<IBaseFilter> LoadedFileSource() {
  filter_test::MediaClip clip;
  clip.frames = 5;
  EXPECT_TRUE(filter_test::WriteMediaFile("states-clip.avi", clip));
  ComPtr<IFileSourceFilter> source;
  EXPECT_EQ(CoCreateInstance(CLSID_MediaFileSource, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IFileSourceFilter, source.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_EQ(source->Load("states-clip.avi", nullptr), S_OK);
  return source.As<IBaseFilter>();
}

// 32-bit float sound, which the audio decoder turns into 16-bit PCM.
MediaType FloatAudio() {
  MediaType type = MakePcmMediaType(8000, 32, 1);
  WaveFormatOf(type.Get())->wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
  type->subtype = FourCCGuid(WAVE_FORMAT_IEEE_FLOAT);
  type->lSampleSize = 320;
  return type;
}

MediaType Audio() {
  MediaType type = MakePcmMediaType(8000, 16, 1);
  type->lSampleSize = 160;
  return type;
}

std::vector<FilterEntry> Filters() {
  using namespace dshow_test;
  const auto rgb32 = [] { return Video(MEDIASUBTYPE_RGB32); };
  const auto yuy2 = [] { return Video(MEDIASUBTYPE_YUY2); };
  return {
      // The base classes' test filters.
      {"PatternSource", Make<PatternSource>(false, VideoType()), nullptr},
      {"LivePatternSource", Make<PatternSource>(true, VideoType()), nullptr},
      {"CountingInPlace", Make<CountingInPlace>(), rgb32},
      {"RecordingRenderer", Make<RecordingRenderer>(std::vector<GUID>{}), rgb32},
      {"SubtypeConverter", Make<SubtypeConverter>(MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24), rgb32},
      // The system filters, by class id.
      {"SmartTee", ByClassId(CLSID_SmartTee), yuy2},
      {"InfTee", ByClassId(CLSID_InfTee), yuy2},
      {"ColourSpaceConverter", ByClassId(CLSID_Colour), yuy2},
      {"MjpegDecoder", ByClassId(CLSID_MjpegDecoder), [] { return Video(MEDIASUBTYPE_MJPG); },
       JpegFrame},
      {"MediaFileSource", LoadedFileSource, nullptr},
      {"AvVideoDecoder", ByClassId(CLSID_AvVideoDecoder), [] { return Video(MEDIASUBTYPE_MJPG); },
       JpegFrame},
      {"AvAudioDecoder", ByClassId(CLSID_AvAudioDecoder), FloatAudio},
      {"SampleGrabber", ByClassId(CLSID_SampleGrabber), rgb32},
      {"VideoMixingRenderer", ByClassId(CLSID_VideoMixingRenderer), yuy2},
      {"VideoRenderer", ByClassId(CLSID_VideoRenderer), rgb32},
      {"AudioRenderer", ByClassId(CLSID_AudioRender), Audio},
      {"DSoundRenderer", ByClassId(CLSID_DSoundRender), Audio},
      {"NullRenderer", ByClassId(CLSID_NullRenderer), rgb32},
      {"UnpacedSink", Make<UnpacedSink>(), rgb32},
      {"OverlayMixer", ByClassId(CLSID_OverlayMixer), Overlay},
      {"AviMux", FileSinkByClassId(CLSID_AviDest, "states.avi"), rgb32},
      // The compressors made from FFmpeg's encoders (MJPEG and PCM are in every libavcodec).
      {"MjpegCompressor", Compressor("mjpeg"), yuy2},
      {"PcmCompressor", Compressor("pcm_u8"), Audio},
      // The grabber filter modules, registered and created as the component does.
      {"InplGrbr", [] { return module_test::CreateInplaceGrabber(); }, rgb32},
      {"TrnfGrbr", [] { return module_test::CreateDeinterlacer(); }, rgb32},
  };
}

int CountPins(IBaseFilter* filter, PIN_DIRECTION direction) {
  int count = 0;
  while (PinOf(filter, direction, count))
    ++count;
  return count;
}

class FilterStates : public ::testing::TestWithParam<FilterEntry> {
 protected:
  void SetUp() override {
    ui_test::TestApplication();  // renderers make their windows on the UI thread
    SetDefaultAlsaApi(std::make_shared<FakeAlsa>());
    filter_ = GetParam().make();
    ASSERT_TRUE(filter_);
  }
  void TearDown() override { SetDefaultAlsaApi(nullptr); }

  // Sources on every input and sinks on every output, all in the chain.
  void ConnectAround() {
    const int inputs = CountPins(filter_.Get(), PINDIR_INPUT);
    const int outputs = CountPins(filter_.Get(), PINDIR_OUTPUT);
    for (int i = 0; i < inputs; ++i) {
      auto source = MakeComObject<FrameSource>(GetParam().inputType(), GetParam().inputFrame
                                                                           ? GetParam().inputFrame()
                                                                           : std::vector<BYTE>{});
      ASSERT_EQ(PinOf(source.Get(), PINDIR_OUTPUT)
                    ->Connect(PinOf(filter_.Get(), PINDIR_INPUT, i).Get(), nullptr),
                S_OK);
      chain_.Add(source.Get(), "source");
    }
    chain_.Add(filter_.Get(), GetParam().name.c_str());
    for (int i = 0; i < outputs; ++i) {
      auto sink = MakeComObject<CapturingRenderer>();
      ASSERT_EQ(PinOf(filter_.Get(), PINDIR_OUTPUT, i)
                    ->Connect(PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr),
                S_OK)
          << "output " << i;
      chain_.Add(sink.Get(), "sink");
      sinks_.push_back(sink);
    }
  }

  // The filter reaches the state (a live source answers VFW_S_CANT_CUE while paused).
  void ExpectState(FILTER_STATE wanted) {
    FILTER_STATE state = State_Stopped;
    const HRESULT hr = filter_->GetState(10000, &state);
    EXPECT_TRUE(hr == S_OK || hr == VFW_S_CANT_CUE) << HResultText(hr);
    EXPECT_EQ(state, wanted);
  }

  void Cycle(const std::function<HRESULT()>& pause, const std::function<HRESULT()>& run,
             const std::function<HRESULT()>& stop) {
    ExpectState(State_Stopped);
    ASSERT_TRUE(SUCCEEDED(pause()));
    ExpectState(State_Paused);
    ASSERT_TRUE(SUCCEEDED(run()));
    ExpectState(State_Running);
    ASSERT_TRUE(SUCCEEDED(pause()));
    ExpectState(State_Paused);
    ASSERT_TRUE(SUCCEEDED(run()));
    ExpectState(State_Running);
    ASSERT_EQ(stop(), S_OK);
    ExpectState(State_Stopped);
    ASSERT_TRUE(SUCCEEDED(run()));  // straight from Stopped to Running
    ExpectState(State_Running);
    ASSERT_EQ(stop(), S_OK);
    ExpectState(State_Stopped);
  }

  ComPtr<IBaseFilter> filter_;
  FilterChain chain_;
  std::vector<ComPtr<CapturingRenderer>> sinks_;
};

TEST_P(FilterStates, Unconnected) {
  Cycle([&] { return filter_->Pause(); }, [&] { return filter_->Run(0); },
        [&] { return filter_->Stop(); });
}

TEST_P(FilterStates, Connected) {
  ConnectAround();
  if (HasFatalFailure()) return;
  Cycle([&] { return chain_.Pause(); }, [&] { return chain_.Run(); },
        [&] { return chain_.Stop(); });
  if (sinks_.empty()) return;
  // Samples go through once it runs again.
  ASSERT_TRUE(SUCCEEDED(chain_.Run()));
  EXPECT_TRUE(filter_test::WaitUntil([&] { return sinks_.front()->Samples() > 0; }));
  EXPECT_EQ(chain_.Stop(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(AllFilters, FilterStates, ::testing::ValuesIn(Filters()),
                         [](const ::testing::TestParamInfo<FilterEntry>& entry) {
                           return entry.param.name;
                         });

}  // namespace
