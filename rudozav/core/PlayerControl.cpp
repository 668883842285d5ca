// The player's operations on a built player graph: run, pause, stop, seeking forward, backward and
// to a position, the play rate, and the position reported to the host. Outside cs_Player each of
// them only logs "not playing". UI thread only.

#include <cmath>

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/Logging.h"
#include "rudozav/core/ProcessLog.h"

namespace errors = rudozav::errors;

namespace {

// The player's seeking when a player graph is built; null otherwise.
IMediaSeeking* PlayerSeeking(TRavorOdeririState& state) {
  return state.graph->playerGraph ? state.graph->mediaSeeking.Get() : nullptr;
}

// position in frames of the file: position × frames / duration, rounded; 0 without frame time.
std::int64_t FramePosition(const TGraphState& graph) {
  if (graph.playerDuration <= 0 || graph.playerFrameCount <= 0) return 0;
  // In long double: position × frames overflows 64 bits for long files.
  return std::llround(static_cast<long double>(graph.playerPosition) * graph.playerFrameCount /
                      graph.playerDuration);
}

// Reads the current position into the graph's player figures; false when it cannot be read.
bool ReadPosition(TRavorOdeririState& state) {
  IMediaSeeking* seeking = PlayerSeeking(state);
  LONGLONG position = 0;
  if (seeking == nullptr || FAILED(seeking->GetCurrentPosition(&position))) return false;
  state.graph->playerPosition = position;
  state.graph->playerFramePosition = FramePosition(*state.graph);
  return true;
}

// Seeks to an absolute media time, playing on to the end of the file; on success the position is
// read back.
bool SeekPlayer(TRavorOdeririState& state, LONGLONG position) {
  IMediaSeeking* seeking = PlayerSeeking(state);
  if (seeking == nullptr) return false;
  LONGLONG stop = MAX_TIME;
  if (FAILED(seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, &stop,
                                   AM_SEEKING_AbsolutePositioning)))
    return false;
  ReadPosition(state);  // a position that cannot be read keeps the last one read
  return true;
}

// Holds the component busy for the length of one player operation.
class TBusyScope {
 public:
  explicit TBusyScope(TRavorOderiri& component) : component_(component) {
    component_.SetBusy(true);
  }
  ~TBusyScope() { component_.SetBusy(false); }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TRavorOderiri& component_;
};

// What moving forward or backward needs: the player, a percent from 0 to 100 (else logged) and
// the position to move from; the step is that share of the duration, rounded.
bool PlayerStep(TRavorOderiri& component, int percent, LONGLONG& current, std::int64_t& step) {
  TRavorOdeririState& state = component.State();
  if (rudozav::LogCheck(component, state.currentState != cs_Player, errors::kNotPlaying) ||
      rudozav::LogCheck(component, percent < 0 || percent > 100, errors::kPercentRange))
    return false;
  IMediaSeeking* seeking = PlayerSeeking(state);
  LONGLONG stop = 0;
  if (seeking == nullptr || FAILED(seeking->GetPositions(&current, &stop))) return false;
  step = std::llround(static_cast<double>(state.graph->playerDuration) * percent / 100.0);
  return true;
}

}  // namespace

void TRavorOderiri::ReportPlayerPosition() {
  if (!ReadPosition(*state_)) return;
  if (OnPlayerProgress)
    OnPlayerProgress(this, state_->graph->playerPosition, state_->graph->playerFramePosition);
}

void TRavorOderiri::ApplyPlayerRate() {
  IMediaSeeking* seeking = PlayerSeeking(*state_);
  if (seeking != nullptr && FAILED(seeking->SetRate(playerRate_)))
    WriteProcessLog("player rate " + std::to_string(playerRate_) + " not applied");
}

void TRavorOderiri::RunRunPlayer() {
  if (rudozav::LogCheck(*this, state_->currentState != cs_Player, errors::kNotPlaying)) return;
  TBusyScope busy(*this);
  if (state_->graph->graphMode.load() != gm_Pause) return;
  if (state_->endReached) {
    state_->endReached = false;
    SeekPlayer(*state_, 0);
  }
  ControlGraph(gm_Run);
}

void TRavorOderiri::RunPausePlayer() {
  if (rudozav::LogCheck(*this, state_->currentState != cs_Player, errors::kNotPlaying)) return;
  TBusyScope busy(*this);
  if (state_->graph->graphMode.load() == gm_Run) ControlGraph(gm_Pause);
}

void TRavorOderiri::RunStopPlayer() {
  if (rudozav::LogCheck(*this, state_->currentState != cs_Player, errors::kNotPlaying)) return;
  RunPausePlayer();
  SeekPlayer(*state_, 0);
}

void TRavorOderiri::SetPlayerPosition(std::int64_t Position) {
  if (rudozav::LogCheck(*this, state_->currentState != cs_Player, errors::kNotPlaying)) return;
  SeekPlayer(*state_, Position);
}

void TRavorOderiri::RunPlayerForward(int percent) {
  LONGLONG current = 0;
  std::int64_t step = 0;
  if (!PlayerStep(*this, percent, current, step)) return;
  TBusyScope busy(*this);
  TRavorOdeririState& state = *state_;
  const std::int64_t duration = state.graph->playerDuration;
  if (current + step > duration) {
    // Runs into the end, so that the end of the file is reached and reported.
    if (SeekPlayer(state, duration)) ControlGraph(gm_Run);
  } else if (SeekPlayer(state, current + step)) {
    state.endReached = false;
  }
}

void TRavorOderiri::RunPlayerBackward(int percent) {
  LONGLONG current = 0;
  std::int64_t step = 0;
  if (!PlayerStep(*this, percent, current, step)) return;
  TBusyScope busy(*this);
  if (SeekPlayer(*state_, current - step > 0 ? current - step : 0)) state_->endReached = false;
}
