// Playing files in the component: a recording of the virtual demo camera (with and without its
// sound) and a sound-only WAV written here, played to the end, paused, stopped, moved, at another
// rate, grabbed from, and files that cannot be played.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ComponentFixture.h"
#include "JpegProbe.h"
#include "MediaProbe.h"
#include "clock/Clock.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/graph/FilterPins.h"

namespace fs = std::filesystem;

namespace rudozav_test {
namespace {

constexpr int kRecordedFrames = 30;
constexpr DWORD kTickMs = 5;  // the test clock's step while a file plays

struct TProgress {
  std::int64_t sampleTime;
  std::int64_t framePosition;
};

// Writes a WAV file of silence: 16-bit mono at 8000 Hz.
void WriteWav(const std::string& file, int milliseconds) {
  const std::uint32_t samples = 8 * static_cast<std::uint32_t>(milliseconds);
  const std::uint32_t dataBytes = samples * 2;
  std::ofstream out(file, std::ios::binary);
  auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + dataBytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);  // PCM
  u16(1);
  u32(8000);
  u32(16000);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(dataBytes);
  const std::vector<char> silence(dataBytes, 0);
  out.write(silence.data(), static_cast<std::streamsize>(silence.size()));
}

class PlayerTest : public ComponentTest {
 protected:
  PlayerTest() : ComponentTest(true, true) {}

  void SetUp() override {
    ComponentTest::SetUp();
    ASSERT_TRUE(virtualdevices::Plug(devices::DemoDescriptionJson()));
  }

  // Records kRecordedFrames of the demo camera into file, with or without its sound.
  void RecordFile(const std::string& file, bool withSound) {
    TRavorOderiri& recorder = CreateLoaded();
    recorder.SetCaptureAudio(withSound);
    recorder.SetCaptureFileName(file);
    recorder.StartCapture();
    ASSERT_EQ(recorder.CurrentState(), cs_Capture);
    const TGrabberControl* record = recorder.State().graph->frameGrabberRecord;
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(WaitFor([record] { return record->FrameCount >= kRecordedFrames; }));
    recorder.StopCapture();
    Destroy(recorder);
    ASSERT_TRUE(ProbeMedia(file).opened);
  }

  // A loaded component that records its events and the player's into events and progress.
  TRavorOderiri& Player(const std::string& file) {
    TRavorOderiri& component = CreateLoaded();
    Record(component);
    component.SetPlayerFileName(file);
    component.OnPlayerStarted = [this](TRavorOderiri*) { events.push_back("PlayerStarted"); };
    component.OnPlayerEndOfStream = [this](TRavorOderiri*) {
      events.push_back("PlayerEndOfStream");
    };
    component.OnPlayerFileNotFound = [this](TRavorOderiri*, const std::string& name) {
      events.push_back("PlayerFileNotFound " + name);
    };
    component.OnPlayerProgress = [this](TRavorOderiri*, std::int64_t time, std::int64_t frame) {
      progress.push_back({time, frame});
    };
    return component;
  }

  int Count(const std::string& line) const {
    return static_cast<int>(std::count(events.begin(), events.end(), line));
  }

  // Moves the test clock on and drives the ticks until the end of the file has been announced
  // `times` times in all.
  bool WaitForEnd(TRavorOderiri& component, int times = 1) {
    return WaitFor([&] {
      // The clock moves on only once the first frame has come and every frame through the
      // grabbers has made its frame event: the picture then keeps to its time and no frame is
      // missed, however slowly the machine runs.
      const TGrabberControl* record = component.State().graph->activeRecord;
      const std::int64_t frames = record != nullptr ? record->FrameCount.load() : 0;
      if (record == nullptr || (frames > 0 && frames == component.State().counters.delivered))
        sysclock::Advance(kTickMs);
      component.PollTick();
      return Count("PlayerEndOfStream") >= times;
    });
  }

  static std::int64_t Position(TRavorOderiri& component) {
    LONGLONG position = -1;
    if (IMediaSeeking* seeking = component.State().graph->mediaSeeking.Get())
      seeking->GetCurrentPosition(&position);
    return position;
  }

