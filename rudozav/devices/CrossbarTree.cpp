#include "rudozav/devices/CrossbarTree.h"

#include <algorithm>
#include <vector>

#include "rudozav/graph/FilterPins.h"

namespace {

// Deeper than any card's chain of crossbars; stops a search in a graph that loops back on itself.
constexpr int kMaxDepth = 16;

enum class TSearch { Failed, Terminal, Done };

// The answer for an input pin that leads to no crossbar: at the capture filter there is no tree;
// further up the pin is a physical connector that ends a route.
TSearch Dead(int depth) {
  return depth == 0 ? TSearch::Failed : TSearch::Terminal;
}

// The index of pin among filter's output pins; -1 when it is not one of them.
LONG OutputIndexOf(IBaseFilter* filter, IPin* pin, LONG outputs) {
  for (LONG j = 0; j < outputs; ++j) {
    const ComPtr<IPin> candidate = GetFilterPin(filter, PINDIR_OUTPUT, static_cast<int>(j));
    if (candidate && IsSameObject(candidate.Get(), pin)) return j;
  }
  return -1;
}

class TTreeSearch {
 public:
  explicit TTreeSearch(TCrossbarTree& tree) : tree_(tree) {}

  // Searches upstream of input, which the step at depth will route to.
  TSearch From(IPin* input, int depth) {
    ComPtr<IPin> upstream;
    if (depth >= kMaxDepth || FAILED(input->ConnectedTo(upstream.ReleaseAndGetAddressOf())) ||
        !upstream) {
      return Dead(depth);
    }
    PIN_INFO info;
    if (FAILED(upstream->QueryPinInfo(&info)) || info.dir != PINDIR_OUTPUT || !info.pFilter)
      return Dead(depth);
    const ComPtr<IBaseFilter> filter = info.pFilter;
    const auto crossbar = filter.As<IAMCrossbar>();
    if (!crossbar) return Dead(depth);

    LONG outputs = 0;
    LONG inputs = 0;
    if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return TSearch::Done;
    TRouting step;
    step.Crossbar = crossbar;
    step.Depth = depth;
    step.OutputIndex = OutputIndexOf(filter.Get(), upstream.Get(), outputs);
    if (step.OutputIndex < 0 ||
        FAILED(crossbar->get_CrossbarPinInfo(FALSE, step.OutputIndex, &step.RelatedOutputIndex,
                                             &step.OutputPinType))) {
      return TSearch::Done;
    }
    for (LONG i = 0; i < inputs; ++i) {
      if (FAILED(crossbar->get_CrossbarPinInfo(TRUE, i, &step.RelatedInputIndex,
                                               &step.InputPinType)) ||
          !IsVideoPinType(step.InputPinType) || crossbar->CanRoute(step.OutputIndex, i) != S_OK) {
        continue;
      }
      const ComPtr<IPin> next = GetFilterPin(filter.Get(), PINDIR_INPUT, static_cast<int>(i));
      if (!next) continue;
      step.InputIndex = i;
      path_.resize(static_cast<std::size_t>(depth));
      path_.push_back(step);
      if (From(next.Get(), depth + 1) == TSearch::Terminal) SaveRoute();
    }
    return TSearch::Done;
  }

 private:
  // Appends the route on the path, from its upstream-most step down to depth 0.
  void SaveRoute() {
    for (auto step = path_.rbegin(); step != path_.rend(); ++step)
      tree_.Steps.push_back(*step);
  }

  TCrossbarTree& tree_;
  std::vector<TRouting> path_;  // path_[d]: the step at depth d of the route being searched
};

}  // namespace

ComPtr<IPin> GetFilterPin(IBaseFilter* filter, PIN_DIRECTION direction, int n) {
  return GetPinByDirection(filter, direction, n);
}

std::unique_ptr<TCrossbarTree> BuildCrossbarTree(IPin* startPin) {
  auto tree = std::make_unique<TCrossbarTree>();
  tree->StartPin = startPin;
  if (startPin != nullptr) TTreeSearch(*tree).From(startPin, 0);
  return tree;
}

bool SelectRoute(TCrossbarTree& tree, int stepIndex) {
  const auto count = static_cast<int>(tree.Steps.size());
  if (stepIndex < 0 || stepIndex >= count) return false;
  const int end =
      std::min(count, stepIndex + tree.Steps[static_cast<std::size_t>(stepIndex)].Depth + 1);
  bool relatedRouted = false;
  for (int k = stepIndex; k < end; ++k) {
    const TRouting& step = tree.Steps[static_cast<std::size_t>(k)];
    if (FAILED(step.Crossbar->Route(step.OutputIndex, step.InputIndex))) continue;
    if (step.RelatedOutputIndex != -1 && step.RelatedInputIndex != -1 &&
        SUCCEEDED(step.Crossbar->Route(step.RelatedOutputIndex, step.RelatedInputIndex))) {
      relatedRouted = true;
    }
  }
  tree.Current = stepIndex;
  return relatedRouted;
}

void RouteRelatedPins(TCrossbarTree& tree, IAMCrossbar* videoCrossbar) {
  LONG input = -1;
  LONG related = -1;
  LONG type = 0;
  if (videoCrossbar == nullptr || FAILED(videoCrossbar->get_IsRoutedTo(0, &input)) ||
      FAILED(videoCrossbar->get_CrossbarPinInfo(TRUE, input, &related, &type))) {
    return;
  }
  for (std::size_t k = 0; k < tree.Steps.size(); ++k) {
    if (tree.Steps[k].InputPinType == type) {
      SelectRoute(tree, static_cast<int>(k));  // without an audio companion there is nothing more
      return;
    }
  }
}
