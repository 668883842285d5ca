// Discovering virtual devices: probing once and reading the device's key afterwards, the
// capability flags of cards, camcorders and cameras, the size and subtype lists, and the base
// graph restoring and applying the settings.

#include <fstream>
#include <sstream>

#include "ComponentFixture.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "registry/TRegistry2.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/FormatSetting.h"
#include "rudozav/devices/SettingsStore.h"

namespace rudozav_test {
namespace {

constexpr char kCamera[] = R"({"devices": [{"category": "video", "friendlyName": "Desk Camera",
  "vid": "1d6b", "pid": "0102",
  "pins": [{"name": "Capture", "role": "capture", "formats": [
    {"subtype": "YUY2", "size": [640, 480], "frameRate": 30, "frameRates": [5, 30],
     "minSize": [160, 120], "maxSize": [640, 480], "granularity": [160, 120]},
    {"subtype": "RGB24", "size": [320, 240], "frameRate": 15, "frameRates": [5, 30],
     "minSize": [160, 120], "maxSize": [640, 480], "granularity": [160, 120]}]}],
  "procAmp": {
    "brightness": {"min": 0, "max": 255, "step": 1, "default": 128, "flags": ["manual"]},
    "contrast": {"min": 0, "max": 100, "step": 1, "default": 50, "flags": ["manual"]}}},
  {"category": "audio", "friendlyName": "Desk Microphone",
   "formats": [{"samplesPerSec": 44100, "bitsPerSample": 16, "channels": 2},
               {"samplesPerSec": 8000, "bitsPerSample": 8, "channels": 1}]}]})";

constexpr char kCameraBanner[] = "BEGIN Discovering Desk Camera (WDM)\n";

