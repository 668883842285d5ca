// Analog V4L2 nodes through the capture filter: a composite/S-Video dongle and a TV card get a
// crossbar upstream whose routes switch the node's input and sound, their standards through
// IAMAnalogVideoDecoder, the card's tuner through IAMTVTuner on the channel plans; a webcam gets
// none of these.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "FixtureNodes.h"
#include "com/Com.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/FakeV4l2Description.h"
#include "devices/v4l2/V4l2CaptureFilter.h"
#include "devices/virtual/DescriptionParser.h"
#include "dshow/DShow.h"

namespace {

using devices::FakeV4l2;
using devices::FakeV4l2Device;
using devices::FakeV4l2Input;
using devices::FakeV4l2Standard;
using devices::FakeV4l2Tuner;

constexpr const char* kPath = "/dev/video3";

// A capture dongle: composite (with a signal) and S-Video (none), one line input, PAL and NTSC.
FakeV4l2Device Dongle() {
  FakeV4l2Device device;
  device.driver = "em28xx";
  const v4l2_std_id standards = V4L2_STD_PAL_B | V4L2_STD_NTSC_M;
  device.inputs = {FakeV4l2Input{"Composite1", V4L2_INPUT_TYPE_CAMERA, 1, 0, standards, 0},
                   FakeV4l2Input{"S-Video", V4L2_INPUT_TYPE_CAMERA, 1, 0, standards,
                                 V4L2_IN_ST_NO_SIGNAL | V4L2_IN_ST_NO_H_LOCK}};
  device.audioInputs = {"Line"};
  device.standards = {FakeV4l2Standard{V4L2_STD_PAL_B, "PAL-B", {1, 25}, 625},
                      FakeV4l2Standard{V4L2_STD_NTSC_M, "NTSC-M", {1001, 30000}, 525}};
  device.standard = V4L2_STD_PAL_B;
  return device;
}

// A TV card whose tuner counts in 62.5 Hz units or 62.5 kHz units, with stations at the carriers
// given (in Hz).
FakeV4l2Device TvCard(bool lowUnits, std::vector<std::uint32_t> stationsHz = {}) {
  FakeV4l2Device device = devices_test::FixtureNode("tv-card.json");
  FakeV4l2Tuner& tuner = device.tuners.at(0);
  const std::uint64_t perMHz = lowUnits ? 16'000 : 16;
  if (lowUnits) tuner.capability |= V4L2_TUNER_CAP_LOW;
  tuner.rangeLow = static_cast<std::uint32_t>(44 * perMHz);
  tuner.rangeHigh = static_cast<std::uint32_t>(958 * perMHz);
  tuner.frequency = tuner.rangeLow;
  tuner.stations.clear();
  for (const std::uint32_t hz : stationsHz) {
    tuner.stations.emplace_back(static_cast<std::uint32_t>(std::uint64_t{hz} * perMHz / 1'000'000),
                                40'000);
  }
  return device;
}

struct Pin {
  LONG physicalType;
  LONG related;
  bool operator==(const Pin&) const = default;
};

class V4l2AnalogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    filter_.Reset();
    graph_.Reset();
  }

  // Plugs the node and opens its capture filter.
  void Open(FakeV4l2Device device) {
    fake_->Unplug(kPath, true);
    fake_->Plug(kPath, std::move(device), true);
    HRESULT hr = E_FAIL;
    filter_ = devices::V4l2CaptureFilter::Open(fake_, kPath, "Analog", &hr);
    ASSERT_EQ(hr, S_OK);
    ASSERT_TRUE(filter_);
  }

  template <class I>
  ComPtr<I> Query() {
    ComPtr<I> object;
    filter_->QueryInterface(I::iid, object.ReleaseAndGetVoidAddress());
    return object;
  }

