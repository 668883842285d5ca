// Playing files in the component: a recording of the virtual demo camera (with and without its
// sound) and a sound-only WAV written here, played to the end, paused, stopped, moved, at another
// rate, grabbed from, and files that cannot be played.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ComponentFixture.h"
#include "JpegProbe.h"
#include "MediaProbe.h"
#include "PictureDecoder.h"
#include "clock/Clock.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "dshow/base/BaseRenderer.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/graph/FilterPins.h"

namespace fs = std::filesystem;

namespace rudozav_test {
namespace {

constexpr int kRecordedFrames = 30;
constexpr int kTenSeconds = 300;   // frames of the demo camera
constexpr int kSlowDeadline = 90;  // real seconds for recording or playing ten seconds
constexpr DWORD kTickMs = 5;       // the test clock's step while no picture waits
constexpr DWORD kFrameMs = 33;     // its step while one does: a little less than a picture lasts

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

// Reads a whole file.
std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A copy of an AVI file whose every index chunk is renamed to JUNK, as a damaged index reads.
void WriteWithoutIndex(const std::string& from, const std::string& to) {
  std::string bytes = ReadAll(from);
  for (const char* index : {"idx1", "indx", "ix00", "ix01"}) {
    for (std::size_t at = bytes.find(index); at != std::string::npos; at = bytes.find(index, at))
      bytes.replace(at, 4, "JUNK");
  }
  WriteAll(to, bytes);
}

class PlayerTest : public ComponentTest {
 protected:
  PlayerTest() : ComponentTest(true, true) {}

  void SetUp() override {
    ComponentTest::SetUp();
    ASSERT_TRUE(virtualdevices::Plug(devices::DemoDescriptionJson()));
  }

