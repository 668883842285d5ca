#pragma once
// The media framework's types and interfaces, all in one include.

#include "dshow/AudioMediaType.h"
#include "dshow/CodecInterfaces.h"
#include "dshow/DShowTypes.h"
#include "dshow/DeviceInterfaces.h"
#include "dshow/EnumInterfaces.h"
#include "dshow/FilterInterfaces.h"
#include "dshow/Formats.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/MediaType.h"
#include "dshow/MuxInterfaces.h"
#include "dshow/PropertyPageInterfaces.h"
#include "dshow/SampleInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/Variant.h"
#include "dshow/VideoMediaType.h"
#include "dshow/WindowInterfaces.h"
