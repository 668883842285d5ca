// The colour space converter between a YUY2 source and sinks that take only some RGB types.

#include "dshow/filters/ColourSpaceConverter.h"

#include <gtest/gtest.h>

#include "FilterTestSupport.h"
#include "TestPictures.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/VideoMediaType.h"
#include "dshow/WindowInterfaces.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using namespace test_pictures;

MediaType Yuy2(int width, int height) {
  return *MakeVideoMediaType(MEDIASUBTYPE_YUY2, width, height, 333'333);
}

TEST(ColourSpaceConverterTest, Yuy2ToAnRgb24OnlySinkGivesThePatternsColours) {
  const std::vector<Rgb> bands = {kRed, kGreen, kBlue, kWhite};
  auto source = MakeComObject<FrameSource>(Yuy2(640, 480), Yuy2Bands(640, 480, bands));
  auto converter = MakeComObject<ColourSpaceConverter>();
  auto sink = MakeComObject<CapturingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  ASSERT_EQ(ConnectFilters(source.Get(), converter.Get()), S_OK);
  ASSERT_EQ(ConnectFilters(converter.Get(), sink.Get()), S_OK);

  MediaType connected;
  PinOf(sink.Get(), PINDIR_INPUT)->ConnectionMediaType(connected.ResetAndGet());
  EXPECT_EQ(connected->subtype, MEDIASUBTYPE_RGB24);
  const auto format = ReadVideoFormat(connected.Get());
  ASSERT_TRUE(format);
  EXPECT_EQ(format->width, 640);
  EXPECT_EQ(format->height, 480) << "RGB rows bottom-up";
  EXPECT_EQ(format->avgTimePerFrame, 333'333) << "the frame rate goes through";

  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(converter.Get(), "Color Space Converter");
  chain.Add(sink.Get(), "sink");
  source->Stream()->frameLimit = 3;
  ASSERT_TRUE(SUCCEEDED(chain.Run()));
  ASSERT_TRUE(filter_test::WaitUntil([&] { return sink->Samples() == 3; }));
  const std::vector<BYTE> frame = sink->LastFrame();
  ASSERT_EQ(frame.size(), 640u * 480 * 3);
  for (int band = 0; band < 4; ++band) {
    const int pictureRow = band * 120 + 60;
    EXPECT_TRUE(Near(Rgb24At(frame, 640, 479 - pictureRow, 320), bands[band])) << "band " << band;
  }
  EXPECT_TRUE(filter_test::WaitUntil([&] { return chain.Graph().Count(EC_COMPLETE) == 1; }))
      << "end of stream goes through";
}

TEST(ColourSpaceConverterTest, OffersRgb32FirstAndTakesAnyWritableSubtypeOfTheSameSize) {
  auto source = MakeComObject<FrameSource>(Yuy2(64, 48));
  auto converter = MakeComObject<ColourSpaceConverter>();
  auto sink = MakeComObject<CapturingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB555});
  FilterChain chain;  // disconnects them at the end
  chain.Add(source.Get(), "source");
  chain.Add(converter.Get(), "converter");
  chain.Add(sink.Get(), "sink");
  ASSERT_EQ(ConnectFilters(source.Get(), converter.Get()), S_OK);
  const ComPtr<IPin> output = PinOf(converter.Get(), PINDIR_OUTPUT);

  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(output->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
  AM_MEDIA_TYPE* first = nullptr;
  ULONG fetched = 0;
  ASSERT_EQ(types->Next(1, &first, &fetched), S_OK);
  const MediaType offered = MediaType::Adopt(first);
  EXPECT_EQ(offered->subtype, MEDIASUBTYPE_RGB32);

  // A top-down RGB565 sink of the same size is fine; another size or MJPG is not.
  EXPECT_EQ(output->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_RGB565, 64, -48)->Ptr()), S_OK);
  EXPECT_EQ(output->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_RGB24, 32, 24)->Ptr()), S_FALSE);
  EXPECT_EQ(output->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_MJPG, 64, 48)->Ptr()), S_FALSE);

  // The sink's partial request (a subtype and nothing else) picks the matching offer.
  AM_MEDIA_TYPE partial;
  partial.subtype = MEDIASUBTYPE_RGB555;
  EXPECT_EQ(output->Connect(PinOf(sink.Get(), PINDIR_INPUT).Get(), &partial), S_OK);
}

TEST(ColourSpaceConverterTest, TheGraphPlacesItBetweenPinsThatDoNotConnectDirectly) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph.ReleaseAndGetVoidAddress()),
            S_OK);
  auto source = MakeComObject<FrameSource>(Yuy2(64, 48));
  auto sink = MakeComObject<CapturingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
  ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
  ASSERT_EQ(graph->Connect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                           PinOf(sink.Get(), PINDIR_INPUT).Get()),
            S_OK);
  ComPtr<IBaseFilter> converter;
  ASSERT_EQ(graph->FindFilterByName("Color Space Converter", converter.ReleaseAndGetAddressOf()),
            S_OK);
  CLSID clsid;
  converter->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_Colour);

  // Rendering a video pin adds the video renderer.
  auto other = MakeComObject<FrameSource>(Yuy2(64, 48));
  ASSERT_EQ(graph->AddFilter(other.Get(), "other"), S_OK);
  ASSERT_EQ(graph->Render(PinOf(other.Get(), PINDIR_OUTPUT).Get()), S_OK);
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(graph->FindFilterByName("Video Renderer", renderer.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(renderer.As<IVideoWindow>());
}

TEST(ColourSpaceConverterTest, RefusesCompressedAndUnknownInput) {
  auto converter = MakeComObject<ColourSpaceConverter>();
  const ComPtr<IPin> input = PinOf(converter.Get(), PINDIR_INPUT);
  EXPECT_EQ(input->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_MJPG, 64, 48)->Ptr()), S_FALSE);
  EXPECT_EQ(input->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_I420, 64, 48)->Ptr()), S_OK);
  AM_MEDIA_TYPE noFormat;
  noFormat.majortype = MEDIATYPE_Video;
  noFormat.subtype = MEDIASUBTYPE_YUY2;
  EXPECT_EQ(input->QueryAccept(&noFormat), S_FALSE);
  // Nothing to offer before the input knows its size.
  auto sink = MakeComObject<CapturingRenderer>();
  EXPECT_TRUE(FAILED(ConnectFilters(converter.Get(), sink.Get())));
}

}  // namespace