  // Records frames of the demo camera into file, with or without its sound.
  void RecordFile(const std::string& file, bool withSound, int frames = kRecordedFrames) {
    TRavorOderiri& recorder = CreateLoaded();
    recorder.SetCaptureAudio(withSound);
    recorder.SetCaptureFileName(file);
    recorder.StartCapture();
    ASSERT_EQ(recorder.CurrentState(), cs_Capture);
    const TGrabberControl* record = recorder.State().graph->frameGrabberRecord;
    ASSERT_NE(record, nullptr);
    // The camera keeps real time; a slow machine (a sanitizer build) drops frames meanwhile.
    ASSERT_TRUE(WaitFor([record, frames] { return record->FrameCount >= frames; }, kSlowDeadline));
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

  // Drives the ticks until the end of the file has been announced `times` times in all. The test
  // clock moves on only while the video renderer holds a picture waiting for its time and every
  // picture so far has made its frame event: each picture then comes alone with its own event,
  // however slowly the machine runs. While no picture waits (a file without video, the pictures'
  // end, the sound still playing) the clock moves on after a short real pause, once every picture
  // so far has had its event.
  bool WaitForEnd(TRavorOderiri& component, int times = 1) {
    auto lastMove = std::chrono::steady_clock::now();
    std::int64_t movedFor = -1;  // the picture the clock last moved on for
    return WaitFor(
        [&] {
          const TGraphState& graph = *component.State().graph;
          const TGrabberControl* record = graph.activeRecord;
          const auto* renderer = dynamic_cast<CBaseRenderer*>(graph.videoRenderer.Filter.Get());
          const std::int64_t frames = record != nullptr ? record->FrameCount.load() : 0;
          const bool counted = frames == component.State().counters.delivered;
          const bool pictureWaits = renderer != nullptr && counted && frames != movedFor &&
                                    frames == renderer->FramesRendered() + 1;
          const auto now = std::chrono::steady_clock::now();
          if (pictureWaits) {
            sysclock::Advance(kFrameMs);
            movedFor = frames;
            lastMove = now;
          } else if (counted && now - lastMove > std::chrono::milliseconds(20)) {
            sysclock::Advance(kTickMs);
            lastMove = now;
          }
          component.PollTick();
          return Count("PlayerEndOfStream") >= times;
        },
        kSlowDeadline);
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

TEST_F(PlayerTest, ATenSecondRecordingPlaysToItsEndWithAFrameEventForEachFrame) {
  RecordFile("take.avi", true, kTenSeconds);
  TRavorOderiri& component = Player("take.avi");
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  EXPECT_EQ(Count("PlayerStarted"), 1);
  EXPECT_EQ(Count("StateChanging 0 3"), 1);
  const TGraphState& graph = *component.State().graph;
  // Frames the camera dropped while recording make the file longer.
  EXPECT_GE(graph.playerFrameCount, kTenSeconds - 10);
  EXPECT_GE(graph.playerDuration, 9.5e7);
  EXPECT_NEAR(graph.playerFrameRate,
              graph.playerFrameCount * 10'000'000.0 / static_cast<double>(graph.playerDuration),
              1e-6);
  EXPECT_EQ(component.VideoWidth(), 640);
  ASSERT_TRUE(WaitForEnd(component));

  // Every picture of the file passed the grabbers. The length counts the
  // longest stream (the sound may run a frame past the last picture), and a frame the camera
  // dropped while recording is an empty chunk that shows no picture.
  const std::int64_t pictures = component.State().graph->activeRecord->FrameCount.load();
  EXPECT_GE(pictures, kTenSeconds - 10);
  // About one frame event a picture. A recording made on a loaded machine (a sanitizer build)
  // has irregular picture times, so one step of the clock may make two pictures due together,
  // and the frame thread joins those into one event.
  EXPECT_GE(static_cast<double>(progress.size()), 0.8 * static_cast<double>(pictures));
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

TEST_F(PlayerTest, ASnapshotMidFileIsTheFilesPictureAtThatTime) {
  RecordFile("take.avi", false);
  const std::vector<TDecodedPicture> pictures = DecodePictures("take.avi");
  ASSERT_GE(pictures.size(), 10u);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  const TGrabberControl* grabber = component.State().graph->frameGrabberRecord;
  ASSERT_NE(grabber, nullptr);
  ASSERT_TRUE(WaitFor([grabber] { return grabber->FrameCount != 0; }));  // the first picture
  const std::int64_t before = grabber->FrameCount;
  // Between two pictures, so that the one shown is plainly the one whose time has begun.
  const TDecodedPicture& wanted = pictures[pictures.size() / 2];
  component.SetPlayerPosition(wanted.start + 100'000);
  ASSERT_TRUE(WaitFor([grabber, before] { return grabber->FrameCount > before; }));
  ASSERT_TRUE(component.CaptureFrameTo(fc_JpegFile, "shot.jpg"));
  const TJpegProbe shot = ProbeJpeg("shot.jpg");
  ASSERT_TRUE(shot.ok);
  ASSERT_EQ(shot.width, wanted.width);
  ASSERT_EQ(shot.height, wanted.height);
  // The moving picture differs from frame to frame far more than JPEG's losses.
  std::size_t closest = 0;
  for (std::size_t i = 1; i < pictures.size(); ++i) {
    if (PictureDifference(shot.rgb, pictures[i].rgb) <
        PictureDifference(shot.rgb, pictures[closest].rgb))
      closest = i;
  }
  EXPECT_EQ(closest, pictures.size() / 2);
  EXPECT_LT(PictureDifference(shot.rgb, wanted.rgb), 4.0);
}

TEST_F(PlayerTest, ClosingThePlayerReportsZerosAndReturnsToTheBaseState) {
  RecordFile("take.avi", false);
  TRavorOderiri& component = Player("take.avi");
  component.SetPlayerAutoStart(false);
  component.OpenPlayer();
  ASSERT_EQ(component.CurrentState(), cs_Player);
  progress.clear();
  events.clear();
  component.ClosePlayer();
  EXPECT_EQ(events, std::vector<std::string>{"StateChanging 3 0"});  // no camera missed: none asked
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

TEST_F(PlayerTest, ADamagedFilePlaysAsFarAsItCanBeRead) {
  RecordFile("take.avi", true);
  WriteAll("cut.avi", ReadAll("take.avi").substr(0, fs::file_size("take.avi") * 2 / 5));
  WriteWithoutIndex("take.avi", "unindexed.avi");
  for (const char* file : {"cut.avi", "unindexed.avi"}) {
    events.clear();
    TRavorOderiri& component = Player(file);
    component.OpenPlayer();
    ASSERT_EQ(component.CurrentState(), cs_Player) << file;
    EXPECT_TRUE(WaitForEnd(component)) << file;
    EXPECT_GT(component.State().graph->activeRecord->FrameCount.load(), 5) << file;
    Destroy(component);
  }
}

TEST_F(PlayerTest, AFileCutOrRemovedWhilePlayingEndsItsPlayback) {
  const struct {
    const char* name;
    void (*change)(const std::string&);
  } cases[] = {
      {"cut", [](const std::string& file) { fs::resize_file(file, fs::file_size(file) / 3); }},
      {"removed", [](const std::string& file) { fs::remove(file); }},
  };
  for (const auto& c : cases) {
    const std::string file = std::string(c.name) + ".avi";
    RecordFile(file, true);
    events.clear();
    TRavorOderiri& component = Player(file);
    component.OpenPlayer();
    ASSERT_EQ(component.CurrentState(), cs_Player) << c.name;
    c.change(file);
    EXPECT_TRUE(WaitForEnd(component)) << c.name;
    component.ClosePlayer();
    EXPECT_EQ(component.CurrentState(), cs_Down) << c.name;
    Destroy(component);
  }
}

}  // namespace
}  // namespace rudozav_test
