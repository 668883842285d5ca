// Membership, naming and connection of filters in the filter graph, with converters and
// renderers taken from the registry.

#include <gtest/gtest.h>

#include "TestFilters.h"
#include "dshow/graph/FilterRegistry.h"
#include "dshow/graph/PinQueries.h"

namespace dshow_test {
namespace {

using dshow::FilterRegistration;
using dshow::FilterRegistry;
using dshow::FilterRole;

ComPtr<IGraphBuilder> NewGraph() {
  ComPtr<IGraphBuilder> graph;
  EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
  return graph;
}

std::vector<std::string> NamesIn(IGraphBuilder* graph) {
  std::vector<std::string> names;
  ComPtr<IEnumFilters> filters;
  graph->EnumFilters(filters.ReleaseAndGetAddressOf());
  IBaseFilter* filter = nullptr;
  ULONG fetched = 0;
  while (filters->Next(1, &filter, &fetched) == S_OK) {
    names.push_back(dshow::FilterName(filter));
    filter->Release();
  }
  return names;
}

TEST(FilterGraph, NamesAreMadeUniqueAndFiltersKnowTheirGraph) {
  auto graph = NewGraph();
  auto first = MakeComObject<RecordingRenderer>();
  auto second = MakeComObject<RecordingRenderer>();
  auto third = MakeComObject<RecordingRenderer>();
  auto unnamed = MakeComObject<RecordingRenderer>();
  EXPECT_EQ(graph->AddFilter(first.Get(), "Video Renderer"), S_OK);
  EXPECT_EQ(graph->AddFilter(second.Get(), "Video Renderer"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(graph->AddFilter(third.Get(), "Video Renderer"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(graph->AddFilter(unnamed.Get(), nullptr), S_OK);
  EXPECT_EQ(second->Name(), "Video Renderer 0001");
  EXPECT_EQ(third->Name(), "Video Renderer 0002");
  EXPECT_FALSE(unnamed->Name().empty());
  EXPECT_EQ(NamesIn(graph.Get()),
            (std::vector<std::string>{"Video Renderer", "Video Renderer 0001",
                                      "Video Renderer 0002", unnamed->Name()}));

  ComPtr<IBaseFilter> found;
  ASSERT_EQ(graph->FindFilterByName("Video Renderer 0001", found.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(IsSameObject(found.Get(), static_cast<IBaseFilter*>(second.Get())));
  EXPECT_EQ(graph->FindFilterByName("none", found.ReleaseAndGetAddressOf()), VFW_E_NOT_FOUND);
  FILTER_INFO info;
  ASSERT_EQ(first->QueryFilterInfo(&info), S_OK);
  EXPECT_TRUE(IsSameObject(info.pGraph.Get(), graph.Get()));
}

TEST(FilterGraph, RemoveFilterDisconnectsBothSidesAndLetsTheFilterGo) {
  auto graph = NewGraph();
  auto source = MakeComObject<PatternSource>();
  auto renderer = MakeComObject<RecordingRenderer>();
  graph->AddFilter(source.Get(), "Source");
  graph->AddFilter(renderer.Get(), "Renderer");
  ASSERT_EQ(graph->Connect(source->GetPin(0), renderer->GetPin(0)), S_OK);
  EXPECT_EQ(graph->Connect(source->GetPin(0), renderer->GetPin(0)), VFW_E_ALREADY_CONNECTED);

  ComPtr<IMediaControl> control = graph.As<IMediaControl>();
  control->Pause();
  EXPECT_EQ(graph->RemoveFilter(renderer.Get()), VFW_E_NOT_STOPPED);
  control->Stop();
  EXPECT_EQ(graph->RemoveFilter(renderer.Get()), S_OK);
  EXPECT_FALSE(source->GetPin(0)->IsConnected());
  EXPECT_FALSE(renderer->GetPin(0)->IsConnected());
  EXPECT_EQ(renderer->Graph(), nullptr);
  EXPECT_EQ(graph->RemoveFilter(renderer.Get()), VFW_E_NOT_FOUND);
  EXPECT_EQ(NamesIn(graph.Get()), std::vector<std::string>{"Source"});
}

TEST(FilterGraph, ReleasingTheGraphReleasesConnectedFilters) {
  ComPtr<IBaseFilter> kept;
  {
    auto graph = NewGraph();
    auto source = MakeComObject<PatternSource>();
    auto renderer = MakeComObject<RecordingRenderer>();
    graph->AddFilter(source.Get(), "Source");
    graph->AddFilter(renderer.Get(), "Renderer");
    ASSERT_EQ(graph->Connect(source->GetPin(0), renderer->GetPin(0)), S_OK);
    kept = renderer;
  }
  // Only our reference is left: the connection no longer holds the renderer.
  EXPECT_EQ(kept->AddRef(), 2u);
  EXPECT_EQ(kept->Release(), 1u);
  EXPECT_EQ(static_cast<RecordingRenderer*>(kept.Get())->Graph(), nullptr);
}

// Subtypes only the test's converter bridges, so that no converter of the platform can.
constexpr GUID kFromSubtype = FourCCGuid(MakeFourCC('T', 'S', 'T', 'A'));
constexpr GUID kToSubtype = FourCCGuid(MakeFourCC('T', 'S', 'T', 'B'));
constexpr GUID kOtherSubtype = FourCCGuid(MakeFourCC('T', 'S', 'T', 'C'));
// Above every merit the platform's own filters use.
constexpr DWORD kTestMerit = 0xFFFFFF00;

// A converter between the test subtypes under the name the graph gives it, and one that is
// tried first but cannot do the job.
class Converters : public ::testing::Test {
 protected:
  static constexpr CLSID kGoodClass = MakeGuid("6F1D3B22-8E0A-4C55-9D61-3A7E2B9C0D14");
  static constexpr CLSID kUselessClass = MakeGuid("6F1D3B22-8E0A-4C55-9D61-3A7E2B9C0D15");
  static constexpr CLSID kRendererClass = MakeGuid("6F1D3B22-8E0A-4C55-9D61-3A7E2B9C0D16");

  void SetUp() override {
    RegisterBuiltInClass(kGoodClass, [](IUnknown*, REFIID riid, void** object) {
      return MakeComObject<SubtypeConverter>(kFromSubtype, kToSubtype)
          ->QueryInterface(riid, object);
    });
    RegisterBuiltInClass(kUselessClass, [](IUnknown*, REFIID riid, void** object) {
      return MakeComObject<SubtypeConverter>(kOtherSubtype, kToSubtype)
          ->QueryInterface(riid, object);
    });
    RegisterBuiltInClass(kRendererClass, [](IUnknown*, REFIID riid, void** object) {
      return MakeComObject<RecordingRenderer>(std::vector<GUID>{kToSubtype})
          ->QueryInterface(riid, object);
    });
  }
  void TearDown() override {
    for (const CLSID& clsid : {kGoodClass, kUselessClass, kRendererClass}) {
      FilterRegistry::Unregister(clsid);
      UnregisterBuiltInClass(clsid);
    }
  }
  void RegisterConverters() {
    FilterRegistry::Register(
        {kUselessClass, "Useless Converter", kTestMerit + 1, FilterRole::kConverter, nullptr});
    FilterRegistry::Register({kGoodClass, "Color Space Converter", kTestMerit,
                              FilterRole::kConverter,
                              [](const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE*) {
                                return from != nullptr && from->subtype == kFromSubtype;
                              }});
  }

  ComPtr<IGraphBuilder> graph = NewGraph();
  ComPtr<PatternSource> source = MakeComObject<PatternSource>(false, VideoType(kFromSubtype));
  ComPtr<RecordingRenderer> renderer =
      MakeComObject<RecordingRenderer>(std::vector<GUID>{kToSubtype});
};

TEST_F(Converters, ConnectGoesThroughARegisteredConverterThatJoinsUnderItsName) {
  graph->AddFilter(source.Get(), "Source");
  graph->AddFilter(renderer.Get(), "Renderer");
  EXPECT_EQ(graph->Connect(source->GetPin(0), renderer->GetPin(0)), VFW_E_CANNOT_CONNECT);
  EXPECT_EQ(NamesIn(graph.Get()), (std::vector<std::string>{"Source", "Renderer"}));

  RegisterConverters();
  ASSERT_EQ(graph->Connect(source->GetPin(0), renderer->GetPin(0)), S_OK);
  EXPECT_EQ(NamesIn(graph.Get()),
            (std::vector<std::string>{"Source", "Renderer", "Color Space Converter"}));
  ComPtr<IPin> peer = dshow::PeerOf(renderer->GetPin(0));
  ASSERT_TRUE(peer);
  EXPECT_EQ(dshow::FilterName(dshow::FilterOf(peer.Get()).Get()), "Color Space Converter");
  EXPECT_EQ(renderer->InputPin()->ConnectionType()->subtype, kToSubtype);
}

TEST_F(Converters, RenderFindsARegisteredRendererThroughAConverter) {
  graph->AddFilter(source.Get(), "Source");
  FilterRegistry::Register({kRendererClass, "Test Renderer", kTestMerit, FilterRole::kRenderer,
                            [](const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE*) {
                              return from == nullptr || from->majortype == MEDIATYPE_Video;
                            }});
  RegisterConverters();
  ASSERT_EQ(graph->Render(source->GetPin(0)), S_OK);
  EXPECT_EQ(NamesIn(graph.Get()),
            (std::vector<std::string>{"Source", "Test Renderer", "Color Space Converter"}));
}

}  // namespace
}  // namespace dshow_test
