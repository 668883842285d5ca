// The Smart Tee and the Infinite Pin Tee: pins, categories and where the samples go.

#include <gtest/gtest.h>

#include "FilterTestSupport.h"
#include "dshow/DeviceInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/filters/InfiniteTee.h"
#include "dshow/filters/SmartTee.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using filter_test::WaitUntil;

MediaType SmallVideo() {
  return *MakeVideoMediaType(MEDIASUBTYPE_RGB24, 16, 8, 400'000);
}

GUID CategoryOf(IPin* pin) {
  ComPtr<IKsPropertySet> properties;
  GUID category;
  DWORD returned = 0;
  if (FAILED(pin->QueryInterface(IID_IKsPropertySet, properties.ReleaseAndGetVoidAddress())) ||
      FAILED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                             sizeof(category), &returned))) {
    return GUID_NULL;
  }
  return category;
}

std::string NameOf(IPin* pin) {
  PIN_INFO info;
  pin->QueryPinInfo(&info);
  return info.achName;
}

TEST(SmartTeeTest, CaptureAndPreviewOutputsCarryTheirCategories) {
  auto tee = MakeComObject<SmartTee>();
  const ComPtr<IPin> capture = PinOf(tee.Get(), PINDIR_OUTPUT, 0);
  const ComPtr<IPin> preview = PinOf(tee.Get(), PINDIR_OUTPUT, 1);
  ASSERT_TRUE(capture && preview);
  EXPECT_EQ(NameOf(capture.Get()), "Capture");
  EXPECT_EQ(NameOf(preview.Get()), "Preview");
  EXPECT_EQ(CategoryOf(capture.Get()), PIN_CATEGORY_CAPTURE);
  EXPECT_EQ(CategoryOf(preview.Get()), PIN_CATEGORY_PREVIEW);
  // The outputs follow the input: nothing to connect before it is.
  auto sink = MakeComObject<CapturingRenderer>();
  EXPECT_TRUE(FAILED(ConnectFilters(tee.Get(), sink.Get())));
}

TEST(SmartTeeTest, AStalledPreviewNeverHoldsUpTheCaptureStream) {
  auto source = MakeComObject<FrameSource>(SmallVideo());
  source->Stream()->timeStamps = true;
  auto tee = MakeComObject<SmartTee>();
  auto captured = MakeComObject<CapturingRenderer>();
  auto previewed = MakeComObject<CapturingRenderer>();
  ASSERT_EQ(ConnectFilters(source.Get(), tee.Get()), S_OK);
  ASSERT_EQ(PinOf(tee.Get(), PINDIR_OUTPUT, 0)
                ->Connect(PinOf(captured.Get(), PINDIR_INPUT).Get(), nullptr),
            S_OK);
  ASSERT_EQ(PinOf(tee.Get(), PINDIR_OUTPUT, 1)
                ->Connect(PinOf(previewed.Get(), PINDIR_INPUT).Get(), nullptr),
            S_OK);
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(tee.Get(), "Smart Tee");
  chain.Add(captured.Get(), "capture sink");
  chain.Add(previewed.Get(), "preview sink");

  previewed->Hold();  // the preview side takes one frame and then stalls
  ASSERT_TRUE(SUCCEEDED(chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return previewed->Waiting(); }));
  ASSERT_TRUE(WaitUntil([&] { return captured->Samples() >= 100; }))
      << "the capture side stopped at " << captured->Samples();
  EXPECT_EQ(previewed->Samples(), 1);
  EXPECT_GT(tee->PreviewPin()->FramesDropped(), 0);
  EXPECT_TRUE(captured->LastHadTimes());
  EXPECT_FALSE(previewed->LastHadTimes()) << "preview samples carry no time stamps";
  EXPECT_EQ(previewed->LastFrame(), captured->LastFrame());

  // Once the preview side moves again it gets the newest frames.
  previewed->Unhold();
  ASSERT_TRUE(WaitUntil([&] { return previewed->Samples() >= 3; }));
  EXPECT_EQ(chain.Stop(), S_OK);
}

