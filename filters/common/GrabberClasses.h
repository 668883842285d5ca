#pragma once
// The two grabber filter modules: their files, filter classes and registered names.

#include "com/Guid.h"

// The in-place frame grabber (also the frame notifier).
inline constexpr CLSID CLSID_InplGrabber = MakeGuid("7D298848-6813-4DCD-9577-1ECC583A2096");
inline constexpr const char* kInplGrabberModule = "inplgrbr.ax";
inline constexpr const char* kInplGrabberName = "InplGrabber";

// The half-size deinterlacer.
inline constexpr CLSID CLSID_TrnfGrbr = MakeGuid("7D047239-066F-49B8-BA24-33A73F316501");
inline constexpr const char* kTrnfGrbrModule = "trnfgrbr.ax";
inline constexpr const char* kTrnfGrbrName = "Kestrelbay TrnfGrbr";