  static bool HasAudioRenderer(TRavorOderiri& component) {
    return static_cast<bool>(
        FindRendererByMediaType(component.State().graph->filterGraph.Get(), MEDIATYPE_Audio));
  }

  std::vector<TProgress> progress;
};

TEST_F(PlayerTest, ARecordingPlaysToItsEndWithRisingProgressAndOneEndOfStream) {
  RecordFile("take.avi", true);
  TRavorOderiri& component = Player("take.avi");
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  EXPECT_EQ(Count("PlayerStarted"), 1);
  EXPECT_EQ(Count("StateChanging 0 3"), 1);
  const TGraphState& graph = *component.State().graph;
  EXPECT_GE(graph.playerFrameCount, kRecordedFrames - 2);
  EXPECT_GT(graph.playerDuration, 0);
  EXPECT_NEAR(graph.playerFrameRate,
              graph.playerFrameCount * 10'000'000.0 / static_cast<double>(graph.playerDuration),
              1e-6);
  EXPECT_EQ(component.VideoWidth(), 640);
  ASSERT_TRUE(WaitForEnd(component));

  // Every frame of the file passed the grabbers; frame events come with them (frames that pass
  // together make one event).
  // The length counts the longest stream (the sound may run a frame past the last picture), and
  // a frame the camera dropped while recording is an empty chunk that shows no picture.
  EXPECT_GE(component.State().graph->activeRecord->FrameCount.load(), graph.playerFrameCount - 3);
  ASSERT_GE(progress.size(), 3u);
  for (std::size_t i = 1; i < progress.size(); ++i) {
    EXPECT_GE(progress[i].sampleTime, progress[i - 1].sampleTime) << i;
    EXPECT_GE(progress[i].framePosition, progress[i - 1].framePosition) << i;
  }
  EXPECT_GE(progress.back().framePosition, graph.playerFrameCount - 1);  // the end's own report
  EXPECT_EQ(component.GraphRunningMode(), gm_Pause);                     // the end pauses the graph
  // Later ticks announce nothing more.
  for (int i = 0; i < 5; ++i)
    component.PollTick();
  EXPECT_EQ(Count("PlayerEndOfStream"), 1);
}

TEST_F(PlayerTest, EachKindOfFilePlaysWithTheRenderersItsStreamsNeed) {
  RecordFile("both.avi", true);
  RecordFile("picture.avi", false);
  WriteWav("sound.wav", 400);
  const struct {
    const char* file;
    bool window;
    bool sound;
  } cases[] = {{"both.avi", true, true}, {"picture.avi", true, false}, {"sound.wav", false, true}};
  for (const auto& c : cases) {
    events.clear();
    TRavorOderiri& component = Player(c.file);
    component.OpenPlayer();
    ASSERT_EQ(component.CurrentState(), cs_Player) << c.file;
    const TGraphState& graph = *component.State().graph;
    EXPECT_EQ(static_cast<bool>(graph.videoRenderer.Filter), c.window) << c.file;
    EXPECT_EQ(graph.frameGrabberRecord != nullptr, c.window) << c.file;
    EXPECT_EQ(HasAudioRenderer(component), c.sound) << c.file;
    if (!c.window) {
      EXPECT_EQ(graph.playerFrameCount, 0) << c.file;  // no frame time
    }
    EXPECT_TRUE(WaitForEnd(component)) << c.file;
    Destroy(component);
  }
}

TEST_F(PlayerTest, PauseStopAndRunAfterTheEndRestartFromTheBeginning) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  EXPECT_EQ(component.GraphRunningMode(), gm_Pause);
  component.RunPlayer();
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  component.PausePlayer();
  EXPECT_EQ(component.GraphRunningMode(), gm_Pause);
  component.StopPlayer();
  EXPECT_EQ(component.GraphRunningMode(), gm_Pause);
  EXPECT_EQ(Position(component), 0);