  // Lets the filter add its crossbar to a graph; the crossbar, found through the analog input.
  ComPtr<IAMCrossbar> Crossbar() {
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph_), S_OK);
    EXPECT_EQ(graph_->AddFilter(filter_.Get(), "Capture"), S_OK);
    auto upstream = Query<IUpstreamDeviceFilters>();
    if (!upstream) return nullptr;
    EXPECT_EQ(upstream->AddUpstreamFilters(graph_.Get()), S_OK);
    EXPECT_EQ(upstream->AddUpstreamFilters(graph_.Get()), S_OK);  // in place: nothing more
    ComPtr<IPin> feeding;
    if (filter_->GetPin(0)->ConnectedTo(feeding.ReleaseAndGetAddressOf()) != S_OK) return nullptr;
    PIN_INFO info;
    EXPECT_EQ(feeding->QueryPinInfo(&info), S_OK);
    return ComPtr<IBaseFilter>(info.pFilter).As<IAMCrossbar>();
  }

  static std::vector<Pin> Pins(IAMCrossbar& crossbar, bool inputs) {
    LONG outputCount = 0;
    LONG inputCount = 0;
    EXPECT_EQ(crossbar.get_PinCounts(&outputCount, &inputCount), S_OK);
    std::vector<Pin> pins;
    for (LONG i = 0; i < (inputs ? inputCount : outputCount); ++i) {
      Pin pin{};
      EXPECT_EQ(crossbar.get_CrossbarPinInfo(inputs, i, &pin.related, &pin.physicalType), S_OK);
      pins.push_back(pin);
    }
    return pins;
  }

  static LONG RoutedTo(IAMCrossbar& crossbar, LONG output) {
    LONG input = -2;
    EXPECT_EQ(crossbar.get_IsRoutedTo(output, &input), S_OK);
    return input;
  }

  // The node's audio input, as another program would read it.
  std::uint32_t NodeAudioInput() {
    const int fd = fake_->Open(kPath, O_RDWR);
    v4l2_audio audio{};
    EXPECT_EQ(fake_->Ioctl(fd, VIDIOC_G_AUDIO, &audio), 0);
    fake_->Close(fd);
    return audio.index;
  }

  std::shared_ptr<FakeV4l2> fake_ = std::make_shared<FakeV4l2>();
  ComPtr<devices::V4l2CaptureFilter> filter_;
  ComPtr<IGraphBuilder> graph_;
};

TEST_F(V4l2AnalogTest, InputsBecomeCrossbarPinsWithTheirConnectorsAndSound) {
  struct Case {
    const char* name;
    FakeV4l2Device device;
    std::vector<Pin> inputs;
    std::vector<Pin> outputs;
  };
  const Case cases[] = {
      {"dongle",
       Dongle(),
       {{PhysConn_Video_Composite, 2}, {PhysConn_Video_SVideo, 2}, {PhysConn_Audio_Line, 0}},
       {{PhysConn_Video_VideoDecoder, 1}, {PhysConn_Audio_AudioDecoder, 0}}},
      {"tv card",
       devices_test::FixtureNode("tv-card.json"),
       {{PhysConn_Video_Tuner, 4},
        {PhysConn_Video_Composite, 5},
        {PhysConn_Video_SVideo, 5},
        {PhysConn_Video_Composite, 5},
        {PhysConn_Audio_Tuner, 0},
        {PhysConn_Audio_Line, 1}},
       {{PhysConn_Video_VideoDecoder, 1}, {PhysConn_Audio_AudioDecoder, 0}}},
  };
  for (const Case& c : cases) {
    Open(c.device);
    ASSERT_EQ(filter_->GetPinCount(), 2) << c.name;
    const auto crossbar = Crossbar();
    ASSERT_TRUE(crossbar) << c.name;
    EXPECT_EQ(Pins(*crossbar, true), c.inputs) << c.name;
    EXPECT_EQ(Pins(*crossbar, false), c.outputs) << c.name;
    EXPECT_EQ(RoutedTo(*crossbar, 0), 0) << c.name;
  }
}

TEST_F(V4l2AnalogTest, AWebcamHasNoAnalogParts) {
  Open(FakeV4l2Device{});
  EXPECT_EQ(filter_->GetPinCount(), 1);
  EXPECT_FALSE(Query<IUpstreamDeviceFilters>());
  EXPECT_FALSE(Query<IAMAnalogVideoDecoder>());
  EXPECT_FALSE(Query<IAMTVTuner>());
}

