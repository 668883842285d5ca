// The capture graph builder: finding pins and interfaces around a capture device, rendering its
// streams, the output file, stream control and capture files.

#include <gtest/gtest.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>

#include "Boards.h"
#include "TestFilters.h"
#include "com/Com.h"
#include "dshow/Uuids.h"
#include "dshow/graph/PinQueries.h"

namespace dshow_test {
namespace {

std::string LabelOf(IUnknown* object) {
  if (object == nullptr) return "none";
  ComPtr<IMarker> marker;
  if (FAILED(object->QueryInterface(IMarker::iid, marker.ReleaseAndGetVoidAddress()))) return {};
  return marker->Label();
}

class Builder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, &builder), S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
    ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    graph->AddFilter(device.Get(), "Device");
  }
  ComPtr<IPin> Find(PIN_DIRECTION direction, const GUID* category, const GUID* type,
                    BOOL unconnected, int index) {
    ComPtr<IPin> pin;
    builder->FindPin(device->AsFilter(), direction, category, type, unconnected, index,
                     pin.ReleaseAndGetAddressOf());
    return pin;
  }
  std::string FoundOn(const GUID* category, const GUID* type, IBaseFilter* filter) {
    ComPtr<IMarker> marker;
    if (FAILED(builder->FindInterface(category, type, filter, IMarker::iid,
                                      marker.ReleaseAndGetVoidAddress()))) {
      return "nothing";
    }
    return marker->Label();
  }

  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IGraphBuilder> graph;
  ComPtr<CaptureDevice> device = MakeComObject<CaptureDevice>();
};