  component.RunPlayer();
  ASSERT_TRUE(WaitForEnd(component));
  component.RunPlayer();  // after the end: from the start again
  EXPECT_EQ(component.State().graph->playerPosition, 0);
  EXPECT_FALSE(component.State().endReached);
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  ASSERT_TRUE(WaitForEnd(component, 2));
}

TEST_F(PlayerTest, ForwardAndBackwardMoveByShareOfTheDuration) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  const std::int64_t duration = component.State().graph->playerDuration;

  component.PlayerForward(50);
  EXPECT_NEAR(static_cast<double>(Position(component)), duration / 2.0, duration / 10.0);
  EXPECT_EQ(component.GraphRunningMode(), gm_Pause);
  component.PlayerForward(100);  // beyond the end: runs into it and reports it
  ASSERT_TRUE(WaitForEnd(component));
  EXPECT_EQ(component.State().graph->playerPosition, duration);

  component.PlayerBackward(100);
  EXPECT_EQ(Position(component), 0);
  EXPECT_FALSE(component.State().endReached);
  component.PlayerForward(100);  // from 0 exactly to the end, without running
  EXPECT_EQ(Position(component), duration);
  EXPECT_EQ(component.GraphRunningMode(), gm_Pause);

  for (const int percent : {-1, 101}) {
    events.clear();
    component.PlayerForward(percent);
    component.PlayerBackward(percent);
    EXPECT_EQ(Count("ErrorLog 40 Error: Percent range between 0,0 and 100,0"), 2) << percent;
  }
}

TEST_F(PlayerTest, SetPlayerPositionSeeksToAnAbsoluteTime) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  const TGraphState& graph = *component.State().graph;
  const std::int64_t middle = graph.playerDuration / 2;
  component.SetPlayerPosition(middle);
  EXPECT_NEAR(static_cast<double>(graph.playerPosition), static_cast<double>(middle),
              graph.playerDuration / 10.0);
  EXPECT_NEAR(static_cast<double>(graph.playerFramePosition), graph.playerFrameCount / 2.0, 2.0);
}

TEST_F(PlayerTest, ARateSetOutsideThePlayerIsAppliedAtTheNextOpen) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerRate(2.0);
  EXPECT_TRUE(LogHasLine("46 Error: not playing"));
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  double rate = 0;
  ASSERT_TRUE(SUCCEEDED(component.State().graph->mediaSeeking->GetRate(&rate)));
  EXPECT_EQ(rate, 2.0);
  component.SetPlayerRate(0.5);  // while playing: at once
  ASSERT_TRUE(SUCCEEDED(component.State().graph->mediaSeeking->GetRate(&rate)));
  EXPECT_EQ(rate, 0.5);
}

TEST_F(PlayerTest, AMissingFileIsAnnouncedAndChangesNothing) {
  const struct {
    const char* file;
    const char* expected;
  } cases[] = {{"", "ErrorLog 18 Error: file name not specified"},
               {"gone.avi", "ErrorLog 19 Error: file not found: gone.avi"}};
  for (const auto& c : cases) {
    events.clear();
    TRavorOderiri& component = Player(c.file);
    component.OpenPlayer();
    EXPECT_EQ(component.CurrentState(), cs_Down) << c.file;
    EXPECT_EQ(Count(c.expected), 1) << c.file;
    EXPECT_EQ(Count("PlayerFileNotFound gone.avi"), *c.file != 0 ? 1 : 0);
    EXPECT_EQ(Count("PlayerStarted"), 0);
    EXPECT_FALSE(component.State().graph->filterGraph);
    Destroy(component);
  }
}

TEST_F(PlayerTest, AnOpenRefusedForAMissingFileLeavesThePlayingFileAsItWas) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  component.SetPlayerFileName("gone.avi");
  component.OpenPlayer();
  EXPECT_EQ(Count("PlayerFileNotFound gone.avi"), 1);
  EXPECT_EQ(component.CurrentState(), cs_Player);
  EXPECT_TRUE(component.State().graph->playerGraph);
  const std::int64_t middle = component.State().graph->playerDuration / 2;
  component.SetPlayerPosition(middle);  // the first file still answers
  EXPECT_EQ(Position(component), middle);
}

