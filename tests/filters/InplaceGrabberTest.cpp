// The in-place grabber in its roles: raw frame grabber, frame grabber with caption, notifier.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "FilterTestSupport.h"
#include "ModuleTestSupport.h"
#include "TestApplication.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "gdi/Gdi.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using filter_test::WaitUntil;
using module_test::RecordOf;

MediaType Video(const GUID& subtype, LONG width = 64, LONG height = 32) {
  return *MakeVideoMediaType(subtype, width, height, 400'000);
}

void SetCaption(TGrabberControl& record, const char* text) {
  record.Text = text;
  record.TextLength = static_cast<LONG>(std::strlen(text));
  record.TextRect = RECT{0, 0, 64, 32};
  record.TextFont.lfHeight = -24;
  record.TextFont.lfWeight = FW_BOLD;
  record.TextColor = RGB(255, 255, 255);
  record.TextFormat = DT_LEFT | DT_TOP | DT_SINGLELINE;
  record.TextEnabled = 1;
}

bool AllZero(const BYTE* bytes, std::size_t size) {
  return std::all_of(bytes, bytes + size, [](BYTE b) { return b == 0; });
}

class InplaceGrabber : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();  // fonts for the caption
    grabber_ = module_test::CreateInplaceGrabber();
    ASSERT_TRUE(grabber_);
    record_ = RecordOf(grabber_.Get());
    ASSERT_NE(record_, nullptr);
  }

  // Connects source -> grabber -> sink, runs until the source has delivered `frames` more
  // frames and the sink has them, then stops and takes the chain apart again.
  void RunFrames(FrameSource* source, int frames) {
    FilterChain chain;
    ASSERT_EQ(filter_test::ConnectFilters(source, grabber_.Get()), S_OK);
    ASSERT_EQ(filter_test::ConnectFilters(grabber_.Get(), sink_.Get()), S_OK);
    chain.Add(source, "source");
    chain.Add(grabber_.Get(), "grabber");
    chain.Add(sink_.Get(), "sink");
    const int before = sink_->Samples();
    source->Stream()->timeStamps = true;
    source->Stream()->frameLimit = source->Stream()->delivered + frames;
    ASSERT_TRUE(SUCCEEDED(chain.Run()));
    EXPECT_TRUE(WaitUntil([&] { return sink_->Samples() >= before + frames; }));
    EXPECT_EQ(chain.Stop(), S_OK);
  }

  // S_OK or S_FALSE, as QueryAccept answers.
  HRESULT Accepts(const AM_MEDIA_TYPE& type) {
    return PinOf(grabber_.Get(), PINDIR_INPUT)->QueryAccept(&type);
  }

  ComPtr<IBaseFilter> grabber_;
  TGrabberControl* record_ = nullptr;
  ComPtr<CapturingRenderer> sink_ = MakeComObject<CapturingRenderer>();
};

