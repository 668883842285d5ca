// Media files that are damaged, cut short or taken away while they play: each plays as far as
// it can be read and then ends (end of stream or an error event), never hangs; an open or a read
// past its deadline ends as well.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "MediaFiles.h"
#include "PlaybackTestSupport.h"
#include "com/Com.h"
#include "dshow/Uuids.h"
#include "dshow/filters/MediaFileLimits.h"
#include "dshow/graph/PinQueries.h"

namespace {

using filter_test::CountingRenderer;
using filter_test::MediaClip;
using filter_test::WriteMediaFile;

constexpr int kFrames = 60;
constexpr LONG kGenerousWait = 20000;

MediaClip Clip(bool finish) {
  MediaClip clip;
  clip.frames = kFrames;
  clip.audio = AV_CODEC_ID_NONE;
  clip.finish = finish;
  return clip;
}

// Overwrites bytes of the file from the first place where the text occurs.
void Damage(const std::string& file, const std::string& text, size_t bytes, char with) {
  std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(stream)), {});
  const size_t at = content.rfind(text);
  ASSERT_NE(at, std::string::npos) << text;
  stream.seekp(static_cast<std::streamoff>(at + text.size()));
  stream << std::string(std::min(bytes, content.size() - at - text.size()), with);
}

void Truncate(const std::string& file, int percent) {
  std::filesystem::resize_file(file, std::filesystem::file_size(file) * percent / 100);
}

// Sets the limits for one test and puts the defaults back.
class LimitsGuard {
 public:
  explicit LimitsGuard(const dshow::MediaFileLimits& limits) { dshow::SetMediaFileLimits(limits); }
  ~LimitsGuard() { dshow::SetMediaFileLimits(dshow::MediaFileLimits{}); }
};

class Player {
 public:
  HRESULT Open(const std::string& file) {
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph_), S_OK);
    ComPtr<IBaseFilter> source;
    const HRESULT hr =
        graph_->AddSourceFilter(file.c_str(), "Source", source.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    graph_->AddFilter(video_.Get(), "Pictures");
    return graph_->Connect(dshow::PinsOf(source.Get(), PINDIR_OUTPUT)[0].Get(), video_->GetPin(0));
  }
  // Pauses until the first picture is cued, so that the streams have read into the file.
  void Pause() {
    OAFilterState state = State_Stopped;
    ASSERT_TRUE(SUCCEEDED(Control()->Pause()));
    ASSERT_EQ(Control()->GetState(kGenerousWait, &state), S_OK);
  }
  // Runs until the graph completes or aborts; its event, or 0 when it did not end.
  LONG RunToEnd() {
    LONG code = 0;
    EXPECT_TRUE(SUCCEEDED(Control()->Run()));
    const HRESULT hr = graph_.As<IMediaEvent>()->WaitForCompletion(kGenerousWait, &code);
    (void)Control()->Stop();  // the result is the completion's
    return hr == S_OK ? code : 0;
  }
  int Pictures() { return video_->Samples(); }

 private:
  ComPtr<IMediaControl> Control() { return graph_.As<IMediaControl>(); }

  ComPtr<IGraphBuilder> graph_;
  ComPtr<CountingRenderer> video_ =
      MakeComObject<CountingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
};

// ---- Damaged before playing ------------------------------------------------------------------

struct DamageCase {
  const char* name;
  bool finish;  // with the index
  std::function<void(const std::string&)> damage;
  bool allFrames;  // every picture still plays
};

class DamagedFiles : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFiles, PlayWhatCanBeReadAndEnd) {
  ASSERT_TRUE(WriteMediaFile("clip.avi", Clip(GetParam().finish)));
  GetParam().damage("clip.avi");
  if (HasFatalFailure()) return;
  Player player;
  ASSERT_EQ(player.Open("clip.avi"), S_OK);
  EXPECT_EQ(player.RunToEnd(), EC_COMPLETE);
  EXPECT_GT(player.Pictures(), 0);
  if (GetParam().allFrames) {
    EXPECT_EQ(player.Pictures(), kFrames);
  } else {
    EXPECT_LT(player.Pictures(), kFrames);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedFiles,
    ::testing::Values(
        DamageCase{"IndexedCutInTheMiddle", true, [](const auto& f) { Truncate(f, 50); }, false},
        DamageCase{"UnindexedCutInTheMiddle", false, [](const auto& f) { Truncate(f, 50); }, false},
        DamageCase{"IndexFilledWithOnes", true,
                   [](const auto& f) { Damage(f, "idx1", 1 << 20, '\xFF'); }, true},
        DamageCase{"IndexFilledWithZeros", true,
                   [](const auto& f) { Damage(f, "idx1", 1 << 20, '\0'); }, true},
        DamageCase{"IndexHalfGone", true, [](const auto& f) { Truncate(f, 99); }, true}),
    [](const auto& param) { return std::string(param.param.name); });

// ---- Taken away while playing ----------------------------------------------------------------

struct GoneCase {
  const char* name;
  std::function<void(const std::string&)> takeAway;
};

class FilesGoneWhilePlaying : public ::testing::TestWithParam<GoneCase> {};

TEST_P(FilesGoneWhilePlaying, EndThePlaybackCleanly) {
  ASSERT_TRUE(WriteMediaFile("clip.avi", Clip(true)));
  Player player;
  ASSERT_EQ(player.Open("clip.avi"), S_OK);
  player.Pause();
  if (HasFatalFailure()) return;
  GetParam().takeAway("clip.avi");
  const LONG code = player.RunToEnd();
  EXPECT_TRUE(code == EC_COMPLETE || code == EC_ERRORABORT) << code;
  EXPECT_GT(player.Pictures(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Gone, FilesGoneWhilePlaying,
    ::testing::Values(GoneCase{"Removed", [](const auto& f) { std::filesystem::remove(f); }},
                      GoneCase{"TruncatedToNothing", [](const auto& f) { Truncate(f, 0); }},
                      GoneCase{"TruncatedToAQuarter", [](const auto& f) { Truncate(f, 25); }},
                      GoneCase{"Overwritten", [](const auto& f) { std::ofstream(f) << "gone"; }}),
    [](const auto& param) { return std::string(param.param.name); });

// ---- Deadlines -------------------------------------------------------------------------------

TEST(MediaFileDeadlines, AnOpenPastItsDeadlineIsRefused) {
  ASSERT_TRUE(WriteMediaFile("clip.avi", Clip(true)));
  dshow::MediaFileLimits limits;
  limits.openMilliseconds = 0;
  const LimitsGuard guard(limits);
  Player player;
  EXPECT_EQ(player.Open("clip.avi"), VFW_E_UNKNOWN_FILE_TYPE);
}

TEST(MediaFileDeadlines, AReadPastItsDeadlineEndsTheStream) {
  MediaClip clip = Clip(true);
  clip.frames = 400;  // far more than one buffer of the file holds
  ASSERT_TRUE(WriteMediaFile("clip.avi", clip));
  dshow::MediaFileLimits limits;
  limits.readMilliseconds = 0;
  const LimitsGuard guard(limits);
  Player player;
  ASSERT_EQ(player.Open("clip.avi"), S_OK);
  EXPECT_EQ(player.RunToEnd(), EC_COMPLETE);
  EXPECT_LT(player.Pictures(), clip.frames);
}

}  // namespace