TEST_F(Builder, FindPinFiltersByCategoryTypeConnectionAndIndex) {
  EXPECT_EQ(LabelOf(Find(PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, FALSE, 0).Get()), "");
  device->Pin("Capture")->marked = true;
  device->Pin("Audio")->marked = true;
  EXPECT_EQ(LabelOf(Find(PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, FALSE, 0).Get()),
            "Capture");
  EXPECT_EQ(LabelOf(Find(PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, FALSE, 1).Get()), "Audio");
  EXPECT_FALSE(Find(PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, FALSE, 2));
  EXPECT_EQ(LabelOf(Find(PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, FALSE, 0).Get()),
            "Audio");
  EXPECT_FALSE(Find(PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, FALSE, 0));
  EXPECT_FALSE(Find(PINDIR_OUTPUT, &PIN_CATEGORY_ANALOGVIDEOIN, nullptr, FALSE, 0));
  EXPECT_EQ(dshow::FilterName(
                dshow::FilterOf(Find(PINDIR_INPUT, nullptr, nullptr, FALSE, 0).Get()).Get()),
            "Device");

  // A connected pin is passed over when only unconnected ones are asked for.
  auto sink = MakeComObject<Board>("sink");
  sink->AddPin("In", PINDIR_INPUT, {MEDIATYPE_Video});
  graph->AddFilter(sink.Get(), "Sink");
  ASSERT_EQ(graph->Connect(device->Pin("Capture"), sink->Pin("In")), S_OK);
  EXPECT_EQ(LabelOf(Find(PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, TRUE, 0).Get()),
            "none");
  EXPECT_EQ(LabelOf(Find(PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, FALSE, 0).Get()),
            "Capture");

  // A pin given as the source is checked itself.
  ComPtr<IPin> pin;
  EXPECT_EQ(builder->FindPin(static_cast<IPin*>(device->Pin("Preview")), PINDIR_OUTPUT,
                             &PIN_CATEGORY_PREVIEW, nullptr, TRUE, 0, pin.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(builder->FindPin(static_cast<IPin*>(device->Pin("Preview")), PINDIR_OUTPUT,
                             &PIN_CATEGORY_CAPTURE, nullptr, TRUE, 0, pin.ReleaseAndGetAddressOf()),
            E_FAIL);
}

TEST_F(Builder, FindInterfaceSearchesTheFilterItsPinsDownstreamAndUpstream) {
  auto sink = MakeComObject<Board>("sink", /*marked=*/true);
  sink->AddPin("In", PINDIR_INPUT, {MEDIATYPE_Video});
  graph->AddFilter(sink.Get(), "Sink");
  ASSERT_EQ(graph->Connect(device->Pin("Preview"), sink->Pin("In")), S_OK);
  device->Pin("Capture")->marked = true;

  EXPECT_EQ(FoundOn(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, device.Get()), "Capture");
  // Downstream of the preview pin.
  EXPECT_EQ(FoundOn(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, device.Get()), "sink");
  EXPECT_EQ(FoundOn(&PIN_CATEGORY_VIDEOPORT, nullptr, device.Get()), "Video Crossbar");
  device->Pin("Capture")->marked = false;
  EXPECT_EQ(FoundOn(nullptr, nullptr, device.Get()), "sink");
  EXPECT_EQ(FoundOn(&LOOK_UPSTREAM_ONLY, nullptr, sink.Get()), "Video Crossbar");
}

TEST_F(Builder, UpstreamDeviceFiltersAreAddedOnceAndSearchedInOrder) {
  EXPECT_EQ(FoundOn(nullptr, nullptr, device.Get()), "Video Crossbar");
  EXPECT_EQ(FoundOn(&LOOK_UPSTREAM_ONLY, nullptr, device.Get()), "Video Crossbar");
  ComPtr<IBaseFilter> video;
  ASSERT_EQ(graph->FindFilterByName("Video Crossbar", video.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IBaseFilter> audio;
  ASSERT_EQ(graph->FindFilterByName("Audio Crossbar", audio.ReleaseAndGetAddressOf()), S_OK);
  // Not the filter itself: the one upstream of it.
  EXPECT_EQ(FoundOn(&LOOK_UPSTREAM_ONLY, nullptr, video.Get()), "Audio Crossbar");
  EXPECT_EQ(FoundOn(&LOOK_UPSTREAM_ONLY, nullptr, audio.Get()), "nothing");
  EXPECT_EQ(FoundOn(&LOOK_DOWNSTREAM_ONLY, nullptr, audio.Get()), "Video Crossbar");
  EXPECT_EQ(FoundOn(&LOOK_DOWNSTREAM_ONLY, nullptr, device.Get()), "nothing");
  EXPECT_GE(device->upstreamCalls, 1);
  // Asking again adds nothing: the graph still holds one of each.
  ComPtr<IBaseFilter> again;
  EXPECT_EQ(graph->FindFilterByName("Video Crossbar 0001", again.ReleaseAndGetAddressOf()),
            VFW_E_NOT_FOUND);
}

TEST_F(Builder, RenderStreamConnectsThroughTheCompressorAndSplitsAMissingPreview) {
  auto compressor = MakeComObject<Board>("compressor");
  compressor->AddPin("In", PINDIR_INPUT, {MEDIATYPE_Video});
  compressor->AddPin("Out", PINDIR_OUTPUT, {MEDIATYPE_Video});
  auto mux = MakeComObject<FileMux>();
  graph->AddFilter(compressor.Get(), "Compressor");
  graph->AddFilter(mux.Get(), "Mux");
  EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, device->AsFilter(),
                                  compressor.Get(), mux.Get()),
            S_OK);
  EXPECT_TRUE(device->Pin("Capture")->IsConnected());
  EXPECT_TRUE(mux->Pin("Input 01")->IsConnected());
  EXPECT_GE(device->upstreamCalls, 1);

  // The device's own preview pin is taken first; once it is used, a preview is split off the
  // capture pin (which is now busy too, so it fails).
  auto renderer = MakeComObject<Board>("renderer");
  renderer->AddPin("In", PINDIR_INPUT, {MEDIATYPE_Video});
  graph->AddFilter(renderer.Get(), "Renderer");
  EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, device->AsFilter(),
                                  nullptr, renderer.Get()),
            S_OK);
  EXPECT_TRUE(device->Pin("Preview")->IsConnected());
  EXPECT_TRUE(FAILED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                           device->AsFilter(), nullptr, renderer.Get())));
}