std::string Fixture(const char* name) {
  std::ifstream file(std::string(RUDOZAV_FIXTURES) + "/" + name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

class DiscoveryTest : public ComponentTest {
 protected:
  DiscoveryTest() : ComponentTest(true, true) {}

  TRavorOderiri& LoadedWith(const std::string& json) {
    EXPECT_TRUE(virtualdevices::Plug(json));
    TRavorOderiri& component = Create();
    component.OnDiscoveringNewDevice = [this](TRavorOderiri*, const std::string& name, bool done) {
      events.push_back("Discovering " + name + (done ? " done" : ""));
    };
    component.SetAutoStartPreview(false);
    component.Loaded();
    return component;
  }

  static bool Flag(const TRavorOderiri& component, TRegSaveIndex index) {
    return component.State().settings[index].BoolValue;
  }

  static MediaType CurrentFormat(IAMStreamConfig& config) {
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(config.GetFormat(&type), S_OK);
    return MediaType::Adopt(type);
  }
};

TEST_F(DiscoveryTest, TheFirstSelectionProbesAndLaterSelectionsReadTheKey) {
  TRavorOderiri& first = LoadedWith(kCamera);
  EXPECT_EQ(Count(LogText(), "BEGIN Discovering Desk Camera (WDM)"), 1);
  EXPECT_EQ(Count(LogText(), "END Discovering Desk Camera (WDM)"), 1);
  EXPECT_TRUE(LogHasLine("MEDIATYPE_Video"));
  EXPECT_TRUE(LogHasLine("procamp available: YES"));
  EXPECT_TRUE(LogHasLine("tv tuner available: no"));
  EXPECT_TRUE(Flag(first, rs_DeviceDiscovered));
  EXPECT_TRUE(first.VideoProcAmpAvailable());
  EXPECT_FALSE(first.VideoCrossbarAvailable());
  const std::string key = DeviceKeyPath(first);
  EXPECT_EQ(key.rfind("\\Software\\RavorOderiri\\Devices\\Desk Camera (WDM) @device:pnp:", 0), 0u);
  EXPECT_TRUE(TRegistry2().KeyExists(key));

  first.SelectVideoDevice(0);
  TRavorOderiri& second = Create();
  second.SetAutoStartPreview(false);
  second.Loaded();  // the first one holds no graph, so the device is free
  EXPECT_EQ(Count(LogText(), kCameraBanner), 1);
  EXPECT_TRUE(Flag(second, rs_DeviceDiscovered));
  EXPECT_EQ(second.VideoSizes(), first.VideoSizes());
  EXPECT_EQ(events, (std::vector<std::string>{"Discovering Desk Camera (WDM)",
                                              "Discovering Desk Camera (WDM) done"}));

  // A new run finds the same key.
  FinishProcess();
  {
    TRudOzavProcess again;
    TRavorOderiri& third = CreateLoaded();
    EXPECT_EQ(Count(LogText(), kCameraBanner), 0);
    EXPECT_TRUE(third.VideoProcAmpAvailable());
    EXPECT_EQ(third.VideoSubTypes(), "default\r\nYUY2\r\nRGB24");
    third.StartPreview();  // the base graph runs, whatever the rest of the graph does
    EXPECT_TRUE(LogHasLine("BASEGR BEGIN"));
    EXPECT_TRUE(LogHasLine("BASEGR END"));
    EXPECT_EQ(Count(LogText(), kCameraBanner), 0);
    Destroy(third);
  }
}

TEST_F(DiscoveryTest, ADeviceThatCannotBeProbedIsProbedAgainAtEverySelection) {
  TRavorOderiri& component = LoadedWith(R"({"category": "video", "friendlyName": "Broken Camera",
                                            "faults": {"bindFails": true}})");
  component.SelectVideoDevice(0);
  EXPECT_EQ(Count(LogText(), "BEGIN Discovering Broken Camera"), 2);
  EXPECT_EQ(Count(LogText(), "END Discovering Broken Camera"), 0);
  EXPECT_FALSE(Flag(component, rs_DeviceDiscovered));
  EXPECT_FALSE(TRegistry2().KeyExists(DeviceKeyPath(component)));
  EXPECT_EQ(events.back(), "Discovering Broken Camera (WDM) done");
}

TEST_F(DiscoveryTest, DeletingTheKeyMakesTheNextRunProbeAgain) {
  const std::string key = DeviceKeyPath(LoadedWith(kCamera));
  FinishProcess();
  ASSERT_TRUE(TRegistry2().DeleteKey(key));
  TRudOzavProcess again;
  TRavorOderiri& component = CreateLoaded();
  EXPECT_EQ(Count(LogText(), kCameraBanner), 1);
  EXPECT_TRUE(component.VideoProcAmpAvailable());
  EXPECT_TRUE(TRegistry2().KeyExists(key));
  Destroy(component);
}

TEST_F(DiscoveryTest, ADVCamcorderIsInterleavedWithTheDecoderResolutionsAsSizes) {
  TRavorOderiri& component = LoadedWith(Fixture("dv-camcorder.json"));
  EXPECT_TRUE(LogHasLine("MEDIATYPE_Interleaved"));
  EXPECT_TRUE(LogHasLine("Digital video in: YES"));
  EXPECT_TRUE(component.IsDVDevice());
  EXPECT_EQ(component.State().sizeList,
            (std::vector<std::string>{"    half", "   dc", "  quarter", " half", "full"}));
  EXPECT_EQ(component.VideoSizes(), "default\r\ndc\r\nquarter\r\nhalf\r\nfull");
  EXPECT_EQ(component.VideoSubTypes(), "default\r\ndvsd");
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(DeviceKeyPath(component)));
  std::string value;
  EXPECT_TRUE(registry.ReadString("FMT004", &value));
  EXPECT_EQ(value, "full");

  // The subtype is set, sizes are not used.
  ASSERT_TRUE(component.BuildBaseGraph(false));
  EXPECT_TRUE(LogHasLine("63 ok: set video format"));
  component.ClearGraph();
}

TEST_F(DiscoveryTest, ATvCardReportsItsControlsAndInputs) {
  TRavorOderiri& component = LoadedWith(Fixture("tv-card.json"));
  EXPECT_TRUE(component.VideoCrossbarAvailable());
  EXPECT_TRUE(component.AnalogVideoDecoderAvailable());
  EXPECT_TRUE(component.VideoProcAmpAvailable());
  EXPECT_TRUE(component.VideoPortAvailable());  // the preview pin takes an overlay
  EXPECT_FALSE(component.IsDVDevice());
  EXPECT_TRUE(Flag(component, rs_IsAudioCrossbarAvail));
  EXPECT_TRUE(Flag(component, rs_IsTVTunerAvail));
  EXPECT_TRUE(Flag(component, rs_IsTVAudioAvail));
  EXPECT_TRUE(Flag(component, rs_IsAnalogVideoIn));
  EXPECT_FALSE(Flag(component, rs_IsVfw));
  EXPECT_EQ(component.VideoInputs(), "Tuner\r\nComposite\r\nSVideo\r\nComposite 1");
  EXPECT_EQ(component.State().settings[rs_ANTVFormats].IntValue,
            AnalogVideo_NTSC_M | AnalogVideo_PAL_B | AnalogVideo_SECAM_L);
  for (const char* line : {"WDM video port NOT found", "preview pin found", "vfw video port: YES",
                           "video crossbar available: YES", "audio crossbar available: YES"})
    EXPECT_TRUE(LogHasLine(line)) << line;
}

