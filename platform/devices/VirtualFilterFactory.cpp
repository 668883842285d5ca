#include "devices/VirtualFilterFactory.h"

namespace devices {

HRESULT CreateVirtualFilter(const PluggedDevice& /*device*/, REFIID /*riid*/, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return E_NOTIMPL;
}

}  // namespace devices
