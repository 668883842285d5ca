// Analog video standards: the names of a decoder's standards, selecting one by its place in the
// list, when the selection reaches the decoder, and keeping it with the device's settings, on a
// virtual TV card and on the same card served by the in-memory V4L2 driver.

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

#include "ComponentFixture.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/FakeV4l2Description.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "registry/TRegistry2.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/AnalogStandards.h"
#include "rudozav/devices/SettingsStore.h"

namespace rudozav_test {
namespace {

constexpr char kOutOfRange[] = "ErrorLog 40 Error: set analog standard: index out of range";
constexpr std::int32_t kNtscPalBSecamL = 0x040011;  // the TV card's decoder

std::string TvCard() {
  std::ifstream file(std::string(RUDOZAV_FIXTURES) + "/tv-card.json");
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

TEST(AnalogStandardNamesTest, NamesFollowTheTableAndLeaveOutUnknownBits) {
  struct Row {
    std::int32_t mask;
    const char* names;
  };
  const Row rows[] = {
      {kNtscPalBSecamL, "NTSC M\r\nPAL B\r\nSECAM L"},
      {0x000040, ""},             // PAL G alone
      {0x000058, "PAL B"},        // PAL G and bit 0x8 have no row
      {0x300000, "PAL N COMBO"},  // bits above it are ignored
      {0, ""},
      {-1,
       "NTSC M\r\nNTSC M J\r\nNTSC 433\r\nPAL B\r\nPAL D\r\nPAL H\r\nPAL I\r\nPAL M\r\nPAL N\r\n"
       "PAL 60\r\nSECAM B\r\nSECAM D\r\nSECAM G\r\nSECAM H\r\nSECAM K\r\nSECAM K1\r\nSECAM L\r\n"
       "SECAM L1\r\nPAL N COMBO"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(StandardNames(row.mask), row.names) << row.mask;
}

class AnalogStandardTest : public ComponentTest {
 protected:
  AnalogStandardTest() : ComponentTest(true, true) {}

  TRavorOderiri& LoadedCard() {
    EXPECT_TRUE(virtualdevices::Plug(TvCard()));
    return Opened();
  }
  TRavorOderiri& Opened() {
    TRavorOderiri& component = CreateLoaded();
    Record(component);
    return component;
  }

  // The standard the decoder of the graph runs; 0 without a decoder in a graph.
  static LONG DecoderStandard(const TRavorOderiri& component) {
    const auto& decoder = component.State().graph->analogVideoDecoder;
    LONG standard = 0;
    if (decoder) {
      EXPECT_EQ(decoder->get_TVFormat(&standard), S_OK);
    }
    return standard;
  }
  static int BaseGraphs() { return Count(LogText(), "BASEGR BEGIN"); }
  int Reports(const char* text) const { return std::count(events.begin(), events.end(), text); }
};

TEST_F(AnalogStandardTest, AnUnknownNameIsLoggedAndStandsForNtscM) {
  for (const char* name : {"pal b", "PAL G", ""})
    EXPECT_EQ(StandardValue(name), AnalogVideo_NTSC_M) << name;
  EXPECT_EQ(Count(LogText(), "ERROR: invalid tv format"), 3);
}

// Before a selection the first line is the one shown; a refused index stores nothing.
TEST_F(AnalogStandardTest, AStandardIsSelectedByItsPlaceInTheOfferedList) {
  struct Row {
    std::int32_t offered;
    int index;
    const char* list;
    std::int32_t stored;
  };
  const Row rows[] = {
      {kNtscPalBSecamL, 2, "NTSC M\r\nPAL B\r\nSECAM L", AnalogVideo_SECAM_L},
      {kNtscPalBSecamL, 3, "NTSC M\r\nPAL B\r\nSECAM L", 0},
      {kNtscPalBSecamL, -1, "NTSC M\r\nPAL B\r\nSECAM L", 0},
      {AnalogVideo_PAL_B | AnalogVideo_PAL_D | AnalogVideo_PAL_G, 1, "PAL B\r\nPAL D",
       AnalogVideo_PAL_D},
      {AnalogVideo_PAL_G, 0, "", 0},
  };
  TRavorOderiri& card = LoadedCard();
  TRegSave& settings = card.State().settings;
  for (const Row& row : rows) {
    settings[rs_ANTVFormats].IntValue = row.offered;
    settings[rs_ANTVFormat].IntValue = 0;
    events.clear();
    EXPECT_EQ(card.AnalogVideoStandards(), row.list);
    EXPECT_EQ(card.AnalogVideoStandard(), 0);
    card.SetAnalogVideoStandard(row.index);
    EXPECT_EQ(settings[rs_ANTVFormat].IntValue, row.stored) << row.list << " " << row.index;
    EXPECT_EQ(card.AnalogVideoStandard(), row.stored != 0 ? row.index : 0);
    EXPECT_EQ(Reports(kOutOfRange), row.stored == 0 ? 1 : 0) << row.list << " " << row.index;
  }
}

TEST_F(AnalogStandardTest, OnlyOneOfferedStandardHasAPlaceOtherwiseItIsZero) {
  TRavorOderiri& card = LoadedCard();
  TRegSave& settings = card.State().settings;
  ASSERT_EQ(settings[rs_ANTVFormats].IntValue, kNtscPalBSecamL);
  const std::pair<std::int32_t, int> rows[] = {
      {AnalogVideo_SECAM_L, 2},
      {AnalogVideo_PAL_B, 1},
      {AnalogVideo_SECAM_L | AnalogVideo_PAL_B, 0},  // several bits
      {AnalogVideo_PAL_D, 0},                        // not offered
      {AnalogVideo_PAL_G, 0}};                       // no row
  for (const auto& [selected, index] : rows) {
    settings[rs_ANTVFormat].IntValue = selected;
    EXPECT_EQ(card.AnalogVideoStandard(), index) << selected;
  }
}

TEST_F(AnalogStandardTest, WithoutADecoderNothingIsListedAndEveryIndexIsOutOfRange) {
  ASSERT_TRUE(virtualdevices::Plug(devices::DemoDescriptionJson()));
  TRavorOderiri& camera = Opened();
  ASSERT_FALSE(camera.AnalogVideoDecoderAvailable());
  EXPECT_EQ(camera.AnalogVideoStandards(), "");
  EXPECT_EQ(camera.AnalogVideoStandard(), 0);
  for (int index : {0, 1})
    camera.SetAnalogVideoStandard(index);
  EXPECT_EQ(Reports(kOutOfRange), 2);
  EXPECT_EQ(camera.State().settings[rs_ANTVFormat].IntValue, 0);
}

// A running preview is rebuilt with the new standard when the component may refresh it; otherwise
// the next graph applies it, also the device's first graph, before its decoder state was ever
// captured. The standard already chosen rebuilds nothing.
TEST_F(AnalogStandardTest, TheChosenStandardReachesTheDecoderAtOnceOrWithTheNextGraph) {
  struct Row {
    const char* name;
    bool previewing;
    bool refresh;
    std::int32_t chosenBefore;
    int rebuilds;
    LONG decoderNow;  // 0: no graph
  };
  const Row rows[] = {
      {"previewing", true, true, 0, 1, AnalogVideo_SECAM_L},
      {"previewing without refresh", true, false, 0, 0, AnalogVideo_PAL_B},
      {"no graph yet", false, true, 0, 0, 0},
      {"chosen already", true, true, AnalogVideo_SECAM_L, 0, AnalogVideo_SECAM_L},
  };
  ASSERT_TRUE(virtualdevices::Plug(TvCard()));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TRavorOderiri& card = Opened();
    TRegSave& settings = card.State().settings;
    settings[rs_ANTVFormat].IntValue = row.chosenBefore;
    settings[rs_ANALOGVIDEODECODERAVAIL].BoolValue = false;  // as before the card's first graph
    card.SetRefreshPreviewOnParamChange(row.refresh);
    if (row.previewing) card.StartPreview();
    const int graphs = BaseGraphs();
    card.SetAnalogVideoStandard(2);
    EXPECT_EQ(BaseGraphs() - graphs, row.rebuilds);
    EXPECT_EQ(DecoderStandard(card), row.decoderNow);
    card.StartPreview();
    EXPECT_EQ(DecoderStandard(card), AnalogVideo_SECAM_L);
    Destroy(card);
  }
}

TEST_F(AnalogStandardTest, ASelectionWhileBusyIsQueuedAndTakesEffectWithTheNextGraph) {
  TRavorOderiri& card = LoadedCard();
  card.StartPreview();
  const int graphs = BaseGraphs();
  card.SetBusy(true);
  card.SetAnalogVideoStandard(2);
  EXPECT_TRUE(LogHasLine("11 Error: IN QUEUE 10"));
  EXPECT_EQ(card.AnalogVideoStandard(), 0);
  card.SetBusy(false);
  card.PollTick();
  EXPECT_TRUE(LogHasLine("11 Error: FROM QUEUE 10"));
  EXPECT_EQ(card.AnalogVideoStandard(), 2);
  EXPECT_EQ(BaseGraphs(), graphs);  // a queued selection never rebuilds the graph
  EXPECT_EQ(DecoderStandard(card), AnalogVideo_PAL_B);
  card.StartPreview();
  EXPECT_EQ(DecoderStandard(card), AnalogVideo_SECAM_L);
}

// The same card on both back-ends: the virtual decoder and a V4L2 node of the in-memory driver.
enum TBackend { kVirtual, kV4l2 };

class AnalogStandardRoundTripTest : public AnalogStandardTest,
                                    public ::testing::WithParamInterface<TBackend> {
 protected:
  void SetUp() override {
    AnalogStandardTest::SetUp();
    if (GetParam() == kV4l2) devices::SetDefaultV4l2Api(fake_);
  }
  void TearDown() override {
    AnalogStandardTest::TearDown();
    devices::SetDefaultV4l2Api(nullptr);
  }

  // A card fresh from its description: its decoder runs PAL B.
  void PlugCard() {
    if (GetParam() == kVirtual) {
      ASSERT_TRUE(virtualdevices::Plug(TvCard()));
      return;
    }
    const auto descriptions = devices::ParseDeviceDescriptions(TvCard(), nullptr);
    ASSERT_TRUE(descriptions && descriptions->size() == 1);
    fake_->UnplugAll();
    fake_->Plug("/dev/video0", devices::FakeV4l2DeviceFrom(descriptions->front()), true);
  }

  std::shared_ptr<devices::FakeV4l2> fake_ = std::make_shared<devices::FakeV4l2>();
};

TEST_P(AnalogStandardRoundTripTest, TheChosenStandardComesBackWhenTheComponentOpensAgain) {
  PlugCard();
  TRavorOderiri& first = CreateLoaded();
  ASSERT_EQ(first.VideoDevicesCount(), 1);
  ASSERT_EQ(first.AnalogVideoStandards(), "NTSC M\r\nPAL B\r\nSECAM L");
  first.StartPreview();
  ASSERT_EQ(DecoderStandard(first), AnalogVideo_PAL_B);
  first.SetAnalogVideoStandard(2);
  EXPECT_EQ(DecoderStandard(first), AnalogVideo_SECAM_L);
  first.StopPreview();
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(DeviceKeyPath(first)));
  std::int32_t saved = 0;
  EXPECT_TRUE(registry.ReadInteger("ANTVFormat", &saved));
  EXPECT_EQ(saved, AnalogVideo_SECAM_L);

  FinishProcess();
  SetUp();
  PlugCard();
  TRavorOderiri& second = CreateLoaded();
  EXPECT_EQ(second.AnalogVideoStandard(), 2);
  second.StartPreview();
  EXPECT_EQ(DecoderStandard(second), AnalogVideo_SECAM_L);
  EXPECT_TRUE(LogHasLine("analog standards:") && LogHasLine("SECAM L"));  // the base graph's list
  if (GetParam() == kV4l2) {
    EXPECT_NE(fake_->CurrentStandard("/dev/video0") & V4L2_STD_SECAM_L, 0u);
  }
}

std::string BackendName(const ::testing::TestParamInfo<TBackend>& param) {
  return param.param == kVirtual ? "VirtualDecoder" : "V4l2Node";
}

INSTANTIATE_TEST_SUITE_P(Backends, AnalogStandardRoundTripTest, ::testing::Values(kVirtual, kV4l2),
                         BackendName);

}  // namespace
}  // namespace rudozav_test
