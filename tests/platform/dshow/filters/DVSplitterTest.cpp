// The DV splitter with DV frames made like the virtual camcorders' (libavcodec's DV encoder and
// libavformat's DV muxer): the sound read back from a frame, the outputs the input's sound pack
// decides, and every other video frame dropped on request.

#include "dshow/filters/DVSplitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "FilterTestSupport.h"
#include "devices/virtual/CompressedFrameEncoder.h"
#include "dshow/VideoMediaType.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;

std::vector<BYTE> DVFrame(bool sound, LONGLONG frameNumber = 0) {
  auto encoder = devices::CompressedFrameEncoder::Create(MEDIASUBTYPE_dvsd, 720, 480, sound);
  std::vector<BYTE> frame(VideoImageSize(MEDIASUBTYPE_dvsd, 720, 480));
  DWORD written = 0;
  for (LONGLONG i = 0; i <= frameNumber && encoder; ++i)
    written = encoder->Encode({}, i, frame.data(), static_cast<DWORD>(frame.size()));
  frame.resize(written);
  return frame;
}

MediaType InterleavedType(bool sound) {
  MediaType type(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo);
  type->lSampleSize = VideoImageSize(MEDIASUBTYPE_dvsd, 720, 480);
  DVINFO info{};
  if (sound) info.dwDVAAuxSrc = 0xC0C00000;
  std::memcpy(type.AllocFormat(sizeof info), &info, sizeof info);
  return type;
}

TEST(DVSplitterTest, AFramesSoundIsItsShareOfTheToneAndAFrameWithoutSoundHasNone) {
  const std::vector<BYTE> frame = DVFrame(true, 1);
  ASSERT_EQ(frame.size(), 120000u);
  const std::vector<BYTE> sound = DVFrameSound(frame.data(), frame.size());
  // 29.97 frames a second share 48000 samples of four bytes: 1601 or 1602 a frame.
  EXPECT_TRUE(sound.size() == 1601u * 4 || sound.size() == 1602u * 4) << sound.size();
  const auto loudest = *std::max_element(sound.begin(), sound.end());
  EXPECT_GT(loudest, 0) << "the tone, not silence";

  const std::vector<BYTE> silent = DVFrame(false);
  ASSERT_EQ(silent.size(), 120000u);
  EXPECT_TRUE(DVFrameSound(silent.data(), silent.size()).empty());
}

TEST(DVSplitterTest, OffersSoundOnlyWhenTheInputCarriesItAndDropsAlternateFrames) {
  for (const bool sound : {false, true}) {
    auto source = MakeComObject<FrameSource>(InterleavedType(sound), DVFrame(sound));
    auto splitter = MakeComObject<DVSplitter>();
    ASSERT_EQ(ConnectFilters(source.Get(), splitter.Get()), S_OK);
    EXPECT_EQ(splitter->GetPinCount(), sound ? 3 : 2);
    filter_test::DisconnectAll(splitter.Get());
  }

  auto source = MakeComObject<FrameSource>(InterleavedType(true), DVFrame(true));
  auto splitter = MakeComObject<DVSplitter>();
  auto video = MakeComObject<CapturingRenderer>(std::vector<GUID>{MEDIASUBTYPE_dvsd});
  auto audio = MakeComObject<CapturingRenderer>(std::vector<GUID>{MEDIASUBTYPE_PCM});
  ASSERT_EQ(ConnectFilters(source.Get(), splitter.Get()), S_OK);
  ASSERT_EQ(splitter->GetPin(1)->Connect(PinOf(video.Get(), PINDIR_INPUT).Get(), nullptr), S_OK);
  ASSERT_EQ(splitter->GetPin(2)->Connect(PinOf(audio.Get(), PINDIR_INPUT).Get(), nullptr), S_OK);
  splitter->DiscardAlternateVideoFrames(1);
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(splitter.Get(), "DV Splitter");
  chain.Add(video.Get(), "video");
  chain.Add(audio.Get(), "audio");
  source->Stream()->frameLimit = 4;
  ASSERT_TRUE(SUCCEEDED(chain.Run()));
  ASSERT_TRUE(filter_test::WaitUntil([&] { return chain.Graph().Count(EC_COMPLETE) == 2; }));
  EXPECT_EQ(video->Samples(), 2);
  EXPECT_EQ(audio->Samples(), 4);
  EXPECT_EQ(video->LastFrame().size(), 120000u);
}

}  // namespace