TEST_F(Builder, APreviewWithoutAPreviewPinGoesThroughASmartTee) {
  if (!IsBuiltInClass(CLSID_SmartTee)) GTEST_SKIP() << "no Smart Tee in this build";
  auto camera = MakeComObject<PatternSource>();
  camera->Stream()->SetCategory(PIN_CATEGORY_CAPTURE);
  auto renderer = MakeComObject<RecordingRenderer>();
  graph->AddFilter(camera.Get(), "Camera");
  graph->AddFilter(renderer.Get(), "Renderer");
  EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
                                  static_cast<IBaseFilter*>(camera.Get()), nullptr, renderer.Get()),
            VFW_S_NOPREVIEWPIN);
  ComPtr<IBaseFilter> tee;
  ASSERT_EQ(graph->FindFilterByName("Smart Tee", tee.ReleaseAndGetAddressOf()), S_OK);
  const auto teeOutputs = dshow::PinsOf(tee.Get(), PINDIR_OUTPUT);
  ASSERT_EQ(teeOutputs.size(), 2u);
  EXPECT_TRUE(IsSameObject(dshow::PeerOf(renderer->GetPin(0)).Get(), teeOutputs[1].Get()));
  EXPECT_TRUE(camera->GetPin(0)->IsConnected());
}

