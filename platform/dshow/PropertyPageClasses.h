#pragma once
// The class ids of the platform's own property pages, which objects name in
// ISpecifyPropertyPages::GetPages. The classes are built in (ui/pages/PageClasses.cpp registers
// them when the platform loads).

#include "com/Guid.h"

// Every control of a capture device (IDeviceControls), changed on the device at once.
inline constexpr CLSID CLSID_DeviceControlsPage = MakeGuid("3A5C8E21-7B14-4F0D-9E62-1C4B7D90A301");
// The stream format of a capture pin (IAMStreamConfig): subtype, size, frame rate.
inline constexpr CLSID CLSID_StreamFormatPage = MakeGuid("3A5C8E21-7B14-4F0D-9E62-1C4B7D90A302");
// The routing of a crossbar (IAMCrossbar).
inline constexpr CLSID CLSID_CrossbarPage = MakeGuid("3A5C8E21-7B14-4F0D-9E62-1C4B7D90A303");
// The TV tuner (IAMTVTuner): channel, country, input type, signal.
inline constexpr CLSID CLSID_TvTunerPage = MakeGuid("3A5C8E21-7B14-4F0D-9E62-1C4B7D90A304");
// The TV sound modes (IAMTVAudio).
inline constexpr CLSID CLSID_TvAudioPage = MakeGuid("3A5C8E21-7B14-4F0D-9E62-1C4B7D90A305");
// The capture mixer of a sound card (devices::ICaptureMixer): volume, switch, source.
inline constexpr CLSID CLSID_CaptureMixerPage = MakeGuid("3A5C8E21-7B14-4F0D-9E62-1C4B7D90A306");
// A compressor's settings (IAMVideoCompression, devices::IEncoderOptions).
inline constexpr CLSID CLSID_CompressorPage = MakeGuid("3A5C8E21-7B14-4F0D-9E62-1C4B7D90A307");
