#include "devices/virtual/VirtualCompressor.h"

#include <algorithm>
#include <cstring>

#include "com/Diagnostics.h"
#include "devices/capture/FilterPart.h"
#include "devices/virtual/DriverDialogs.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {
namespace {

constexpr std::size_t kMaxState = 4096;

std::vector<BYTE> DefaultState() {
  // A tag and a quality of 75, as a codec's settings block might start.
  return {'R', 'Z', 'V', 'S', 75, 0, 0, 0};
}

}  // namespace

// The dialogs and driver state of an older codec.
class VirtualCompressor::Dialogs : public FilterPart<IAMVfwCompressDialogs> {
 public:
  Dialogs(VirtualCompressor* filter)
      : FilterPart(static_cast<IBaseFilter*>(filter)), filter_(filter) {}

  HRESULT ShowDialog(int dialog, OAHWND owner) override {
    switch (dialog) {
      case VfwCompressDialog_QueryConfig:
      case VfwCompressDialog_QueryAbout:
        return S_OK;
      case VfwCompressDialog_Config:
      case VfwCompressDialog_About:
        ReportDriverDialog(filter_->device_->friendlyName, dialog, owner);
        return S_OK;
      default:
        return E_INVALIDARG;
    }
  }

  HRESULT GetState(void* state, int* size) override {
    if (size == nullptr) return E_POINTER;
    const std::vector<BYTE> bytes = filter_->State();
    if (state == nullptr) {
      *size = static_cast<int>(bytes.size());
      return S_OK;
    }
    if (*size < static_cast<int>(bytes.size())) return E_INVALIDARG;
    std::memcpy(state, bytes.data(), bytes.size());
    *size = static_cast<int>(bytes.size());
    return S_OK;
  }

  HRESULT SetState(void* state, int size) override {
    if (state == nullptr || size <= 0) return E_POINTER;
    const auto* bytes = static_cast<const BYTE*>(state);
    return filter_->SetState(std::vector<BYTE>(bytes, bytes + size)) ? S_OK : E_INVALIDARG;
  }

  LRESULT SendDriverMessage(int message, LONG_PTR data1, LONG_PTR data2) override {
    if (message == ICM_GETSTATE) {
      const std::vector<BYTE> bytes = filter_->State();
      if (data1 == 0) return static_cast<LRESULT>(bytes.size());
      const std::size_t count = std::min<std::size_t>(
          bytes.size(), static_cast<std::size_t>(std::max<LONG_PTR>(data2, 0)));
      std::memcpy(reinterpret_cast<void*>(data1), bytes.data(), count);
      return static_cast<LRESULT>(count);
    }
    if (message == ICM_SETSTATE && data1 != 0 && data2 > 0) {
      const auto* bytes = reinterpret_cast<const BYTE*>(data1);
      return filter_->SetState(std::vector<BYTE>(bytes, bytes + data2)) ? data2 : 0;
    }
    return 0;
  }

 private:
  VirtualCompressor* const filter_;
};

// The state in a stream: its length as four bytes, then the bytes.
class VirtualCompressor::Persist : public FilterPart<IPersistStream> {
 public:
  Persist(VirtualCompressor* filter)
      : FilterPart(static_cast<IBaseFilter*>(filter)), filter_(filter) {}

  HRESULT GetClassID(CLSID* clsid) override { return filter_->GetClassID(clsid); }
  HRESULT IsDirty() override {
    std::lock_guard lock(filter_->stateLock_);
    return filter_->dirty_ ? S_OK : S_FALSE;
  }
  HRESULT Load(IStream* stream) override {
    if (stream == nullptr) return E_POINTER;
    DWORD size = 0;
    ULONG read = 0;
    if (FAILED(stream->Read(&size, sizeof size, &read)) || read != sizeof size ||
        size > kMaxState) {
      return E_FAIL;
    }
    std::vector<BYTE> bytes(size);
    if (size > 0 && (FAILED(stream->Read(bytes.data(), size, &read)) || read != size))
      return E_FAIL;
    if (!filter_->SetState(bytes)) return E_FAIL;
    std::lock_guard lock(filter_->stateLock_);
    filter_->dirty_ = false;
    return S_OK;
  }
  HRESULT Save(IStream* stream, BOOL clearDirty) override {
    if (stream == nullptr) return E_POINTER;
    const std::vector<BYTE> bytes = filter_->State();
    const auto size = static_cast<DWORD>(bytes.size());
    ULONG written = 0;
    if (FAILED(stream->Write(&size, sizeof size, &written)) || written != sizeof size)
      return STG_E_MEDIUMFULL;
    if (FAILED(stream->Write(bytes.data(), size, &written)) || written != size)
      return STG_E_MEDIUMFULL;
    if (clearDirty) {
      std::lock_guard lock(filter_->stateLock_);
      filter_->dirty_ = false;
    }
    return S_OK;
  }
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override {
    if (size == nullptr) return E_POINTER;
    size->QuadPart = sizeof(DWORD) + filter_->State().size();
    return S_OK;
  }