TEST_F(Builder, SetOutputFileNameNamesTheFileOfAMuxThatWritesItself) {
  static constexpr CLSID kMuxClass = MakeGuid("8A41C0D3-2B7F-4E26-A9D8-51C3E7F06B2C");
  RegisterBuiltInClass(kMuxClass, CreatorOf<FileMux>());
  ComPtr<IBaseFilter> mux;
  ComPtr<IFileSinkFilter> sink;
  ASSERT_EQ(builder->SetOutputFileName(&kMuxClass, "capture.avi", mux.ReleaseAndGetAddressOf(),
                                       sink.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(static_cast<FileMux*>(static_cast<CBaseFilter*>(mux.Get()))->file, "capture.avi");
  EXPECT_EQ(dshow::FilterName(mux.Get()), "Mux");
  UnregisterBuiltInClass(kMuxClass);

  if (!IsBuiltInClass(CLSID_AviDest)) {
    EXPECT_EQ(builder->SetOutputFileName(&MEDIASUBTYPE_Avi, "capture.avi", nullptr, nullptr),
              REGDB_E_CLASSNOTREG);
  }
}

TEST_F(Builder, SetOutputFileNameForAviGivesTheAviMuxAsItsOwnFileSink) {
  ComPtr<IBaseFilter> mux;
  ComPtr<IFileSinkFilter> sink;
  ASSERT_EQ(builder->SetOutputFileName(&MEDIASUBTYPE_Avi, "capture.avi",
                                       mux.ReleaseAndGetAddressOf(), sink.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_TRUE(IsSameObject(mux.Get(), sink.Get()));
  CLSID clsid{};
  ASSERT_EQ(mux->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_AviDest);
  ComPtr<IBaseFilter> writer;
  EXPECT_NE(graph->FindFilterByName("File writer", writer.ReleaseAndGetAddressOf()), S_OK);
  LPOLESTR file = nullptr;
  ASSERT_EQ(sink->GetCurFile(&file, nullptr), S_OK);
  EXPECT_STREQ(file, "capture.avi");
  CoTaskMemFree(file);
}

TEST_F(Builder, ControlStreamReachesThePinsThatOfferIt) {
  REFERENCE_TIME start = 5;
  REFERENCE_TIME stop = MAX_TIME;
  EXPECT_EQ(builder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, device.Get(), &start,
                                   &stop, 1, 2),
            E_FAIL);
  device->Pin("Capture")->streamControl = true;
  EXPECT_EQ(
      builder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, nullptr, &start, &stop, 1, 2),
      S_OK);
  const AM_STREAM_INFO& info = device->Pin("Capture")->streamInfo;
  EXPECT_EQ(info.tStart, 5);
  EXPECT_EQ(info.tStop, MAX_TIME);
  EXPECT_EQ(info.dwStartCookie, 1u);
  EXPECT_EQ(info.dwStopCookie, 2u);
}

TEST_F(Builder, ControlStreamReachesTheInputAnOutputWithoutItFeeds) {
  auto mux = MakeComObject<Board>("Mux");
  auto* input = mux->AddPin("Video in", PINDIR_INPUT, {MEDIATYPE_Video});
  input->streamControl = true;
  graph->AddFilter(mux.Get(), "Mux");
  ASSERT_EQ(graph->ConnectDirect(device->Pin("Capture"), input, nullptr), S_OK);
  REFERENCE_TIME start = 7;
  REFERENCE_TIME stop = 9;
  EXPECT_EQ(builder->ControlStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, device.Get(), &start,
                                   &stop, 3, 4),
            S_OK);
  EXPECT_EQ(input->streamInfo.tStart, 7);
  EXPECT_EQ(input->streamInfo.tStop, 9);
  EXPECT_EQ(input->streamInfo.dwStopCookie, 4u);
  graph->Disconnect(device->Pin("Capture"));
  graph->Disconnect(input);
}

// ---- Capture files -----------------------------------------------------------------------------

class ProgressRecorder final : public ComObject<ProgressRecorder, IAMCopyCaptureFileProgress> {
 public:
  HRESULT Progress(int percent) override {
    last = percent;
    return percent >= cancelAt ? E_ABORT : S_OK;
  }
  int last = -1;
  int cancelAt = 101;
};

void WriteChunk(std::ofstream& out, const char* id, const char* form, std::uint32_t size) {
  out.write(id, 4);
  const char bytes[4] = {static_cast<char>(size), static_cast<char>(size >> 8),
                         static_cast<char>(size >> 16), static_cast<char>(size >> 24)};
  out.write(bytes, 4);
  out.write(form, 4);
  out.write(std::string(size - 4, 'x').data(), size - 4);
}

TEST_F(Builder, AllocCapFileCreatesAndExtendsButNeverShrinks) {
  EXPECT_EQ(builder->AllocCapFile("prealloc.avi", 100000), S_OK);
  EXPECT_EQ(std::filesystem::file_size("prealloc.avi"), 100000u);
  EXPECT_EQ(builder->AllocCapFile("prealloc.avi", 200000), S_OK);
  EXPECT_EQ(std::filesystem::file_size("prealloc.avi"), 200000u);
  EXPECT_EQ(builder->AllocCapFile("prealloc.avi", 1000), S_OK);
  EXPECT_EQ(std::filesystem::file_size("prealloc.avi"), 200000u);
  EXPECT_TRUE(FAILED(builder->AllocCapFile("no/such/dir/prealloc.avi", 1000)));
}

TEST_F(Builder, AllocCapFileTakesSizesBeyondThirtyTwoBits) {
  struct statfs fs {};
  struct statvfs space {};
  constexpr DWORDLONG kSize = (DWORDLONG{1} << 32) + 4096;
  constexpr long kTmpfsMagic = 0x01021994;
  if (statfs(".", &fs) != 0 || statvfs(".", &space) != 0 || fs.f_type == kTmpfsMagic ||
      DWORDLONG{space.f_bavail} * space.f_frsize < 4 * kSize) {
    GTEST_SKIP() << "not enough disk room for a file over 4 GB here";
  }
  ASSERT_EQ(builder->AllocCapFile("big.avi", kSize), S_OK);
  EXPECT_EQ(std::filesystem::file_size("big.avi"), kSize);
  std::filesystem::remove("big.avi");
}

TEST_F(Builder, CopyCaptureFileCopiesTheRiffChainOfAPreallocatedFile) {
  {
    std::ofstream out("capture.avi", std::ios::binary);
    WriteChunk(out, "RIFF", "AVI ", 1000);
    WriteChunk(out, "RIFF", "AVIX", 500);
    out.write(std::string(20000, '\0').data(), 20000);  // the preallocated rest
  }
  auto progress = MakeComObject<ProgressRecorder>();
  char from[] = "capture.avi";
  char to[] = "copy.avi";
  ASSERT_EQ(builder->CopyCaptureFile(from, to, 0, progress.Get()), S_OK);
  EXPECT_EQ(std::filesystem::file_size("copy.avi"), 8u + 1000 + 8 + 500);
  EXPECT_EQ(progress->last, 100);

  char plain[] = "plain.bin";
  { std::ofstream("plain.bin", std::ios::binary) << std::string(3000, 'p'); }
  ASSERT_EQ(builder->CopyCaptureFile(plain, to, 0, nullptr), S_OK);
  EXPECT_EQ(std::filesystem::file_size("copy.avi"), 3000u);

  progress->cancelAt = 0;
  EXPECT_EQ(builder->CopyCaptureFile(from, to, 0, progress.Get()), E_ABORT);
  EXPECT_FALSE(std::filesystem::exists("copy.avi"));
}

}  // namespace
}  // namespace dshow_test
