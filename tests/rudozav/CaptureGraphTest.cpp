// Recording on the virtual camera and microphone: the files a capture writes and how players read
// them, automatic names, the host's go-ahead, preallocated files, and starts that fail.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <unistd.h>

#include "ComponentFixture.h"
#include "MediaProbe.h"
#include "devices/encoders/EncoderDeviceSource.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "files/DriveType.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/graph/CaptureFile.h"
#include "rudozav/graph/GraphBuilder.h"

namespace fs = std::filesystem;

namespace rudozav_test {
namespace {

constexpr int kFrames = 20;

class CaptureGraphTest : public ComponentTest {
 protected:
  CaptureGraphTest() : ComponentTest(false, true) {}

  void SetUp() override {
    ComponentTest::SetUp();
    ASSERT_TRUE(virtualdevices::Plug(devices::DemoDescriptionJson()));
  }

  // A loaded component on the demo camera whose capture events are recorded.
  TRavorOderiri& Recorder() {
    TRavorOderiri& component = CreateLoaded();
    Record(component);
    component.OnCaptureStarted = [this](TRavorOderiri*) { events.push_back("CaptureStarted"); };
    component.OnCaptureCompleted = [this](TRavorOderiri*, const std::string& file, bool success) {
      events.push_back("CaptureCompleted " + file + (success ? " true" : " false"));
    };
    return component;
  }

  // Starts a capture, lets kFrames frames reach the grabber and stops it.
  bool CaptureSomeFrames(TRavorOderiri& component) {
    component.StartCapture();
    if (component.CurrentState() != cs_Capture) return false;
    const TGrabberControl* record = component.State().graph->frameGrabberRecord;
    const bool ran =
        record != nullptr && WaitFor([record] { return record->FrameCount >= kFrames; });
    component.StopCapture();
    return ran;
  }

  bool Saw(const std::string& line) const {
    return std::find(events.begin(), events.end(), line) != events.end();
  }

  static LONG MasterStream(TRavorOderiri& component) {
    LONG master = -2;
    if (const auto avi = component.State().graph->fileMux.As<IConfigAviMux>())
      avi->GetMasterStream(&master);
    return master;
  }
};

TEST_F(CaptureGraphTest, ACaptureWritesTheVideoAndWithItsSoundMakesTheSoundTheMaster) {
  const struct {
    bool captureAudio;
    LONG master;
    std::size_t streams;
  } cases[] = {{true, 1, 2}, {false, -1, 1}};
  for (const auto& c : cases) {
    TRavorOderiri& component = Recorder();
    component.SetCaptureAudio(c.captureAudio);
    component.SetCaptureFileName("take.avi");
    component.StartCapture();
    ASSERT_EQ(component.CurrentState(), cs_Capture);
    EXPECT_EQ(MasterStream(component), c.master);
    const TGrabberControl* record = component.State().graph->frameGrabberRecord;
    ASSERT_TRUE(WaitFor([record] { return record->FrameCount >= kFrames; }));
    component.StopCapture();
    EXPECT_TRUE(Saw("CaptureCompleted take.avi true"));

    const TMediaProbe file = ProbeMedia("take.avi");
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.format, "avi");
    ASSERT_EQ(file.streams.size(), c.streams) << "audio " << c.captureAudio;
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_GE(file.Video()->packets, kFrames - 2);  // frames in flight at the stop may miss it
    EXPECT_EQ(file.Video()->width, 640);
    if (c.captureAudio) {
      ASSERT_NE(file.Audio(), nullptr);
      EXPECT_GT(file.Audio()->packets, 0);
    }
    Destroy(component);
    events.clear();
  }
}

TEST_F(CaptureGraphTest, AutomaticNamesCountUpAndACancelledStartGivesItsNumberBack) {
  TRavorOderiri& component = Recorder();
  component.SetStoragePath("captures");
  component.StartPreview();
  bool answer = false;
  std::vector<double> progress;
  component.OnCaptureReadyToStart = [&](TRavorOderiri*, bool& ok) { ok = answer; };
  component.OnCaptureProgress = [&](TRavorOderiri*, double seconds, int, int) {
    progress.push_back(seconds);
  };
  events.clear();
  component.StartCapture();
  EXPECT_EQ(component.CurrentState(), cs_Preview);
  EXPECT_EQ(component.GraphRunningMode(), gm_Run);
  EXPECT_TRUE(Saw("ErrorLog 54 Warning: capture cancelled by user"));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front(), -1.0);  // announced before the host is asked
  EXPECT_FALSE(fs::exists("captures/vg000001.avi"));

