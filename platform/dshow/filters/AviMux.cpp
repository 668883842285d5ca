#include "dshow/filters/AviMux.h"

#include <algorithm>
#include <string>

#include "com/Com.h"
#include "com/Diagnostics.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/Uuids.h"

AviMux::AviMux() : CBaseFilter(CLSID_AviDest), opener_(&av::OpenFileOutput) {
  AddInput();
}

AviMux::~AviMux() {
  std::lock_guard lock(writerLock_);
  if (writer_) (void)FinishLocked();  // a file of a filter never stopped is still finished
}

HRESULT AviMux::QueryFilterInterface(REFIID riid, void** object) {
  if (riid == IID_IConfigAviMux) {
    *object = static_cast<IConfigAviMux*>(this);
  } else if (riid == IID_IConfigInterleaving) {
    *object = static_cast<IConfigInterleaving*>(this);
  } else if (riid == IID_IFileSinkFilter) {
    *object = static_cast<IFileSinkFilter*>(this);
  } else if (riid == IID_IAMFilterMiscFlags) {
    *object = static_cast<IAMFilterMiscFlags*>(this);
  } else {
    return CBaseFilter::QueryFilterInterface(riid, object);
  }
  AddRef();
  return S_OK;
}

// ---- Inputs ----------------------------------------------------------------------------------

void AviMux::AddInput() {
  auto pin = std::make_unique<AviMuxInputPin>(this, "Input " + std::to_string(nextNumber_++));
  std::lock_guard lock(pinsLock_);
  inputs_.push_back(std::move(pin));
}

int AviMux::GetPinCount() {
  std::lock_guard lock(pinsLock_);
  return static_cast<int>(inputs_.size());
}

CBasePin* AviMux::GetPin(int index) {
  std::lock_guard lock(pinsLock_);
  if (index < 0 || index >= static_cast<int>(inputs_.size())) return nullptr;
  return inputs_[static_cast<size_t>(index)].get();
}

void AviMux::InputConnected() {
  bool allConnected = false;
  {
    std::lock_guard lock(pinsLock_);
    allConnected = std::all_of(inputs_.begin(), inputs_.end(),
                               [](const auto& pin) { return pin->IsConnected(); });
  }
  if (allConnected) AddInput();
}

void AviMux::InputDisconnected(AviMuxInputPin* pin) {
  std::lock_guard lock(pinsLock_);
  // The pin still counts as connected while it breaks its connection.
  const auto unconnected = std::count_if(inputs_.begin(), inputs_.end(), [pin](const auto& input) {
    return input.get() != pin && !input->IsConnected();
  });
  if (unconnected == 0) return;  // it stays as the free input
  const auto found = std::find_if(inputs_.begin(), inputs_.end(),
                                  [pin](const auto& input) { return input.get() == pin; });
  if (found == inputs_.end()) return;
  removed_.push_back(std::move(*found));
  inputs_.erase(found);
}

// ---- States and the file ---------------------------------------------------------------------

HRESULT AviMux::Pause() {
  std::lock_guard lock(FilterLock());
  if (IsStopped()) {
    const HRESULT hr = OpenFile();
    if (FAILED(hr)) return hr;
  }
  return CBaseFilter::Pause();
}

HRESULT AviMux::Stop() {
  std::lock_guard lock(FilterLock());
  const HRESULT hr = CBaseFilter::Stop();
  std::lock_guard writing(writerLock_);
  const HRESULT finished = FinishLocked();
  return FAILED(hr) ? hr : (FAILED(finished) ? finished : S_OK);
}

HRESULT AviMux::OpenFile() {
  std::vector<MediaType> types;
  {
    std::lock_guard lock(pinsLock_);
    for (const auto& pin : inputs_) {
      pin->SetStream(-1);
      if (file_.empty() || !pin->IsConnected()) continue;
      pin->SetStream(static_cast<int>(types.size()));
      types.push_back(pin->ConnectionType());
    }
  }
  std::lock_guard writing(writerLock_);
  writer_.reset();
  aborted_ = false;
  ended_.assign(types.size(), false);
  if (types.empty()) return S_OK;  // nothing to write: no file
  int error = 0;
  std::unique_ptr<av::FileOutput> output = opener_(file_, &error);
  if (!output) {
    diag::Warn("dshow", "cannot open " + file_ + " for writing");
    return dshow::WriteErrorResult(-error);
  }
  dshow::AviWriterSettings settings;
  settings.interleave = mode_ == INTERLEAVE_CAPTURE || mode_ == INTERLEAVE_FULL;
  settings.interleaveTime = leave_;
  settings.masterStream = masterStream_;
  HRESULT hr = S_OK;
  writer_ = dshow::AviFileWriter::Open(std::move(output), types, settings, &hr);
  return hr;
}