TEST_F(V4l2AnalogTest, RoutesSwitchTheNodesInputAndItsSound) {
  Open(devices_test::FixtureNode("tv-card.json"));
  const auto crossbar = Crossbar();
  ASSERT_TRUE(crossbar);
  struct Case {
    LONG output;
    LONG input;
    HRESULT result;
    std::uint32_t nodeInput;  // afterwards
    std::uint32_t nodeAudio;
    LONG audioRouted;
  };
  const Case cases[] = {
      {0, 2, S_OK, 2, 1, 5},           // S-Video brings the line sound
      {0, 0, S_OK, 0, 0, 4},           // the tuner brings its own
      {1, 5, S_OK, 0, 1, 5},           // the sound alone
      {0, 4, E_FAIL, 0, 1, 5},         // audio never feeds the decoder's video
      {0, -1, E_INVALIDARG, 0, 1, 5},  // a decoder always takes some input
      {0, 6, E_INVALIDARG, 0, 1, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(crossbar->Route(c.output, c.input), c.result) << c.output << "<-" << c.input;
    EXPECT_EQ(fake_->CurrentInput(kPath), c.nodeInput) << c.output << "<-" << c.input;
    EXPECT_EQ(NodeAudioInput(), c.nodeAudio) << c.output << "<-" << c.input;
    EXPECT_EQ(RoutedTo(*crossbar, 1), c.audioRouted) << c.output << "<-" << c.input;
  }
}

TEST_F(V4l2AnalogTest, ARouteTheNodeRefusesLeavesTheRoutingAsItWas) {
  Open(Dongle());
  const auto crossbar = Crossbar();
  ASSERT_TRUE(crossbar);
  fake_->Unplug(kPath, true);
  EXPECT_TRUE(FAILED(crossbar->Route(0, 1)));
  EXPECT_EQ(RoutedTo(*crossbar, 0), 0);
}

TEST_F(V4l2AnalogTest, StandardsAreSetOnTheNodeAndReadBack) {
  Open(Dongle());
  const auto decoder = Query<IAMAnalogVideoDecoder>();
  ASSERT_TRUE(decoder);
  LONG available = 0;
  ASSERT_EQ(decoder->get_AvailableTVFormats(&available), S_OK);
  EXPECT_EQ(available, AnalogVideo_PAL_B | AnalogVideo_NTSC_M);

  struct Case {
    LONG format;
    HRESULT result;
    LONG current;  // afterwards
    v4l2_std_id node;
    LONG lines;
  };
  const Case cases[] = {
      {AnalogVideo_NTSC_M, S_OK, AnalogVideo_NTSC_M, V4L2_STD_NTSC_M, 525},
      {AnalogVideo_PAL_B, S_OK, AnalogVideo_PAL_B, V4L2_STD_PAL_B, 625},
      {AnalogVideo_SECAM_L, E_INVALIDARG, AnalogVideo_PAL_B, V4L2_STD_PAL_B, 625},
      {AnalogVideo_PAL_B | AnalogVideo_NTSC_M, E_INVALIDARG, AnalogVideo_PAL_B, V4L2_STD_PAL_B,
       625},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decoder->put_TVFormat(c.format), c.result) << c.format;
    LONG current = 0;
    LONG lines = 0;
    EXPECT_EQ(decoder->get_TVFormat(&current), S_OK);
    EXPECT_EQ(decoder->get_NumberOfLines(&lines), S_OK);
    EXPECT_EQ(current, c.current) << c.format;
    EXPECT_EQ(fake_->CurrentStandard(kPath), c.node) << c.format;
    EXPECT_EQ(lines, c.lines) << c.format;
  }

  // The capture pin reports the standards in its capabilities.
  const auto config = ComPtr<IPin>(filter_->GetPin(1)).As<IAMStreamConfig>();
  ASSERT_TRUE(config);
  AM_MEDIA_TYPE* type = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps{};
  ASSERT_EQ(config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
  MediaType::Adopt(type);
  EXPECT_EQ(caps.VideoStandard, AnalogVideo_PAL_B | AnalogVideo_NTSC_M);
}

TEST_F(V4l2AnalogTest, AnInputWithoutSignalReadsUnlocked) {
  Open(Dongle());
  const auto crossbar = Crossbar();
  const auto decoder = Query<IAMAnalogVideoDecoder>();
  ASSERT_TRUE(crossbar && decoder);
  const std::pair<LONG, LONG> cases[] = {{1, 0}, {0, 1}};  // input, locked
  for (const auto& [input, locked] : cases) {
    ASSERT_EQ(crossbar->Route(0, input), S_OK);
    LONG value = -1;
    EXPECT_EQ(decoder->get_HorizontalLocked(&value), S_OK);
    EXPECT_EQ(value, locked) << input;
  }
}

TEST_F(V4l2AnalogTest, ChannelsTuneTheirPlansCarrierInTheTunersUnits) {
  struct Case {
    LONG country;
    TunerInputType inputType;
    LONG channel;
    std::uint32_t hz;
  };
  const Case cases[] = {
      {1, TunerInputAntenna, 4, 67'250'000},    // US VHF low
      {1, TunerInputCable, 14, 121'250'000},    // US cable mid band
      {49, TunerInputAntenna, 5, 175'250'000},  // E5
      {49, TunerInputAntenna, 21, 471'250'000},
  };
  for (const bool lowUnits : {false, true}) {
    Open(TvCard(lowUnits));
    const auto tuner = Query<IAMTVTuner>();
    ASSERT_TRUE(tuner);
    ASSERT_TRUE(Query<IAMTuner>());
    for (const Case& c : cases) {
      ASSERT_EQ(tuner->put_CountryCode(c.country), S_OK);
      ASSERT_EQ(tuner->put_InputType(0, c.inputType), S_OK);
      ASSERT_EQ(tuner->put_Channel(c.channel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT),
                S_OK);
      const std::uint64_t units = lowUnits ? std::uint64_t{c.hz} * 2 / 125 : c.hz / 62'500;
      EXPECT_EQ(fake_->CurrentFrequency(kPath), units) << c.channel << " low " << lowUnits;
      LONG hz = 0;
      LONG channel = 0;
      LONG video = 0;
      LONG audio = 0;
      EXPECT_EQ(tuner->get_VideoFrequency(&hz), S_OK);
      EXPECT_EQ(hz, static_cast<LONG>(c.hz)) << c.channel;
      EXPECT_EQ(tuner->get_Channel(&channel, &video, &audio), S_OK);
      EXPECT_EQ(channel, c.channel);
    }
  }
}

TEST_F(V4l2AnalogTest, PlansBoundTheChannelsACountryHas) {
  Open(TvCard(false));
  const auto tuner = Query<IAMTVTuner>();
  ASSERT_TRUE(tuner);
  struct Case {
    LONG country;
    TunerInputType inputType;
    LONG min;
    LONG max;
    LONG noChannel;  // inside the range, or outside it
  };
  const Case cases[] = {
      {1, TunerInputAntenna, 2, 69, 70},
      {1, TunerInputCable, 1, 125, 126},
      {49, TunerInputAntenna, 2, 69, 15},  // between E12 and the UHF band
  };
  for (const Case& c : cases) {
    ASSERT_EQ(tuner->put_CountryCode(c.country), S_OK);
    ASSERT_EQ(tuner->put_InputType(0, c.inputType), S_OK);
    LONG min = 0;
    LONG max = 0;
    EXPECT_EQ(tuner->ChannelMinMax(&min, &max), S_OK);
    EXPECT_EQ(std::make_pair(min, max), std::make_pair(c.min, c.max)) << c.country;
    const std::uint32_t before = fake_->CurrentFrequency(kPath);
    EXPECT_EQ(tuner->put_Channel(c.noChannel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT),
              E_INVALIDARG);
    EXPECT_EQ(fake_->CurrentFrequency(kPath), before);
  }
  EXPECT_EQ(tuner->put_CountryCode(999), E_INVALIDARG);
  LONG country = 0;
  EXPECT_EQ(tuner->get_CountryCode(&country), S_OK);
  EXPECT_EQ(country, 49);
}

TEST_F(V4l2AnalogTest, ASignalIsPresentAtAStationOnly) {
  Open(TvCard(false, {67'250'000}));  // US channel 4
  const auto tuner = Query<IAMTVTuner>();
  ASSERT_TRUE(tuner);
  ASSERT_EQ(tuner->put_InputType(0, TunerInputAntenna), S_OK);
  struct Case {
    LONG channel;
    LONG found;
    LONG signal;
  };
  const Case cases[] = {{4, 1, AMTUNER_SIGNALPRESENT}, {5, 0, AMTUNER_NOSIGNAL}};
  for (const Case& c : cases) {
    LONG found = -1;
    LONG signal = -1;
    EXPECT_EQ(tuner->AutoTune(c.channel, &found), S_OK);
    EXPECT_EQ(tuner->SignalPresent(&signal), S_OK);
    EXPECT_EQ(found, c.found) << c.channel;
    EXPECT_EQ(signal, c.signal) << c.channel;
  }
}

}  // namespace