  answer = true;
  for (const char* expected : {"captures/vg000001.avi", "captures/vg000002.avi"}) {
    events.clear();
    ASSERT_TRUE(CaptureSomeFrames(component));
    EXPECT_TRUE(Saw(std::string("CaptureCompleted ") + expected + " true"));
    EXPECT_TRUE(ProbeMedia(expected).opened) << expected;
  }
  EXPECT_EQ(component.CurrentState(), cs_Preview);
}

TEST_F(CaptureGraphTest, AStartThatFailsIsReportedLeavesNoFileAndBringsThePreviewBack) {
  std::ofstream("plain.txt") << "not a folder";
  const struct {
    const char* storagePath;
    const char* fileName;
    const char* report;
  } cases[] = {
      {"plain.txt/sub", "", "ErrorLog 9 Error: cannot create directory: plain.txt/sub"},
      {"", "/proc/rudozav-take.avi", "ErrorLog 84 Error: cannot start capture"},
  };
  for (const auto& c : cases) {
    TRavorOderiri& component = Recorder();
    component.SetStoragePath(c.storagePath);
    component.SetCaptureFileName(c.fileName);
    component.StartPreview();
    events.clear();
    component.StartCapture();
    // The report, "cannot start capture", and back to the preview.
    ASSERT_GE(events.size(), 2u);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [&](const std::string& line) {
      return line.rfind(c.report, 0) == 0;
    })) << c.report;
    EXPECT_EQ(events[events.size() - 2], "ErrorLog 84 Error: cannot start capture");
    EXPECT_EQ(events.back(), "StateChanging 2 1");
    EXPECT_EQ(component.CurrentState(), cs_Preview);
    EXPECT_EQ(component.GraphRunningMode(), gm_Run);
    EXPECT_FALSE(fs::exists("vg000001.avi"));
    Destroy(component);
  }
}

TEST_F(CaptureGraphTest, APreallocatedFileIsMadeOnceReusedAndCopiedIntoTheCaptureFile) {
  TRavorOderiri& component = Recorder();
  component.SetPreallocCapFileEnabled(true);
  component.SetPreallocCapFileName("pre.avi");
  component.SetPreallocCapFileSizeInMB(2);
  component.SetCaptureAudio(false);
  component.OnCreatePreallocFileStarted = [this](TRavorOderiri*) { events.push_back("Create"); };
  component.OnCreatePreallocFileCompleted = [this](TRavorOderiri*, bool ok) {
    events.push_back(ok ? "Created" : "NotCreated");
  };
  component.OnCopyPreallocDataStarted = [this](TRavorOderiri*) { events.push_back("Copy"); };
  component.OnCopyPreallocDataCompleted = [this](TRavorOderiri*, bool ok) {
    events.push_back(ok ? "Copied" : "NotCopied");
  };
  for (const char* take : {"one.avi", "two.avi"}) {
    events.clear();
    component.SetCaptureFileName(take);
    ASSERT_TRUE(CaptureSomeFrames(component));
    const bool first = std::string(take) == "one.avi";
    std::vector<std::string> expected;
    if (first) expected = {"Create", "Created"};
    for (const char* line : {"Copy", "Copied"})
      expected.push_back(line);
    std::vector<std::string> seen;
    for (const std::string& line : events) {
      if (line == "Create" || line == "Created" || line == "Copy" || line == "Copied")
        seen.push_back(line);
    }
    EXPECT_EQ(seen, expected) << take;
    const TMediaProbe file = ProbeMedia(take);
    ASSERT_TRUE(file.opened) << take;
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_GE(file.Video()->packets, kFrames - 2);  // frames in flight at the stop may miss it
    EXPECT_TRUE(fs::exists("pre.avi"));             // kept for the next capture
  }
}

