#pragma once
// The AVI multiplexer's settings for a capture or a copy. UI thread only.

class TRavorOderiri;

// No interleaving, the AVI 1.0 index as AVI1IndexCompatibility says, and the master stream: the
// sound when it goes into the file, else none. Each step is reported.
void ConfigureMux(TRavorOderiri& component);
