// Frame counting, progress and time code: by each method on a scripted graph with scripted
// counters, and end to end on virtual cameras that drop frames or run a tape.

#include <string>
#include <vector>

#include "ComponentFixture.h"
#include "FakeMedia.h"
#include "clock/Clock.h"
#include "devices/virtual/VirtualDevices.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/frames/FrameCounting.h"

namespace rudozav_test {
namespace {

// The capture pin's dropped-frame counter and the camcorder's time code reader, as scripted.
class FakeCounters : public ComObject<FakeCounters, IAMDroppedFrames, IAMTimecodeReader> {
 public:
  LONG dropped = 0;
  LONG notDropped = 0;
  int notDroppedReads = 0;
  DWORD timecode = 0x01234517;
  DWORD track = 7;
  HRESULT timecodeResult = S_OK;
  int timecodeReads = 0;

  HRESULT GetNumDropped(LONG* value) override {
    *value = dropped;
    return S_OK;
  }
  HRESULT GetNumNotDropped(LONG* value) override {
    ++notDroppedReads;
    *value = notDropped;
    return S_OK;
  }
  HRESULT GetDroppedInfo(LONG, LONG*, LONG*) override { return E_NOTIMPL; }
  HRESULT GetAverageFrameSize(LONG*) override { return E_NOTIMPL; }

  HRESULT GetTCRMode(LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT SetTCRMode(LONG, LONG) override { return E_NOTIMPL; }
  HRESULT put_VITCLine(LONG) override { return E_NOTIMPL; }
  HRESULT get_VITCLine(LONG*) override { return E_NOTIMPL; }
  HRESULT GetTimecode(TIMECODE_SAMPLE* sample) override {
    if (sample->dwFlags == ED_DEVCAP_ATN_READ) {
      sample->timecode.dwFrames = track;
      return S_OK;
    }
    ++timecodeReads;
    sample->timecode.dwFrames = timecode;
    return timecodeResult;
  }
};

struct TProgress {
  double seconds;
  int delivered;
  int dropped;
};

class FrameCountingTest : public ComponentTest {
 protected:
  // A loaded component whose scripted graph runs in the given state, with the scripted counters
  // (and time code reader when asked), and progress and time codes recorded.
  TRavorOderiri& Running(TCurrentState state, bool timecodeReader = false) {
    TRavorOderiri& component = CreateLoaded();
    TGraphState& graph = *component.State().graph;
    fakeGraph = MakeComObject<FakeGraph>();
    counters = MakeComObject<FakeCounters>();
    graph.filterGraph = fakeGraph;
    graph.mediaControl = fakeGraph;
    graph.mediaEvent = fakeGraph;
    graph.droppedFramesInterface = counters;
    if (timecodeReader) graph.timecodeReaderInterface = counters;
    component.ChangeState(state);
    component.ControlGraph(gm_Run);
    component.OnCaptureProgress = [this](TRavorOderiri*, double seconds, int delivered,
                                         int dropped) {
      progress.push_back({seconds, delivered, dropped});
    };
    component.OnTimeCodeReader = [this](TRavorOderiri*, int track, int hh, int mm, int ss, int ff) {
      timecodes.push_back(std::to_string(track) + " " + std::to_string(hh) + ":" +
                          std::to_string(mm) + ":" + std::to_string(ss) + ":" + std::to_string(ff));
    };
    return component;
  }

  // Makes record the graph's active record, with frame events flowing from it.
  static void WithFrameEvents(TRavorOderiri& component, TGrabberControl& record) {
    component.State().graph->activeRecord = &record;
    component.State().graph->frameEventGrabber = true;
  }

  static void Frame(TRavorOderiri& component, TGrabberControl& record, REFERENCE_TIME stamp) {
    record.SampleTime = stamp;
    ++record.FrameCount;
    component.HandleFrameEvent();
  }

  static void Ticks(TRavorOderiri& component, int count) {
    for (int tick = 0; tick < count; ++tick)
      component.PollTick();
  }

