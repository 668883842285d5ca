#pragma once
// A test with a filter graph of its own, stopped and released after the test, with its media
// control and a wait for its events.

#include <gtest/gtest.h>

#include <optional>

#include "Binding.h"
#include "platform/ui/TestApplication.h"

namespace devices_test {

class GraphFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph_), S_OK);
  }
  void TearDown() override {
    if (graph_) graph_.As<IMediaControl>()->Stop();
    graph_.Reset();
  }

  ComPtr<IMediaControl> Control() { return graph_.As<IMediaControl>(); }
  std::optional<LONG_PTR> AwaitEvent(LONG wanted, LONG msTimeout = 20000) {
    return devices_test::AwaitEvent(graph_.Get(), wanted, msTimeout);
  }

  ComPtr<IGraphBuilder> graph_;
};

}  // namespace devices_test