TEST_F(DiscoveryTest, AVideoPortPinMakesOverlayAvailableWithoutTheMediaTypeTest) {
  TRavorOderiri& component = LoadedWith(R"({"category": "video", "friendlyName": "VP Card",
    "pins": [{"name": "Capture", "role": "capture"}, {"name": "VP", "role": "videoPort"}]})");
  EXPECT_TRUE(component.VideoPortAvailable());
  EXPECT_TRUE(LogHasLine("WDM video port"));
  EXPECT_EQ(LogText().find("preview pin"), std::string::npos);
}

TEST_F(DiscoveryTest, AVfwDeviceIsWarnedAboutAtEveryBaseGraph) {
  TRavorOderiri& component =
      LoadedWith(R"({"category": "video", "friendlyName": "Old Card", "kind": "vfw"})");
  EXPECT_TRUE(Flag(component, rs_IsVfw));
  Record(component);
  ASSERT_TRUE(component.BuildBaseGraph(false));
  ASSERT_TRUE(component.BuildBaseGraph(false));
  const std::string warning =
      "ErrorLog 67 Warning: vfw drivers are not very efficient and rather slow with TRavorOderiri, "
      "you should upgrade to a WDM driver";
  EXPECT_EQ(std::count(events.begin(), events.end(), warning), 2);
  component.ClearGraph();
}

TEST_F(DiscoveryTest, SizesAreFoundFromTheCapabilitiesAndStored) {
  TRavorOderiri& component = LoadedWith(kCamera);
  EXPECT_EQ(
      component.State().sizeList,
      (std::vector<std::string>{"    640x480", " 160x120", " 320x240", " 480x360", " 640x480"}));
  EXPECT_EQ(component.VideoSizes(), "default\r\n160x120\r\n320x240\r\n480x360\r\n640x480");
  EXPECT_EQ(component.VideoSubTypes(), "default\r\nYUY2\r\nRGB24");
  EXPECT_TRUE(LogHasLine("CapAvail: looping capabilities 2"));
  EXPECT_TRUE(LogHasLine("VideoInfo: adding size:  160x120"));
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(DeviceKeyPath(component)));
  std::string value;
  EXPECT_TRUE(registry.ReadString("FMT000", &value));
  EXPECT_EQ(value, "    640x480");
  EXPECT_TRUE(registry.ReadString("SBT001", &value));
  EXPECT_EQ(value, StringFromGUID(MEDIASUBTYPE_YUY2));
  EXPECT_FALSE(registry.ValueExists("FMT005"));
}

// Every entry of the table, given a value that is no default, is written when the graph is
// cleared and read back by the next component on the device, stored as its kind says.
TEST_F(DiscoveryTest, EveryEntryOfTheTableSurvivesAClearAndANewComponent) {
  TRavorOderiri& first = LoadedWith(kCamera);
  TRegSave& table = first.State().settings;
  ASSERT_TRUE(table[rs_DeviceDiscovered].BoolValue);
  for (std::size_t i = 0; i < kRegSaveCount; ++i) {
    table[i].IntValue = 1000 + static_cast<std::int32_t>(i);
    table[i].StrValue = "entry " + std::to_string(i);
    table[i].BoolValue = true;
    table[i].FloatValue = 7.25 + static_cast<double>(i);
  }
  first.ClearGraph();
  const std::string key = DeviceKeyPath(first);
  const TRegSave written = table;
  Destroy(first);

  TRavorOderiri& second = LoadedWith(kCamera);
  ASSERT_EQ(DeviceKeyPath(second), key);
  const TRegSave& loaded = second.State().settings;
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(key));
  for (std::size_t i = 0; i < kRegSaveCount; ++i) {
    const TSaveInfo& entry = written[i];
    SCOPED_TRACE(entry.Name);
    EXPECT_EQ(loaded[i].Name, entry.Name);
    EXPECT_EQ(loaded[i].Kind, entry.Kind);
    // The typed reads succeed only for the registry type of the kind (a DWORD, a string, 8
    // bytes of binary).
    std::int32_t number = 0;
    std::string text;
    double real = 0.0;
    switch (entry.Kind) {
      case sk_Integer:
        EXPECT_EQ(loaded[i].IntValue, entry.IntValue);
        EXPECT_TRUE(registry.ReadInteger(entry.Name, &number));
        EXPECT_EQ(number, entry.IntValue);
        break;
      case sk_Boolean:
        EXPECT_TRUE(loaded[i].BoolValue);
        EXPECT_TRUE(registry.ReadInteger(entry.Name, &number));
        EXPECT_EQ(number, 1);
        break;
      case sk_String:
        EXPECT_EQ(loaded[i].StrValue, entry.StrValue);
        EXPECT_TRUE(registry.ReadString(entry.Name, &text));
        EXPECT_EQ(text, entry.StrValue);
        break;
      case sk_Float:
        EXPECT_EQ(loaded[i].FloatValue, entry.FloatValue);
        EXPECT_TRUE(registry.ReadFloat(entry.Name, &real));
        EXPECT_EQ(real, entry.FloatValue);
        break;
    }
  }
}

