#pragma once
// Plays one media file as the fuzz target does: the file source, the decoders the graph's
// intelligent connect finds, and an unpaced sink per stream; paused, then run until the end of
// every stream (or the stop position), then torn down. The ordinary tests replay the inputs
// the fuzzer found with it, so a mended fault stays mended.
//
// Threads: the application's thread (it builds and runs a filter graph).

#include <string>

#include "com/HResult.h"

namespace fuzz {

struct PlayResult {
  HRESULT opened = E_FAIL;  // what AddSourceFilter answered
  int streams = 0;          // connected to a sink
  bool ended = true;        // false: the graph ran and neither completed nor aborted in time
  int samples = 0;          // decoded samples that reached the sinks
};

// Plays at most stopSeconds of the file; waits at most waitMilliseconds of wall time for the
// end, which a sound file always reaches (a longer wait is a hang).
PlayResult PlayMediaFile(const std::string& path, int stopSeconds, long waitMilliseconds);

// The narrow limits the fuzz target plays within: small pictures, short probing.
void UseFuzzLimits();

}  // namespace fuzz