TEST(SmartTeeTest, EndOfStreamReachesBothSides) {
  auto source = MakeComObject<FrameSource>(SmallVideo());
  source->Stream()->frameLimit = 5;
  auto tee = MakeComObject<SmartTee>();
  auto captured = MakeComObject<CapturingRenderer>();
  auto previewed = MakeComObject<CapturingRenderer>();
  ASSERT_EQ(ConnectFilters(source.Get(), tee.Get()), S_OK);
  ASSERT_EQ(ConnectFilters(tee.Get(), captured.Get()), S_OK);
  ASSERT_EQ(ConnectFilters(tee.Get(), previewed.Get()), S_OK);
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(tee.Get(), "Smart Tee");
  chain.Add(captured.Get(), "capture sink");
  chain.Add(previewed.Get(), "preview sink");
  ASSERT_TRUE(SUCCEEDED(chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return chain.Graph().Count(EC_COMPLETE) == 2; }));
  EXPECT_EQ(captured->Samples(), 5);
  EXPECT_GE(previewed->Samples(), 1);
}

TEST(InfiniteTeeTest, ANewOutputAppearsWhenTheLastOneConnects) {
  auto source = MakeComObject<FrameSource>(SmallVideo());
  auto tee = MakeComObject<InfiniteTee>();
  std::vector<ComPtr<CapturingRenderer>> sinks;
  for (int i = 0; i < 3; ++i)
    sinks.push_back(MakeComObject<CapturingRenderer>());

  ASSERT_TRUE(PinOf(tee.Get(), PINDIR_OUTPUT, 0));
  EXPECT_FALSE(PinOf(tee.Get(), PINDIR_OUTPUT, 1));
  EXPECT_TRUE(FAILED(ConnectFilters(tee.Get(), sinks[0].Get()))) << "the input comes first";
  EXPECT_FALSE(PinOf(tee.Get(), PINDIR_OUTPUT, 1)) << "a failed attempt adds no pin";

  ASSERT_EQ(ConnectFilters(source.Get(), tee.Get()), S_OK);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(ConnectFilters(tee.Get(), sinks[static_cast<size_t>(i)].Get()), S_OK);
  }
  ASSERT_TRUE(PinOf(tee.Get(), PINDIR_OUTPUT, 3));
  EXPECT_FALSE(PinOf(tee.Get(), PINDIR_OUTPUT, 4));
  EXPECT_EQ(NameOf(PinOf(tee.Get(), PINDIR_OUTPUT, 3).Get()), "Output4");

  // Disconnecting one while a free output exists removes it; the rest keep their names.
  const ComPtr<IPin> second = PinOf(tee.Get(), PINDIR_OUTPUT, 1);
  EXPECT_EQ(PinOf(sinks[1].Get(), PINDIR_INPUT)->Disconnect(), S_OK);
  EXPECT_EQ(second->Disconnect(), S_OK);
  EXPECT_EQ(NameOf(PinOf(tee.Get(), PINDIR_OUTPUT, 1).Get()), "Output3");
  EXPECT_FALSE(PinOf(tee.Get(), PINDIR_OUTPUT, 3));
  EXPECT_EQ(NameOf(second.Get()), "Output2") << "a removed pin stays usable for its holder";

  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(tee.Get(), "Infinite Pin Tee");
  for (const auto& sink : sinks)
    chain.Add(sink.Get(), "sink");
  ASSERT_TRUE(SUCCEEDED(chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return sinks[0]->Samples() >= 5 && sinks[2]->Samples() >= 5; }));
  EXPECT_EQ(sinks[1]->Samples(), 0);
  EXPECT_EQ(sinks[0]->LastFrame().size(), SmallVideo()->lSampleSize);
}

TEST(InfiniteTeeTest, OutputsGetReadOnlySamplesSoInPlacePeersCopyThem) {
  auto source = MakeComObject<FrameSource>(SmallVideo());
  auto tee = MakeComObject<InfiniteTee>();
  auto sink = MakeComObject<CapturingRenderer>();
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(tee.Get(), "tee");
  chain.Add(sink.Get(), "sink");
  ASSERT_EQ(ConnectFilters(source.Get(), tee.Get()), S_OK);
  ASSERT_EQ(ConnectFilters(tee.Get(), sink.Get()), S_OK);
  EXPECT_TRUE(sink->InputPin()->IsReadOnly());
}

}  // namespace