TEST_F(DiscoveryTest, TheBaseGraphSetsTheChosenFormatAndFallsBackToIndexZero) {
  TRavorOderiri& component = LoadedWith(kCamera);
  TRavorOdeririState& state = component.State();
  state.settings[rs_VideoSubtype].IntValue = 2;  // RGB24
  state.settings[rs_VideoSize].IntValue = 1;     // 160x120
  ASSERT_TRUE(component.BuildBaseGraph(false));
  ASSERT_TRUE(state.graph->streamConfig);
  MediaType format = CurrentFormat(*state.graph->streamConfig);
  EXPECT_EQ(format->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(BitmapHeaderOf(format.Get())->biWidth, 160);

  events.clear();
  Record(component);
  state.settings[rs_VideoSize].IntValue = 7;
  EXPECT_TRUE(SetVideoFormat(component));
  EXPECT_EQ(component.VideoSize(), 0);
  EXPECT_EQ(events, std::vector<std::string>{
                        "ErrorLog 40 Warning: VideoSize index out of range, index 0 used instead"});
  format = CurrentFormat(*state.graph->streamConfig);
  EXPECT_EQ(BitmapHeaderOf(format.Get())->biWidth, 640);
  component.ClearGraph();
}

TEST_F(DiscoveryTest, FrameRatesGoInTruncatedAndComeBackWhole) {
  TRavorOderiri& component = LoadedWith(kCamera);
  TRavorOdeririState& state = component.State();
  ASSERT_TRUE(component.BuildBaseGraph(false));
  state.settings[rs_FrameRate].FloatValue = 29.999;
  ApplyFrameRate(component);
  EXPECT_DOUBLE_EQ(component.FrameRate(), 29.99);
  MediaType format = CurrentFormat(*state.graph->streamConfig);
  EXPECT_EQ(ReadVideoFormat(format.Get())->avgTimePerFrame, 333444);

  // As if the user chose another format in the device's dialog.
  auto chosen = MakeVideoMediaType(MEDIASUBTYPE_RGB24, 320, 240, 333667);
  ASSERT_TRUE(chosen);
  ASSERT_EQ(state.graph->streamConfig->SetFormat(&chosen->Get()), S_OK);
  ReadCurrentFormat(component);
  ReadFrameRate(component);
  EXPECT_DOUBLE_EQ(component.FrameRate(), 30.0);
  EXPECT_EQ(component.VideoSubType(), 2);
  EXPECT_EQ(component.VideoSize(), 2);
  component.ClearGraph();
}

TEST_F(DiscoveryTest, SavedPictureValuesAreAppliedExceptUnsetOnesAndCapturedAtClear) {
  TRavorOderiri& component = LoadedWith(kCamera);
  TRavorOdeririState& state = component.State();
  state.settings[rs_ProcAmp_Brightness].IntValue = 200;
  ASSERT_TRUE(component.BuildBaseGraph(false));
  ASSERT_TRUE(state.graph->procAmp);
  LONG value = 0;
  LONG flags = 0;
  ASSERT_EQ(state.graph->procAmp->Get(VideoProcAmp_Brightness, &value, &flags), S_OK);
  EXPECT_EQ(value, 200);
  ASSERT_EQ(state.graph->procAmp->Get(VideoProcAmp_Contrast, &value, &flags), S_OK);
  EXPECT_EQ(value, 50);  // never set: the device keeps its own
  EXPECT_TRUE(state.graph->procAmpRanges[1].Available);
  EXPECT_EQ(state.graph->procAmpRanges[1].Max, 100);
  EXPECT_FALSE(state.graph->procAmpRanges[2].Available);  // no hue

  component.ClearGraph();
  EXPECT_EQ(state.settings[rs_ProcAmp_Contrast].IntValue, 50);
  EXPECT_EQ(state.settings[rs_ProcAmp_Hue].IntValue, NOT_SET);
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(DeviceKeyPath(component)));
  std::int32_t saved = 0;
  EXPECT_TRUE(registry.ReadInteger("ProcAmp_Contrast", &saved));
  EXPECT_EQ(saved, 50);
}