TEST_F(PlayerTest, AFileThatCannotBePlayedIsReportedAndTheGraphBeforeComesBack) {
  std::ofstream("notes.txt") << "these are words, not pictures\n";
  std::ofstream("empty.avi").close();
  const struct {
    const char* file;
    bool previewing;
  } cases[] = {{"notes.txt", false}, {"empty.avi", false}, {"notes.txt", true}};
  for (const auto& c : cases) {
    events.clear();
    TRavorOderiri& component = Player(c.file);
    if (c.previewing) component.StartPreview();
    events.clear();
    component.OpenPlayer();
    EXPECT_EQ(Count(std::string("ErrorLog 10 Error: cannot play ") + c.file), 1) << c.file;
    EXPECT_EQ(Count("PlayerStarted"), 0);
    EXPECT_EQ(component.CurrentState(), c.previewing ? cs_Preview : cs_Down) << c.file;
    EXPECT_EQ(static_cast<bool>(component.State().graph->filterGraph), c.previewing) << c.file;
    if (c.previewing) {
      EXPECT_EQ(component.GraphRunningMode(), gm_Run);
    }
    EXPECT_FALSE(component.State().graph->playerGraph);
    Destroy(component);
  }
}

TEST_F(PlayerTest, ASnapshotMidFileIsTheFilesPicture) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  component.SetPlayerPosition(component.State().graph->playerDuration / 2);
  component.RunPlayer();
  const TGrabberControl* grabber = component.State().graph->frameGrabberRecord;
  ASSERT_NE(grabber, nullptr);
  ASSERT_TRUE(WaitFor([grabber] { return grabber->FrameAvailable != 0; }));
  std::vector<std::string> completed;
  component.OnFrameCaptureCompleted = [&](TRavorOderiri*, const TFrameData&, TFrameCaptureDest dest,
                                          const std::string& name, bool ok) {
    if (dest == fc_JpegFile && ok) completed.push_back(name);
  };
  ASSERT_TRUE(component.CaptureFrameTo(fc_JpegFile, "shot.jpg"));
  EXPECT_EQ(completed, std::vector<std::string>{"shot.jpg"});
  const TJpegProbe shot = ProbeJpeg("shot.jpg");
  ASSERT_TRUE(shot.ok);
  EXPECT_EQ(shot.width, 640);
  EXPECT_EQ(shot.height, 480);
}

TEST_F(PlayerTest, ClosingThePlayerReportsZerosAndReturnsToTheBaseState) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  progress.clear();
  component.ClosePlayer();
  EXPECT_EQ(component.CurrentState(), cs_Down);
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].sampleTime, 0);
  EXPECT_EQ(progress[0].framePosition, 0);
  EXPECT_FALSE(component.State().graph->filterGraph);
}

TEST_F(PlayerTest, PlayerOperationsOutsideThePlayerOnlyLogNotPlaying) {
  TRavorOderiri& component = Player("take.avi");
  const std::vector<void (*)(TRavorOderiri&)> operations = {
      [](TRavorOderiri& c) { c.RunPlayer(); },
      [](TRavorOderiri& c) { c.PausePlayer(); },
      [](TRavorOderiri& c) { c.StopPlayer(); },
      [](TRavorOderiri& c) { c.PlayerForward(10); },
      [](TRavorOderiri& c) { c.PlayerBackward(10); },
      [](TRavorOderiri& c) { c.SetPlayerPosition(0); },
  };
  for (const auto& operation : operations) {
    events.clear();
    operation(component);
    EXPECT_TRUE(events.empty());  // a trace never reaches the host
    EXPECT_EQ(component.CurrentState(), cs_Down);
    EXPECT_FALSE(component.State().graph->filterGraph);
  }
  EXPECT_TRUE(LogHasLine("46 Error: not playing"));
}

}  // namespace
}  // namespace rudozav_test
