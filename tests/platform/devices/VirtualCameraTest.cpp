// A virtual camera's filter without a graph: pins and their categories, formats and what they
// accept, controls, and the faults a description can inject.

#include <gtest/gtest.h>

#include "com/Com.h"
#include "devices/virtual/VirtualCaptureFilter.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"

namespace {

constexpr char kCamera[] = R"({
  "friendlyName": "Cam", "vid": "1d6b", "pid": "0102",
  "pins": [
    {"name": "Capture", "role": "capture", "formats": [
      {"subtype": "YUY2", "size": [640, 480], "frameRate": 30, "frameRates": [5, 30],
       "minSize": [160, 120], "maxSize": [640, 480], "granularity": [160, 120]},
      {"subtype": "RGB24", "size": [352, 288], "frameRate": 15, "formatType": "VideoInfo2"}]},
    {"name": "Still", "role": "preview", "acceptedSizes": [[320, 240]], "acceptsOverlay": true},
    {"role": "videoPort"}],
  "procAmp": {"brightness": {"min": 0, "max": 255, "step": 1, "default": 128},
              "whiteBalance": {"min": 2800, "max": 6500, "step": 10, "default": 4600}},
  "decoder": {"standards": ["NTSC_M", "PAL_B", "SECAM_L"], "standard": "NTSC_M"},
  "tuner": {"channels": [2, 69], "channel": 4},
  "timecode": {"start": "00:59:59:24", "track": 12},
  "vfwDialogs": ["format"]
})";

class VirtualCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    virtualdevices::Reset();
    filter_ = Bind(kCamera);
  }
  void TearDown() override {
    virtualdevices::SetDriverDialogObserver(nullptr);
    virtualdevices::Reset();
  }

  static ComPtr<IBaseFilter> Bind(const std::string& json, HRESULT* result = nullptr) {
    const auto plugged = virtualdevices::Plug(json);
    EXPECT_TRUE(plugged) << plugged.error;
    return BindName(plugged.displayNames.back(), result);
  }

  static ComPtr<IBaseFilter> BindName(const std::string& displayName, HRESULT* result = nullptr) {
    ComPtr<ICreateDevEnum> enumerator;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
    ComPtr<IEnumMoniker> list;
    for (const GUID& category : {CLSID_VideoInputDeviceCategory, CLSID_AudioInputDeviceCategory,
                                 CLSID_VideoCompressorCategory}) {
      if (enumerator->CreateClassEnumerator(category, list.ReleaseAndGetAddressOf(), 0) != S_OK)
        continue;
      ComPtr<IMoniker> moniker;
      while (list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        LPOLESTR name = nullptr;
        EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
        const bool found = displayName == name;
        CoTaskMemFree(name);
        if (!found) continue;
        ComPtr<IBaseFilter> filter;
        const HRESULT hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                 filter.ReleaseAndGetVoidAddress());
        if (result != nullptr) *result = hr;
        return filter;
      }
    }
    ADD_FAILURE() << "no device " << displayName;
    return nullptr;
  }

  ComPtr<IPin> PinNamed(const std::string& name) {
    ComPtr<IEnumPins> pins;
    EXPECT_EQ(filter_->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      PIN_INFO info;
      EXPECT_EQ(pin->QueryPinInfo(&info), S_OK);
      if (info.achName == name) return pin;
    }
    return nullptr;
  }

  static GUID CategoryOf(IPin* pin) {
    GUID category{};
    DWORD returned = 0;
    auto properties = ComPtr<IPin>(pin).As<IKsPropertySet>();
    EXPECT_TRUE(properties);
    EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                              sizeof category, &returned),
              S_OK);
    return category;
  }

  // The first capability's type at another size (as format discovery probes).
  static MediaType AtSize(IAMStreamConfig* config, int capability, LONG width, LONG height) {
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    EXPECT_EQ(config->GetStreamCaps(capability, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    MediaType result = MediaType::Adopt(type);
    BitmapHeaderOf(result.Get())->biWidth = width;
    BitmapHeaderOf(result.Get())->biHeight = height;
    return result;
  }

  ComPtr<IBaseFilter> filter_;
};

TEST_F(VirtualCamera, PinsHaveTheirDescribedCategories) {
  ASSERT_TRUE(filter_);
  EXPECT_EQ(CategoryOf(PinNamed("Capture").Get()), PIN_CATEGORY_CAPTURE);
  EXPECT_EQ(CategoryOf(PinNamed("Still").Get()), PIN_CATEGORY_PREVIEW);
  EXPECT_EQ(CategoryOf(PinNamed("VP").Get()), PIN_CATEGORY_VIDEOPORT);
}

TEST_F(VirtualCamera, StreamCapsDescribeEachCapability) {
  auto config = PinNamed("Capture").As<IAMStreamConfig>();
  ASSERT_TRUE(config);
  int count = 0;
  int size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));

  AM_MEDIA_TYPE* type = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps;
  ASSERT_EQ(config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
  const MediaType first = MediaType::Adopt(type);
  EXPECT_EQ(first->subtype, MEDIASUBTYPE_YUY2);
  EXPECT_EQ(ReadVideoFormat(first.Get())->width, 640);
  EXPECT_EQ(ReadVideoFormat(first.Get())->avgTimePerFrame, 333333);
  EXPECT_EQ(caps.MinOutputSize.cx, 160);
  EXPECT_EQ(caps.MaxOutputSize.cy, 480);
  EXPECT_EQ(caps.OutputGranularityX, 160);
  EXPECT_EQ(caps.MinFrameInterval, 333333);
  EXPECT_EQ(caps.MaxFrameInterval, 2000000);
  EXPECT_EQ(caps.VideoStandard, 0x040011u);

  ASSERT_EQ(config->GetStreamCaps(1, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
  EXPECT_EQ(MediaType::Adopt(type)->formattype, FORMAT_VideoInfo2);
  EXPECT_EQ(caps.MinOutputSize.cx, 352);  // no range: its own size only
  EXPECT_EQ(config->GetStreamCaps(2, &type, reinterpret_cast<BYTE*>(&caps)), S_FALSE);
}

TEST_F(VirtualCamera, QueryAcceptAnswersFromTheAcceptedSizes) {
  ComPtr<IPin> capture = PinNamed("Capture");
  auto config = capture.As<IAMStreamConfig>();
  // Ranges with granularity: 160 steps of width, 120 of height.
  EXPECT_EQ(capture->QueryAccept(AtSize(config.Get(), 0, 320, 240).Ptr()), S_OK);
  EXPECT_EQ(capture->QueryAccept(AtSize(config.Get(), 0, 160, 480).Ptr()), S_OK);
  EXPECT_EQ(capture->QueryAccept(AtSize(config.Get(), 0, 330, 240).Ptr()), S_FALSE);
  EXPECT_EQ(capture->QueryAccept(AtSize(config.Get(), 0, 800, 600).Ptr()), S_FALSE);
  EXPECT_EQ(capture->QueryAccept(AtSize(config.Get(), 0, 80, 60).Ptr()), S_FALSE);
  // A capability without a range takes its own size only.
  EXPECT_EQ(capture->QueryAccept(AtSize(config.Get(), 1, 352, 288).Ptr()), S_OK);
  EXPECT_EQ(capture->QueryAccept(AtSize(config.Get(), 1, 176, 144).Ptr()), S_FALSE);
  // A rate outside the capability's range is refused.
  MediaType fast = AtSize(config.Get(), 0, 640, 480);
  SetAvgTimePerFrame(fast.Get(), 100000);
  EXPECT_EQ(capture->QueryAccept(fast.Ptr()), S_FALSE);

  // The listed sizes of a pin are all it takes, whatever the capabilities' ranges.
  ComPtr<IPin> still = PinNamed("Still");
  auto stillConfig = still.As<IAMStreamConfig>();
  EXPECT_EQ(still->QueryAccept(AtSize(stillConfig.Get(), 0, 320, 240).Ptr()), S_OK);
  EXPECT_EQ(still->QueryAccept(AtSize(stillConfig.Get(), 0, 640, 480).Ptr()), S_FALSE);

  MediaType overlay(MEDIATYPE_Video, MEDIASUBTYPE_Overlay, FORMAT_VideoInfo);
  EXPECT_EQ(still->QueryAccept(overlay.Ptr()), S_OK);
  EXPECT_EQ(capture->QueryAccept(overlay.Ptr()), S_FALSE);
}

TEST_F(VirtualCamera, SetFormatChangesWhatTheUnconnectedPinOffersFirst) {
  ComPtr<IPin> capture = PinNamed("Capture");
  auto config = capture.As<IAMStreamConfig>();
  MediaType small = AtSize(config.Get(), 0, 320, 240);
  ASSERT_EQ(config->SetFormat(&small.Get()), S_OK);
  AM_MEDIA_TYPE* current = nullptr;
  ASSERT_EQ(config->GetFormat(&current), S_OK);
  EXPECT_EQ(ReadVideoFormat(*current)->width, 320);
  DeleteMediaType(current);
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(capture->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
  AM_MEDIA_TYPE* first = nullptr;
  ASSERT_EQ(types->Next(1, &first, nullptr), S_OK);
  EXPECT_EQ(ReadVideoFormat(*first)->width, 320);
  DeleteMediaType(first);

  MediaType wrong = AtSize(config.Get(), 0, 333, 240);
  EXPECT_EQ(config->SetFormat(&wrong.Get()), VFW_E_INVALIDMEDIATYPE);
}

TEST_F(VirtualCamera, ProcAmpHasTheDescribedRangesAndDefaults) {
  auto procAmp = filter_.As<IAMVideoProcAmp>();
  ASSERT_TRUE(procAmp);
  LONG min = 0, max = 0, step = 0, def = 0, flags = 0;
  ASSERT_EQ(procAmp->GetRange(VideoProcAmp_WhiteBalance, &min, &max, &step, &def, &flags), S_OK);
  EXPECT_EQ(min, 2800);
  EXPECT_EQ(max, 6500);
  EXPECT_EQ(def, 4600);
  EXPECT_EQ(procAmp->GetRange(VideoProcAmp_BacklightCompensation, &min, &max, &step, &def, &flags),
            E_PROP_ID_UNSUPPORTED);
  LONG value = 0;
  ASSERT_EQ(procAmp->Get(VideoProcAmp_Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 128);
  EXPECT_EQ(procAmp->Set(VideoProcAmp_Brightness, 40, VideoProcAmp_Flags_Auto), S_OK);
  EXPECT_EQ(procAmp->Set(VideoProcAmp_Brightness, 256, VideoProcAmp_Flags_Manual), E_INVALIDARG);
  ASSERT_EQ(procAmp->Get(VideoProcAmp_Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 40);
}

TEST_F(VirtualCamera, AnalogControlsKeepToTheirStandardsAndChannels) {
  auto decoder = filter_.As<IAMAnalogVideoDecoder>();
  ASSERT_TRUE(decoder);
  LONG value = 0;
  ASSERT_EQ(decoder->get_AvailableTVFormats(&value), S_OK);
  EXPECT_EQ(value, 0x040011);
  EXPECT_EQ(decoder->put_TVFormat(AnalogVideo_PAL_G), E_INVALIDARG);
  EXPECT_EQ(decoder->put_TVFormat(AnalogVideo_PAL_B | AnalogVideo_NTSC_M), E_INVALIDARG);
  EXPECT_EQ(decoder->put_TVFormat(AnalogVideo_SECAM_L), S_OK);
  ASSERT_EQ(decoder->get_NumberOfLines(&value), S_OK);
  EXPECT_EQ(value, 625);

  auto tuner = filter_.As<IAMTVTuner>();
  ASSERT_TRUE(tuner);
  EXPECT_EQ(tuner->put_Channel(70, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT), E_INVALIDARG);
  EXPECT_EQ(tuner->put_Channel(12, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT), S_OK);
  LONG video = 0, audio = 0;
  ASSERT_EQ(tuner->get_Channel(&value, &video, &audio), S_OK);
  EXPECT_EQ(value, 12);
  // Interfaces the description does not name are not there.
  EXPECT_FALSE(filter_.As<IAMTVAudio>());
  EXPECT_FALSE(filter_.As<IAMExtTransport>());
}

TEST_F(VirtualCamera, TheTimecodeReaderReadsTheTapeAndItsTrack) {
  auto reader = filter_.As<IAMTimecodeReader>();
  ASSERT_TRUE(reader);
  TIMECODE_SAMPLE sample;
  sample.dwFlags = ED_DEVCAP_TIMECODE_READ;
  ASSERT_EQ(reader->GetTimecode(&sample), S_OK);
  EXPECT_EQ(sample.timecode.dwFrames, 0x00595924u);
  sample.dwFlags = ED_DEVCAP_ATN_READ;
  ASSERT_EQ(reader->GetTimecode(&sample), S_OK);
  EXPECT_EQ(sample.timecode.dwFrames, 12u);

  auto blank = Bind(R"({"friendlyName": "DV", "timecode": {"blank": true}})");
  sample.dwFlags = ED_DEVCAP_TIMECODE_READ;
  ASSERT_EQ(blank.As<IAMTimecodeReader>()->GetTimecode(&sample), S_OK);
  EXPECT_EQ(sample.timecode.dwFrames, 0xFFFFFFFFu);
}

TEST_F(VirtualCamera, DriverDialogsAreReportedNotDrawn) {
  std::vector<int> shown;
  virtualdevices::SetDriverDialogObserver([&](const std::string& device, int dialog, OAHWND) {
    EXPECT_EQ(device, "Cam");
    shown.push_back(dialog);
  });
  auto dialogs = filter_.As<IAMVfwCaptureDialogs>();
  ASSERT_TRUE(dialogs);
  EXPECT_EQ(dialogs->HasDialog(VfwCaptureDialog_Format), S_OK);
  EXPECT_EQ(dialogs->HasDialog(VfwCaptureDialog_Source), S_FALSE);
  EXPECT_EQ(dialogs->ShowDialog(VfwCaptureDialog_Source, 0), E_INVALIDARG);
  EXPECT_EQ(dialogs->ShowDialog(VfwCaptureDialog_Format, 0), S_OK);
  EXPECT_EQ(shown, std::vector<int>{VfwCaptureDialog_Format});
}

TEST_F(VirtualCamera, DescribedFaultsShowWhereTheyWould) {
  HRESULT hr = S_OK;
  EXPECT_FALSE(Bind(R"({"friendlyName": "A", "faults": {"bindFails": true}})", &hr));
  EXPECT_EQ(hr, E_FAIL);

  auto held = Bind(R"({"friendlyName": "C", "faults": {"inUse": true}})");
  EXPECT_EQ(held->Pause(), devices::kDeviceInUse);
  FILTER_STATE state;
  EXPECT_EQ(held->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
}

TEST_F(VirtualCamera, ADeviceStreamsToOneFilterAtATime) {
  const auto plugged = virtualdevices::Plug(R"({"friendlyName": "Shared"})");
  auto first = BindName(plugged.displayNames[0]);
  auto second = BindName(plugged.displayNames[0]);
  EXPECT_EQ(first->Pause(), VFW_S_CANT_CUE);
  EXPECT_EQ(second->Pause(), devices::kDeviceInUse);
  EXPECT_EQ(first->Stop(), S_OK);
  EXPECT_EQ(second->Pause(), VFW_S_CANT_CUE);
  EXPECT_EQ(second->Stop(), S_OK);

  // Unplugged, a bound filter cannot start.
  ASSERT_TRUE(virtualdevices::Unplug(plugged.displayNames[0]));
  EXPECT_EQ(first->Pause(), devices::kDeviceNotConnected);
}

}  // namespace