TEST_F(DiscoveryTest, WithoutStoredSettingsTheFlagsComeBackButTheSettingsStartAnew) {
  TRavorOderiri& first = LoadedWith(kCamera);
  first.State().settings[rs_VideoSize].IntValue = 3;
  first.ClearGraph();  // saves
  Destroy(first);

  TRavorOderiri& second = Create();
  second.SetAutoStartPreview(false);
  second.SetStoreDeviceSettingsInRegistry(false);
  second.Loaded();
  EXPECT_EQ(Count(LogText(), kCameraBanner), 1);
  EXPECT_TRUE(second.VideoProcAmpAvailable());
  EXPECT_EQ(second.VideoSize(), 0);
  EXPECT_EQ(second.VideoSizes(), "default\r\n160x120\r\n320x240\r\n480x360\r\n640x480");
  second.ClearGraph();  // still written
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(DeviceKeyPath(second)));
  std::int32_t size = -1;
  EXPECT_TRUE(registry.ReadInteger("VideoSize", &size));
  EXPECT_EQ(size, 0);
}

TEST_F(DiscoveryTest, CrossbarRoutingIsRestoredOnlyWhenItsCountFits) {
  TRavorOderiri& component = LoadedWith(Fixture("tv-card.json"));
  TRavorOdeririState& state = component.State();
  state.settings[rs_VIDEOCROSSBARAVAIL].BoolValue = true;
  state.settings[rs_AMVideoCrossbar].StrValue = "3!1!4!0!";
  ASSERT_TRUE(component.BuildBaseGraph(false));
  ASSERT_TRUE(state.graph->videoCrossbar);
  LONG input = -1;
  ASSERT_EQ(state.graph->videoCrossbar->get_IsRoutedTo(0, &input), S_OK);
  EXPECT_EQ(input, 0);
  component.ClearGraph();
  EXPECT_EQ(state.settings[rs_AMVideoCrossbar].StrValue.substr(0, 4), "2!0!");

  state.settings[rs_AMVideoCrossbar].StrValue = "2!2!5!";
  ASSERT_TRUE(component.BuildBaseGraph(false));
  ASSERT_EQ(state.graph->videoCrossbar->get_IsRoutedTo(0, &input), S_OK);
  EXPECT_EQ(input, 2);
  EXPECT_EQ(state.graph->videoCrossbarPins.OutputCount, 2);
  component.ClearGraph();
  EXPECT_EQ(state.settings[rs_AMVideoCrossbar].StrValue, "2!2!5!");
}

TEST_F(DiscoveryTest, TheAudioFormatIsAppliedAsPcm) {
  TRavorOderiri& component = LoadedWith(kCamera);
  component.ChangeState(cs_Preview);
  ASSERT_TRUE(component.BuildBaseGraph(true));
  TRavorOdeririState& state = component.State();
  ASSERT_TRUE(state.graph->audioStreamConfig);
  component.SetAudioFormat(af_11025_8b_2ch);
  ApplyAudioFormat(component);
  MediaType format = CurrentFormat(*state.graph->audioStreamConfig);
  const WAVEFORMATEX* wave = format.FormatAs<WAVEFORMATEX>();
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->nSamplesPerSec, 11025u);
  EXPECT_EQ(wave->wBitsPerSample, 8);
  EXPECT_EQ(wave->nChannels, 2);
  EXPECT_EQ(wave->nBlockAlign, 2);
  EXPECT_EQ(wave->nAvgBytesPerSec, 22050u);
  component.ClearGraph();
  component.ChangeState(cs_Down);
}

}  // namespace
}  // namespace rudozav_test