// The index of a compressor in the video compressor list, -1 when it is not there.
int VideoCompressorIndex(const std::string& name) {
  const TDevices* list = VideoCompressorList();
  for (int i = 0; list != nullptr && i < list->Count(); ++i) {
    if (list->Items[static_cast<std::size_t>(i)].Name == name) return i;
  }
  return -1;
}

TEST_F(CaptureGraphTest, AVideoCompressorCompressesOnTheFlyOrOnceTheCaptureEnds) {
  devices::SetEncoderCompressorsListed(true);
  const struct {
    TCompressionMode mode;
    bool recompressed;  // the recompression events fire after the capture
  } cases[] = {{cm_CompressOnTheFly, false}, {cm_CompressAfterCapture, true}};
  for (const auto& c : cases) {
    TRavorOderiri& component = Recorder();
    const int mjpeg = VideoCompressorIndex("MJPEG (FFmpeg)");
    if (mjpeg < 0) GTEST_SKIP() << "this libavcodec has no MJPEG encoder";
    component.SetVideoCompressor(mjpeg);
    component.SetCompressionMode(c.mode);
    component.SetCaptureAudio(false);
    component.SetCaptureFileName("small.avi");
    component.OnRecompressCompleted = [this](TRavorOderiri*, bool ok) {
      events.push_back(ok ? "Recompressed" : "NotRecompressed");
    };
    ASSERT_TRUE(CaptureSomeFrames(component));
    EXPECT_EQ(Saw("Recompressed"), c.recompressed) << c.mode;
    const TMediaProbe file = ProbeMedia("small.avi");
    ASSERT_TRUE(file.opened) << c.mode;
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_EQ(file.Video()->codec, "mjpeg");
    // Pictures still inside the encoder's threads when the graph stops do not reach the file.
    EXPECT_GE(file.Video()->packets, kFrames / 2);
    EXPECT_FALSE(fs::exists("prealloc.avi"));  // the temporary file is gone
    Destroy(component);
    events.clear();
  }
}

TEST_F(CaptureGraphTest, RecompressingGivesTheSameLengthInTheOtherCodecAndRefusesNonMedia) {
  devices::SetEncoderCompressorsListed(true);
  TRavorOderiri& component = Recorder();
  component.SetCaptureAudio(false);
  component.SetCaptureFileName("raw.avi");
  ASSERT_TRUE(CaptureSomeFrames(component));
  const int mjpeg = VideoCompressorIndex("MJPEG (FFmpeg)");
  if (mjpeg < 0) GTEST_SKIP() << "this libavcodec has no MJPEG encoder";
  component.SetVideoCompressor(mjpeg);
  std::vector<bool> results;
  component.OnRecompressCompleted = [&](TRavorOderiri*, bool ok) { results.push_back(ok); };
  component.Recompress("raw.avi", "small.avi");
  std::ofstream("notes.avi") << "not media";
  events.clear();
  component.Recompress("notes.avi", "other.avi");
  EXPECT_EQ(results, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Saw("ErrorLog 2 Error: adding source filter notes.avi"));
  EXPECT_FALSE(fs::exists("other.avi"));

  const TMediaProbe raw = ProbeMedia("raw.avi");
  const TMediaProbe small = ProbeMedia("small.avi");
  ASSERT_TRUE(raw.opened && small.opened);
  EXPECT_EQ(small.Video()->codec, "mjpeg");
  EXPECT_EQ(small.Video()->packets, raw.Video()->packets);
  EXPECT_NEAR(small.Video()->seconds, raw.Video()->seconds, 0.05);
}

