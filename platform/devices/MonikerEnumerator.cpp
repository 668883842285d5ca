#include "devices/MonikerEnumerator.h"

namespace devices {

MonikerEnumerator::MonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers, std::size_t position)
    : monikers_(std::move(monikers)), position_(position) {}

HRESULT MonikerEnumerator::Next(ULONG count, IMoniker** monikers, ULONG* fetched) {
  if (monikers == nullptr) return E_POINTER;
  if (count != 1 && fetched == nullptr) return E_INVALIDARG;
  ULONG done = 0;
  while (done < count && position_ < monikers_.size()) {
    (void)monikers_[position_++].CopyTo(&monikers[done++]);  // cannot fail: the slot is valid
  }
  if (fetched != nullptr) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

HRESULT MonikerEnumerator::Skip(ULONG count) {
  const std::size_t left = monikers_.size() - position_;
  if (count > left) {
    position_ = monikers_.size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT MonikerEnumerator::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT MonikerEnumerator::Clone(IEnumMoniker** clone) {
  if (clone == nullptr) return E_POINTER;
  *clone = MakeComObject<MonikerEnumerator>(monikers_, position_).Detach();
  return S_OK;
}

}  // namespace devices
