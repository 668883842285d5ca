#include "devices/capture/DeviceResults.h"

#include <cerrno>
#include <cstdlib>

namespace devices {

bool IsDeviceGone(int error) {
  switch (std::abs(error)) {
    case ENODEV:
    case ENXIO:
    case ENOENT:
    case ESHUTDOWN:
      return true;
    default:
      return false;
  }
}

HRESULT HResultFromErrno(int error) {
  if (IsDeviceGone(error)) return kDeviceNotConnected;
  switch (std::abs(error)) {
    case 0:
      return S_OK;
    case EBUSY:
      return kDeviceInUse;
    case EACCES:
    case EPERM:
      return E_ACCESSDENIED;
    case EINVAL:
    case ERANGE:
      return E_INVALIDARG;
    case ENOTTY:
    case ENOSYS:
      return E_NOTIMPL;
    case ENOSPC:
      return kDeviceNoBandwidth;
    case ENOMEM:
      return E_OUTOFMEMORY;
    case ETIMEDOUT:
      return kDeviceTimeout;
    default:
      return E_FAIL;
  }
}

}  // namespace devices