 private:
  VirtualCompressor* const filter_;
};

VirtualCompressor::VirtualCompressor(std::shared_ptr<const DeviceDescription> device)
    : CTransformFilter(device->clsid.value_or(CLSID_VirtualDevice)),
      device_(std::move(device)),
      state_(DefaultState()) {
  if (device_->compressor.dialogs) dialogs_ = std::make_unique<Dialogs>(this);
  if (device_->compressor.persist) persist_ = std::make_unique<Persist>(this);
}

VirtualCompressor::~VirtualCompressor() = default;

HRESULT VirtualCompressor::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IAMVfwCompressDialogs && dialogs_) return dialogs_->Give(object);
  if (riid == IID_IPersistStream && persist_) return persist_->Give(object);
  return CTransformFilter::QueryFilterInterface(riid, object);
}

HRESULT VirtualCompressor::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
  if (graph != nullptr && device_->faults.addFails) return E_FAIL;
  return CTransformFilter::JoinFilterGraph(graph, name);
}

std::vector<BYTE> VirtualCompressor::State() const {
  std::lock_guard lock(stateLock_);
  return state_;
}

bool VirtualCompressor::SetState(const std::vector<BYTE>& state) {
  if (state.empty() || state.size() > kMaxState) return false;
  std::lock_guard lock(stateLock_);
  state_ = state;
  dirty_ = true;
  return true;
}

HRESULT VirtualCompressor::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (IsVideo()) {
    if (mediaType->majortype != MEDIATYPE_Video || !ReadVideoFormat(*mediaType))
      return VFW_E_TYPE_NOT_ACCEPTED;
    const VideoSubtypeInfo* info = FindVideoSubtype(mediaType->subtype);
    return info != nullptr && !info->variableSize ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  const WAVEFORMATEX* format = WaveFormatOf(*mediaType);
  return mediaType->majortype == MEDIATYPE_Audio && format != nullptr &&
                 format->wFormatTag == WAVE_FORMAT_PCM
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

MediaType VirtualCompressor::OutputFor(const AM_MEDIA_TYPE& input) const {
  MediaType output(input);
  output->bFixedSizeSamples = FALSE;
  output->bTemporalCompression = FALSE;
  if (IsVideo()) {
    output->subtype = FourCCGuid(device_->compressor.fourcc);
    if (BITMAPINFOHEADER* header = BitmapHeaderOf(output.Get()))
      header->biCompression = device_->compressor.fourcc;
  } else {
    output->subtype = FourCCGuid(device_->compressor.formatTag);
    if (WAVEFORMATEX* format = WaveFormatOf(output.Get()))
      format->wFormatTag = device_->compressor.formatTag;
  }
  return output;
}

HRESULT VirtualCompressor::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!InputPin()->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = OutputFor(InputPin()->ConnectionType().Get());
  return S_OK;
}

HRESULT VirtualCompressor::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  const MediaType expected = OutputFor(*in);
  const bool same = out->majortype == expected->majortype && out->subtype == expected->subtype &&
                    out->formattype == expected->formattype && out->cbFormat == expected->cbFormat;
  return same ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VirtualCompressor::DecideBufferSize(IMemAllocator* allocator,
                                            ALLOCATOR_PROPERTIES* request) {
  ALLOCATOR_PROPERTIES input;
  IMemAllocator* upstream = InputPin()->PeerAllocator();
  if (upstream == nullptr || FAILED(upstream->GetProperties(&input))) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max<LONG>(request->cBuffers, 2);
  wanted.cbBuffer = std::max(request->cbBuffer, input.cbBuffer);
  wanted.cbAlign = std::max<LONG>(request->cbAlign, 1);
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < wanted.cbBuffer ? E_FAIL : S_OK;
}

HRESULT VirtualCompressor::Transform(IMediaSample* in, IMediaSample* out) {
  BYTE* source = nullptr;
  BYTE* target = nullptr;
  if (FAILED(in->GetPointer(&source)) || FAILED(out->GetPointer(&target))) return E_UNEXPECTED;
  const LONG length = std::min(in->GetActualDataLength(), out->GetSize());
  std::memcpy(target, source, static_cast<std::size_t>(std::max<LONG>(length, 0)));
  return out->SetActualDataLength(length);
}

}  // namespace devices