  ComPtr<FakeGraph> fakeGraph;
  ComPtr<FakeCounters> counters;
  std::vector<TProgress> progress;
  std::vector<std::string> timecodes;
};

TEST(TimeCodeTest, PackedBcdDecodesByteByByteAndFFMeansNoTimeCode) {
  const struct {
    std::uint32_t packed;
    rudozav::TTimeCode expected;
  } cases[] = {
      {0x01234517, {1, 23, 45, 17}},  {0x23595929, {23, 59, 59, 29}},
      {0x00000000, {0, 0, 0, 0}},     {0x012345FF, {-1, -1, -1, -1}},
      {0x0123FF10, {-1, -1, -1, -1}}, {0xFFFFFFFF, {-1, -1, -1, -1}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(rudozav::DecodeTimeCode(c.packed), c.expected) << std::hex << c.packed;
}

TEST_F(FrameCountingTest, PolledCountingReadsAtItsIntervalRelativeToTheStart) {
  const struct {
    TFrameInfoMethod method;
    unsigned interval;
    int ticks;
    int reads;
  } cases[] = {
      {fim_Polling, 3, 7, 2},
      {fim_Polling, 1, 3, 3},
      {fim_Polling, 0, 3, 3},
      {fim_None, 1, 3, 0},
  };
  for (const auto& c : cases) {
    TRavorOderiri& component = Running(cs_Preview);
    component.SetFrameCountMethod(c.method);
    component.SetFrameCountPollingInterval(c.interval);
    component.SetDroppedFrameCountMethod(fim_None);
    counters->notDropped = 100;
    rudozav::ResetFrameCounters(component);
    counters->notDroppedReads = 0;
    counters->notDropped = 130;
    progress.clear();
    Ticks(component, c.ticks);
    EXPECT_EQ(counters->notDroppedReads, c.reads) << c.method << " every " << c.interval;
    ASSERT_EQ(progress.size(), static_cast<std::size_t>(c.reads));
    if (c.reads > 0) {
      EXPECT_EQ(progress.back().delivered, 30);
    }
    Destroy(component);
  }
}

TEST_F(FrameCountingTest, PolledProgressCarriesTheRunningTimeAndCountsNeverBelowZero) {
  TRavorOderiri& component = Running(cs_Capture);
  component.SetFrameCountMethod(fim_Polling);
  counters->dropped = 5;
  counters->notDropped = 100;
  rudozav::ResetFrameCounters(component);
  counters->dropped = 8;
  counters->notDropped = 150;
  sysclock::Advance(1500);
  component.PollTick();
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_DOUBLE_EQ(progress[0].seconds, 1.5);
  EXPECT_EQ(progress[0].delivered, 50);
  EXPECT_EQ(progress[0].dropped, 3);

  counters->dropped = 2;  // the driver started counting afresh
  counters->notDropped = 10;
  component.PollTick();
  EXPECT_EQ(progress.back().dropped, 0);
  EXPECT_EQ(progress.back().delivered, 0);
}

TEST_F(FrameCountingTest, FrameEventsReportSampleTimeAndTheCaptureEndsAtItsLastFramesEnd) {
  TRavorOderiri& component = Running(cs_Capture);
  component.SetDroppedFrameCountMethod(fim_None);
  TGrabberControl record;
  WithFrameEvents(component, record);
  rudozav::ResetFrameCounters(component);
  for (REFERENCE_TIME stamp : {0, 400'000, 800'000})
    Frame(component, record, stamp);
  Ticks(component, 3);  // frame events carry the progress: the tick adds none
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_DOUBLE_EQ(progress[2].seconds, 0.08);
  EXPECT_EQ(progress[2].delivered, 3);

  component.ClearGraph();
  ASSERT_EQ(progress.size(), 4u);
  EXPECT_DOUBLE_EQ(progress[3].seconds, 0.12);
  EXPECT_EQ(progress[3].delivered, 3);
}

TEST_F(FrameCountingTest, StoppingAPreviewReportsItsWallClockTimeWhateverTheMethods) {
  TRavorOderiri& component = Running(cs_Preview);
  component.SetFrameCountMethod(fim_None);
  component.SetDroppedFrameCountMethod(fim_None);
  counters->dropped = 4;
  rudozav::ResetFrameCounters(component);
  sysclock::Advance(2500);
  Ticks(component, 2);
  EXPECT_TRUE(progress.empty());
  component.StopPreview();
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_DOUBLE_EQ(progress[0].seconds, 2.5);
  EXPECT_EQ(progress[0].dropped, 0);  // dropped-frame counting is off
}

TEST_F(FrameCountingTest, DroppedFramesArePolledWhileFrameEventsCountTheDelivered) {
  TRavorOderiri& component = Running(cs_Preview);
  TGrabberControl record;
  WithFrameEvents(component, record);
  rudozav::ResetFrameCounters(component);
  Frame(component, record, 0);
  counters->dropped = 2;
  component.PollTick();
  Frame(component, record, 333'333);
  ASSERT_EQ(progress.size(), 2u);
  EXPECT_EQ(progress[1].delivered, 2);
  EXPECT_EQ(progress[1].dropped, 2);
}

TEST_F(FrameCountingTest, TheTimeCodeIsReadAsItsMethodSays) {
  const struct {
    TFrameInfoMethod method;
    unsigned interval;
    int reads;  // after three frame events and four ticks
  } cases[] = {{fim_Polling, 2, 2}, {fim_FrameEvent, 1, 7}, {fim_None, 1, 0}};
  for (const auto& c : cases) {
    TRavorOderiri& component = Running(cs_Preview, true);
    component.SetTimeCodeReaderMethod(c.method);
    component.SetTimeCodeReaderPollingInterval(c.interval);
    TGrabberControl record;
    WithFrameEvents(component, record);
    for (int frame = 0; frame < 3; ++frame)
      Frame(component, record, frame * 333'333);
    Ticks(component, 4);
    EXPECT_EQ(counters->timecodeReads, c.reads) << c.method;
    Destroy(component);
  }
}

TEST_F(FrameCountingTest, ABlankTapeOrAFailedReadReportsMinusOnesWithTheTrackNumber) {
  TRavorOderiri& component = Running(cs_Preview, true);
  component.SetTimeCodeReaderMethod(fim_Polling);
  rudozav::ReadTrackNumber(component);
  component.PollTick();
  counters->timecode = 0xFFFFFFFF;
  component.PollTick();
  counters->timecode = 0x01234517;
  counters->timecodeResult = E_FAIL;
  component.PollTick();
  EXPECT_EQ(timecodes,
            (std::vector<std::string>{"7 1:23:45:17", "7 -1:-1:-1:-1", "7 -1:-1:-1:-1"}));
}

TEST_F(FrameCountingTest, WithoutAReaderNoTimeCodeIsEverReported) {
  TRavorOderiri& component = Running(cs_Preview);
  TGrabberControl record;
  WithFrameEvents(component, record);
  Frame(component, record, 0);
  Ticks(component, 2);
  rudozav::ReadTimeCode(component);
  EXPECT_TRUE(timecodes.empty());
}

TEST_F(FrameCountingTest, AReadIsNotRepeatedFromInsideItsOwnHandler) {
  TRavorOderiri& component = Running(cs_Preview, true);
  TGrabberControl record;
  WithFrameEvents(component, record);
  component.OnTimeCodeReader = [&](TRavorOderiri*, int, int, int, int, int) {
    component.PollTick();  // a handler that lets the UI run
  };
  Frame(component, record, 0);
  EXPECT_EQ(counters->timecodeReads, 1);
}

// End to end on virtual cameras.
class LiveFrameCountingTest : public ComponentTest {
 protected:
  LiveFrameCountingTest() : ComponentTest(false, true) {}

  TRavorOderiri& Previewing(const std::string& devices) {
    EXPECT_TRUE(virtualdevices::Plug(devices));
    TRavorOderiri& component = CreateLoaded();
    component.OnCaptureProgress = [this](TRavorOderiri*, double seconds, int delivered,
                                         int dropped) {
      progress.push_back({seconds, delivered, dropped});
    };
    return component;
  }

  std::vector<TProgress> progress;
};

TEST_F(LiveFrameCountingTest, ACameraDroppingOneFrameInTenReportsRisingFigures) {
  TRavorOderiri& component = Previewing(R"({"devices": [{"category": "video",
      "friendlyName": "Lossy Camera", "droppedFrames": {"dropEvery": 10}}]})");
  component.StartPreview();
  ASSERT_EQ(component.CurrentState(), cs_Preview);
  // Dropped frames come from the device on the tick, delivered ones from frame events: both
  // rise. (Their ratio at one moment depends on how fast the frame thread runs.)
  ASSERT_TRUE(WaitFor([&] {
    component.PollTick();
    return !progress.empty() && progress.back().dropped >= 3 && progress.back().delivered >= 20;
  }));
  component.StopPreview();
  for (std::size_t i = 1; i < progress.size(); ++i) {
    EXPECT_GE(progress[i].delivered, progress[i - 1].delivered);
    EXPECT_GE(progress[i].dropped, progress[i - 1].dropped);
  }
}

TEST_F(LiveFrameCountingTest, TheCamcordersTimeCodeAdvancesWithItsFramesAndABlankTapeHasNone) {
  const auto camcorder = [](bool blank) {
    return std::string(R"({"devices": [{"category": "video", "friendlyName": "DV Camcorder",
      "bus": "1394", "pins": [{"name": "DV A/V Out", "role": "interleaved", "formats":
      [{"subtype": "dvsd", "size": [720, 480], "frameRate": 29.97}]}],
      "timecode": {"start": "01:23:45:17", "track": 7, "framesPerSecond": 30, "blank": )") +
           (blank ? "true" : "false") + "}}]}";
  };
  for (bool blank : {false, true}) {
    TRavorOderiri& component = Previewing(camcorder(blank));
    std::vector<std::vector<int>> codes;
    component.OnTimeCodeReader = [&](TRavorOderiri*, int track, int hh, int mm, int ss, int ff) {
      codes.push_back({track, hh, mm, ss, ff});
    };
    component.StartPreview();
    ASSERT_EQ(component.CurrentState(), cs_Preview);
    ASSERT_TRUE(
        WaitFor([&] { return codes.size() >= 5 && (blank || codes.back() != codes.front()); }));
    if (blank) {
      EXPECT_EQ(codes.back(), (std::vector<int>{7, -1, -1, -1, -1}));
    } else {
      EXPECT_EQ(codes.front(), (std::vector<int>{7, 1, 23, 45, 17}));  // primed at the build
      EXPECT_GT(codes.back(), codes.front());
    }
    component.StopPreview();
    Destroy(component);
    virtualdevices::UnplugAll();
  }
}

}  // namespace
}  // namespace rudozav_test