TEST_F(CaptureGraphTest, AStorageFolderOnARamDiskIsWarnedAboutAndStillRecords) {
  const std::string folder = "/dev/shm/rudozav-capture-" + std::to_string(::getpid());
  if (GetDriveType("/dev/shm") != DRIVE_RAMDISK) GTEST_SKIP() << "/dev/shm is no RAM disk here";
  TRavorOderiri& component = Recorder();
  component.SetStoragePath(folder);
  component.SetCaptureAudio(false);
  ASSERT_TRUE(CaptureSomeFrames(component));
  EXPECT_TRUE(Saw("ErrorLog 64 Warning: StoragePath= " + folder +
                  "\r\nNetwork drives or slow drives may produce high rate of dropped frames"));
  EXPECT_TRUE(fs::exists(folder + "/vg000001.avi"));
  fs::remove_all(folder);
}

TEST_F(CaptureGraphTest, AFullDiskEndsTheCaptureAndTheFileStillPlays) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  fs::create_directories("small");
  if (::mount("tmpfs", "small", "tmpfs", 0, "size=12m") != 0) GTEST_SKIP() << "cannot mount here";
  struct TUnmount {
    ~TUnmount() { ::umount2("small", MNT_DETACH); }
  } unmount;
  TRavorOderiri& component = Recorder();
  int diskFull = 0;
  component.OnDiskFull = [&diskFull](TRavorOderiri*) { ++diskFull; };
  component.SetStoragePath("small");
  component.SetCaptureAudio(false);
  component.StartCapture();
  ASSERT_EQ(component.CurrentState(), cs_Capture);
  ASSERT_TRUE(WaitFor([&] {
    component.PollTick();
    return diskFull > 0;
  }));
  EXPECT_EQ(component.CurrentState(), cs_Down);
  EXPECT_TRUE(std::none_of(events.begin(), events.end(), [](const std::string& line) {
    return line.rfind("CaptureCompleted", 0) == 0;
  }));
  const TMediaProbe file = ProbeMedia("small/vg000001.avi");
  ASSERT_TRUE(file.opened);
  ASSERT_NE(file.Video(), nullptr);
  EXPECT_GT(file.Video()->packets, 5);
  Destroy(component);
}

TEST_F(CaptureGraphTest, ADVCamcorderRecordsItsStreamAsItComesOrSplitAndDecoded) {
  virtualdevices::UnplugAll();
  ASSERT_TRUE(virtualdevices::Plug(R"({"devices": [{"category": "video",
      "friendlyName": "DV Camcorder", "bus": "1394", "pins": [{"name": "DV A/V Out",
      "role": "interleaved", "sound": true, "formats": [{"subtype": "dvsd", "size": [720, 480],
      "frameRate": 29.97}]}]}]})"));
  const struct {
    TDVCaptureMode mode;
    const char* videoCodec;
    std::size_t streams;
  } cases[] = {{dv_CaptureType1, "dvvideo", 1}, {dv_CaptureType2, "rawvideo", 2}};
  for (const auto& c : cases) {
    TRavorOderiri& component = Recorder();
    ASSERT_TRUE(component.IsDVDevice());
    component.SetDVCaptureMode(c.mode);
    component.SetCaptureFileName("tape.avi");
    ASSERT_TRUE(CaptureSomeFrames(component)) << c.mode;
    const TMediaProbe file = ProbeMedia("tape.avi");
    ASSERT_TRUE(file.opened) << c.mode;
    ASSERT_EQ(file.streams.size(), c.streams) << c.mode;
    EXPECT_EQ(file.Video()->codec, c.videoCodec);
    EXPECT_GE(file.Video()->packets, kFrames - 2);
    Destroy(component);
  }
}

TEST_F(CaptureGraphTest, PreallocationSizesOf2048MegabytesAndMoreWork) {
  std::error_code error;
  if (fs::space(".", error).available < 4ull << 30) GTEST_SKIP() << "less than 4 GB free";
  TRavorOderiri& component = CreateLoaded();
  ASSERT_TRUE(CreateGraphBuilder(component));
  component.SetPreallocCapFileEnabled(true);
  component.SetPreallocCapFileSizeInMB(3000);
  component.State().writeTarget = "big.avi";
  EXPECT_TRUE(PreallocateCaptureFile(component));
  EXPECT_EQ(fs::file_size("big.avi"), 3000ull * 1048576);
  fs::remove("big.avi");
}

}  // namespace
}  // namespace rudozav_test
