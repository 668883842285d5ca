#pragma once
// The system filters of the media framework, made by class id: Smart Tee, Infinite Pin Tee,
// colour space converter, Sample Grabber, video renderer (under the video mixing renderer's and
// the video renderer's ids), audio renderer (under the audio renderer's and the DirectSound
// renderer's ids), null renderer, the AVI multiplexer, which writes its file itself, and file
// playback: the media file source (the graph's file source factory) and the libavcodec decoders.
//
// They are registered as built-in classes when the platform library is loaded; calling
// RegisterSystemFilters again restores them after a test replaced one.

void RegisterSystemFilters();