TEST_F(InplaceGrabber, TypeChecksFollowTheRecordOptions) {
  const MediaType rgb24 = Video(MEDIASUBTYPE_RGB24);
  const MediaType rgb32 = Video(MEDIASUBTYPE_RGB32);
  const MediaType yuy2 = Video(MEDIASUBTYPE_YUY2);
  const MediaType audio(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
  // A notifier takes anything.
  EXPECT_EQ(Accepts(audio.Get()), S_OK);
  // Copying needs a video format block, of any subtype unless the format is checked.
  record_->CopyFrames = 1;
  EXPECT_EQ(Accepts(audio.Get()), S_FALSE);
  EXPECT_EQ(Accepts(yuy2.Get()), S_OK);
  // The strict test without a subtype: RGB only, and only the depth it met first.
  record_->CheckInputFormat = 1;
  EXPECT_EQ(Accepts(yuy2.Get()), S_FALSE);
  EXPECT_EQ(Accepts(rgb32.Get()), S_OK);
  EXPECT_EQ(Accepts(rgb24.Get()), S_FALSE);
  EXPECT_EQ(Accepts(rgb32.Get()), S_OK);
  // With a required subtype only the subtype counts.
  record_->RequiredSubtype = &MEDIASUBTYPE_RGB24;
  EXPECT_EQ(Accepts(rgb24.Get()), S_OK);
  EXPECT_EQ(Accepts(rgb32.Get()), S_FALSE);
}

TEST_F(InplaceGrabber, RawGrabberTakesYuvCopiesAndCountsEveryFrameWithoutACaption) {
  record_->Mode = kModeRawFrameGrabber;
  record_->CopyFrames = 1;
  SetCaption(*record_, "Raw");  // no DIB can be made of YUY2: nothing is drawn
  auto source = MakeComObject<FrameSource>(Video(MEDIASUBTYPE_YUY2));
  RunFrames(source.Get(), 5);

  const LONG frameSize = 64 * 32 * 2;
  EXPECT_EQ(record_->FrameCount.load(), 5);
  EXPECT_EQ(record_->FrameAvailable.load(), 1);
  EXPECT_EQ(record_->FramePending.load(), 1);
  EXPECT_EQ(record_->FilterUsingText.load(), 0);
  ASSERT_EQ(record_->FrameSize, frameSize);
  const std::vector<BYTE> passed = sink_->LastFrame();
  ASSERT_EQ(passed.size(), static_cast<std::size_t>(frameSize));
  for (std::size_t i = 0; i < passed.size(); ++i)
    ASSERT_EQ(passed[i], static_cast<BYTE>(i));
  EXPECT_EQ(std::memcmp(record_->FrameBuffer, passed.data(), passed.size()), 0);
  // The last frame's times; the copy of the connection type.
  EXPECT_EQ(record_->SampleTime.load(), 4 * 400'000);
  EXPECT_EQ(record_->SampleTime2.load(), 5 * 400'000);
  ASSERT_EQ(record_->FrameMediaTypeValid, 1);
  EXPECT_EQ(record_->FrameMediaType.subtype, MEDIASUBTYPE_YUY2);
}

TEST_F(InplaceGrabber, FramesOfAnotherLengthAreCountedButNotCopied) {
  record_->CopyFrames = 1;
  const MediaType type = Video(MEDIASUBTYPE_RGB24);
  auto first = MakeComObject<FrameSource>(type, std::vector<BYTE>(type->lSampleSize, 0x11));
  RunFrames(first.Get(), 1);
  ASSERT_EQ(record_->FrameSize, static_cast<LONG>(type->lSampleSize));
  BYTE* const buffer = record_->FrameBuffer;

  // Shorter frames of the same type.
  auto shorter = MakeComObject<FrameSource>(type, std::vector<BYTE>(100, 0x22));
  RunFrames(shorter.Get(), 3);

  EXPECT_EQ(record_->FrameCount.load(), 4);
  EXPECT_EQ(record_->SampleTime.load(), 2 * 400'000);
  EXPECT_EQ(record_->FrameBuffer, buffer);
  EXPECT_EQ(record_->FrameSize, static_cast<LONG>(type->lSampleSize));
  EXPECT_EQ(record_->FrameAvailable.load(), 1);
  EXPECT_TRUE(std::all_of(buffer, buffer + record_->FrameSize, [](BYTE b) { return b == 0x11; }));
}

TEST_F(InplaceGrabber, NotifierCountsWithoutABuffer) {
  record_->Mode = kModeFrameNotifier;
  auto source = MakeComObject<FrameSource>(Video(MEDIASUBTYPE_MJPG));
  RunFrames(source.Get(), 7);
  EXPECT_EQ(record_->FrameCount.load(), 7);
  EXPECT_EQ(record_->FramePending.load(), 1);
  EXPECT_EQ(record_->FrameBuffer, nullptr);
  EXPECT_EQ(record_->FrameAvailable.load(), 0);
}

TEST_F(InplaceGrabber, CaptionIsSkippedWhileTheComponentWritesTheText) {
  record_->CopyFrames = 1;
  SetCaption(*record_, "Hello");
  record_->ComponentWritingText = 1;
  const MediaType type = Video(MEDIASUBTYPE_RGB24);
  auto source = MakeComObject<FrameSource>(type, std::vector<BYTE>(type->lSampleSize, 0));
  RunFrames(source.Get(), 1);
  std::vector<BYTE> frame = sink_->LastFrame();
  EXPECT_TRUE(AllZero(frame.data(), frame.size()));

  record_->ComponentWritingText = 0;
  RunFrames(source.Get(), 1);
  frame = sink_->LastFrame();
  EXPECT_FALSE(AllZero(frame.data(), frame.size())) << "the caption reaches the video";
  EXPECT_EQ(std::memcmp(record_->FrameBuffer, frame.data(), frame.size()), 0)
      << "and the grabbed frame";
}

// A frame grabber that requires RGB24 behind a YUY2 camera: the graph puts the colour space
// converter in front of it, and the caption is in the copied frame, at the top of the picture.
TEST_F(InplaceGrabber, FrameGrabberGetsRgb24ThroughTheConverterWithTheCaption) {
  record_->Mode = kModeFrameGrabber;
  record_->CopyFrames = 1;
  record_->CheckInputFormat = 1;
  record_->RequiredSubtype = &MEDIASUBTYPE_RGB24;
  SetCaption(*record_, "WWWW");
  record_->TextRect = RECT{0, 0, 64, 16};  // the top half only
  // Black in YUY2: Y 16, U and V 128.
  std::vector<BYTE> black(64 * 32 * 2);
  for (std::size_t i = 0; i < black.size(); ++i)
    black[i] = i % 2 == 0 ? 16 : 128;
  auto source = MakeComObject<FrameSource>(Video(MEDIASUBTYPE_YUY2), black);

  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
  ASSERT_TRUE(SUCCEEDED(graph->AddFilter(source.Get(), "Source")));
  ASSERT_TRUE(SUCCEEDED(graph->AddFilter(grabber_.Get(), " Frame Grabber")));
  ASSERT_TRUE(SUCCEEDED(graph->AddFilter(sink_.Get(), "Sink")));
  ASSERT_EQ(graph->Connect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                           PinOf(grabber_.Get(), PINDIR_INPUT).Get()),
            S_OK);
  ASSERT_EQ(graph->Connect(PinOf(grabber_.Get(), PINDIR_OUTPUT).Get(),
                           PinOf(sink_.Get(), PINDIR_INPUT).Get()),
            S_OK);
  ASSERT_EQ(record_->FrameMediaTypeValid, 1);
  ASSERT_EQ(record_->FrameMediaType.subtype, MEDIASUBTYPE_RGB24);

  ComPtr<IMediaControl> control = graph.As<IMediaControl>();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(WaitUntil([&] { return record_->FrameAvailable.load() != 0; }));
  EXPECT_EQ(control->Stop(), S_OK);

  const BITMAPINFOHEADER* header = BitmapHeaderOf(record_->FrameMediaType);
  ASSERT_NE(header, nullptr);
  const DWORD stride = DibStride(header->biWidth, 24);
  ASSERT_EQ(record_->FrameSize, static_cast<LONG>(stride * 32));
  const auto pictureRow = [&](int row) {
    const int memoryRow = header->biHeight < 0 ? row : 31 - row;
    return record_->FrameBuffer + static_cast<std::size_t>(memoryRow) * stride;
  };
  int bright = 0;
  for (int row = 0; row < 16; ++row) {
    for (DWORD i = 0; i < stride; ++i)
      bright += pictureRow(row)[i] > 200 ? 1 : 0;
  }
  EXPECT_GT(bright, 20) << "caption in the top half";
  for (int row = 16; row < 32; ++row) {
    EXPECT_TRUE(
        std::all_of(pictureRow(row), pictureRow(row) + stride, [](BYTE b) { return b < 40; }))
        << "row " << row << " of the bottom half stays black";
  }
}

}  // namespace
