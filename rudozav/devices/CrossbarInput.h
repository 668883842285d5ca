#pragma once
// Routing the component's chosen video input (VideoCrossbarInput) on the graph's video crossbar,
// with its audio along the crossbar tree, or the companion audio of input 0 on a card with one
// crossbar. UI thread only.

class TRavorOderiri;

// Routes the stored VideoCrossbarInput to output 0 of the graph's video crossbar and clears the
// pending flag once it is routed. Without a video crossbar the input stays pending; an index
// beyond the crossbar's inputs or a refused route is reported and leaves the flag as it is.
void RouteVideoCrossbarInput(TRavorOderiri& component);
// Run once a preview or capture graph is built (the component's ApplyPendingCrossbarInput):
// routes an input chosen while no graph could take it, then lets the audio follow the video input
// along the crossbar tree.
void ApplyPendingCrossbarInput(TRavorOderiri& component);
// Reads the video crossbar's routing again (after a route or its property dialog) and routes the
// related pins along the tree when one exists.
void ReloadVideoCrossbar(TRavorOderiri& component);
// On a card with one crossbar: routes the first audio output to the companion of input pin 0.
void RouteRelatedAudioPin(TRavorOderiri& component);