HRESULT AviMux::FinishLocked() {
  if (!writer_ || writer_->Finished()) return S_OK;
  const HRESULT hr = writer_->Finish();
  if (FAILED(hr)) diag::Warn("dshow", "the AVI file was not finished cleanly: " + HResultText(hr));
  return hr;
}

HRESULT AviMux::WriteSample(int stream, IMediaSample* sample, const REFERENCE_TIME* start) {
  HRESULT failure = S_OK;
  {
    std::lock_guard lock(writerLock_);
    if (!writer_ || aborted_ || writer_->Finished()) return S_FALSE;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data))) return E_POINTER;
    const auto size = static_cast<size_t>(std::max(sample->GetActualDataLength(), LONG{0}));
    if (size == 0) return S_OK;  // nothing to place
    failure = writer_->Write(stream, data, size, start, sample->IsSyncPoint() == S_OK);
    if (SUCCEEDED(failure)) return S_OK;
    aborted_ = true;
    // Finished now, not when the graph stops: what was written is a whole file at once.
    (void)FinishLocked();
  }
  diag::Warn("dshow", "writing the AVI file failed: " + HResultText(failure));
  (void)NotifyEvent(EC_ERRORABORT, failure, 0);  // without a graph nobody is told
  return S_FALSE;
}

void AviMux::InputEnded(int stream) {
  {
    std::lock_guard lock(writerLock_);
    if (stream < 0 || stream >= static_cast<int>(ended_.size()) || ended_[stream]) return;
    ended_[stream] = true;
    if (!std::all_of(ended_.begin(), ended_.end(), [](bool ended) { return ended; })) return;
    (void)FinishLocked();  // a failure was reported by the write that met it
  }
  (void)NotifyEvent(EC_COMPLETE, S_OK, 0);
}

void AviMux::SetOutputOpener(OutputOpener opener) {
  std::lock_guard lock(FilterLock());
  opener_ = std::move(opener);
}

// ---- Settings --------------------------------------------------------------------------------

HRESULT AviMux::SetMasterStream(LONG stream) {
  if (stream < -1) return E_INVALIDARG;
  std::lock_guard lock(FilterLock());
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  masterStream_ = stream;
  return S_OK;
}

HRESULT AviMux::GetMasterStream(LONG* stream) {
  if (stream == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *stream = masterStream_;
  return S_OK;
}

HRESULT AviMux::SetOutputCompatibilityIndex(BOOL oldIndex) {
  std::lock_guard lock(FilterLock());
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  compatibilityIndex_ = oldIndex != FALSE ? TRUE : FALSE;
  return S_OK;
}

HRESULT AviMux::GetOutputCompatibilityIndex(BOOL* oldIndex) {
  if (oldIndex == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *oldIndex = compatibilityIndex_;
  return S_OK;
}

HRESULT AviMux::put_Mode(InterleavingMode mode) {
  if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED) return E_INVALIDARG;
  std::lock_guard lock(FilterLock());
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  mode_ = mode;
  return S_OK;
}

HRESULT AviMux::get_Mode(InterleavingMode* mode) {
  if (mode == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *mode = mode_;
  return S_OK;
}

HRESULT AviMux::put_Interleaving(const REFERENCE_TIME* leave, const REFERENCE_TIME* preroll) {
  if ((leave != nullptr && *leave <= 0) || (preroll != nullptr && *preroll < 0))
    return E_INVALIDARG;
  std::lock_guard lock(FilterLock());
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (leave != nullptr) leave_ = *leave;
  if (preroll != nullptr) preroll_ = *preroll;
  return S_OK;
}

HRESULT AviMux::get_Interleaving(REFERENCE_TIME* leave, REFERENCE_TIME* preroll) {
  if (leave == nullptr || preroll == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *leave = leave_;
  *preroll = preroll_;
  return S_OK;
}

HRESULT AviMux::SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* /*mediaType*/) {
  if (file == nullptr) return E_POINTER;
  if (*file == '\0') return E_INVALIDARG;
  std::lock_guard lock(FilterLock());
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  file_ = file;
  return S_OK;
}

HRESULT AviMux::GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mediaType) {
  if (file == nullptr) return E_POINTER;
  std::lock_guard lock(FilterLock());
  *file = nullptr;
  if (file_.empty()) return E_FAIL;
  *file = CoTaskMemStrDup(file_);
  if (mediaType != nullptr) {
    *mediaType = AM_MEDIA_TYPE{};
    mediaType->majortype = MEDIATYPE_Stream;
    mediaType->subtype = MEDIASUBTYPE_Avi;
  }
  return *file != nullptr ? S_OK : E_OUTOFMEMORY;
}
