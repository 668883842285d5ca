#include "dshow/filters/SystemFilters.h"

#include "com/Com.h"
#include "dshow/Uuids.h"
#include "dshow/filters/AudioRenderer.h"
#include "dshow/filters/AvAudioDecoder.h"
#include "dshow/filters/AvVideoDecoder.h"
#include "dshow/filters/AviMux.h"
#include "dshow/filters/ColourSpaceConverter.h"
#include "dshow/filters/DVSplitter.h"
#include "dshow/filters/DVVideoCodec.h"
#include "dshow/filters/InfiniteTee.h"
#include "dshow/filters/MediaFileSource.h"
#include "dshow/filters/MjpegDecoder.h"
#include "dshow/filters/NullRenderer.h"
#include "dshow/filters/OverlayMixer.h"
#include "dshow/filters/SampleGrabber.h"
#include "dshow/filters/SmartTee.h"
#include "dshow/filters/VideoRenderer.h"
#include "dshow/graph/FilterRegistry.h"

namespace {

// Creator for a filter whose constructor takes the class id it was made under.
template <class Filter>
ClassCreator CreatorWithClassId(const CLSID& clsid) {
  return [clsid](IUnknown* outer, REFIID riid, void** object) -> HRESULT {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto filter = MakeComObject<Filter>(clsid);
    return filter->QueryInterface(riid, object);
  };
}

// The classes are there as soon as the platform is loaded, like the framework's other classes.
const bool kRegistered = (RegisterSystemFilters(), true);

}  // namespace

void RegisterSystemFilters() {
  RegisterBuiltInClass(CLSID_SmartTee, CreatorOf<SmartTee>());
  RegisterBuiltInClass(CLSID_InfTee, CreatorOf<InfiniteTee>());
  RegisterBuiltInClass(CLSID_Colour, CreatorOf<ColourSpaceConverter>());
  RegisterBuiltInClass(CLSID_DVSplitter, CreatorOf<DVSplitter>());
  RegisterBuiltInClass(CLSID_DVVideoCodec, CreatorOf<DVVideoCodec>());
  RegisterBuiltInClass(CLSID_MjpegDecoder, CreatorOf<MjpegDecoder>());
  RegisterBuiltInClass(CLSID_SampleGrabber, CreatorOf<SampleGrabber>());
  RegisterBuiltInClass(CLSID_NullRenderer, CreatorOf<NullRenderer>());
  RegisterBuiltInClass(CLSID_OverlayMixer, CreatorOf<OverlayMixer>());
  RegisterBuiltInClass(CLSID_AviDest, CreatorOf<AviMux>());
  RegisterBuiltInClass(CLSID_MediaFileSource, CreatorOf<MediaFileSource>());
  RegisterBuiltInClass(CLSID_AvVideoDecoder, CreatorOf<AvVideoDecoder>());
  RegisterBuiltInClass(CLSID_AvAudioDecoder, CreatorOf<AvAudioDecoder>());
  for (const CLSID& clsid : {CLSID_VideoMixingRenderer, CLSID_VideoRenderer}) {
    RegisterBuiltInClass(clsid, CreatorWithClassId<VideoRenderer>(clsid));
  }
  for (const CLSID& clsid : {CLSID_AudioRender, CLSID_DSoundRender}) {
    RegisterBuiltInClass(clsid, CreatorWithClassId<AudioRenderer>(clsid));
  }

  // What the graph manager adds on its own: the converter between pins that do not connect
  // directly, and the renderers for Render.
  using dshow::FilterRegistration;
  using dshow::FilterRegistry;
  using dshow::FilterRole;
  FilterRegistry::Register({CLSID_Colour, ColourSpaceConverter::kGraphName, MERIT_UNLIKELY + 1,
                            FilterRole::kConverter, &ColourSpaceConverter::CanConvert});
  FilterRegistry::Register({CLSID_DVVideoCodec, DVVideoCodec::kGraphName, MERIT_NORMAL,
                            FilterRole::kConverter, &DVVideoCodec::CanDecode});
  FilterRegistry::Register({CLSID_MjpegDecoder, MjpegDecoder::kGraphName, MERIT_NORMAL,
                            FilterRole::kConverter, &MjpegDecoder::CanDecode});
  // The general decoders come after the dedicated ones (MJPEG, DV), which they would also take.
  FilterRegistry::Register({CLSID_AvVideoDecoder, AvVideoDecoder::kGraphName, MERIT_NORMAL - 1,
                            FilterRole::kConverter, &AvVideoDecoder::CanDecode});
  FilterRegistry::Register({CLSID_AvAudioDecoder, AvAudioDecoder::kGraphName, MERIT_NORMAL - 1,
                            FilterRole::kConverter, &AvAudioDecoder::CanDecode});
  // Files played or copied: AddSourceFilter and RenderFile open them with the file source.
  FilterRegistry::SetFileSourceFactory(&MediaFileSource::Create);
  FilterRegistry::Register({CLSID_VideoRenderer, "Video Renderer", MERIT_NORMAL,
                            FilterRole::kRenderer,
                            [](const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE*) {
                              return VideoRenderer::CanRender(from);
                            }});
  FilterRegistry::Register({CLSID_AudioRender, "Audio Renderer", MERIT_NORMAL,
                            FilterRole::kRenderer,
                            [](const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE*) {
                              return AudioRenderer::CanPlay(from);
                            }});
}
