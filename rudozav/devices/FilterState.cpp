// Saved states of filters: the bytes a filter writes through IPersistStream, kept in a memory
// stream on their way to and from the registry, and the opaque state of a VfW codec.

#include <vector>

#include "com/Stream.h"
#include "dshow/DShow.h"
#include "registry/TRegistry2.h"
#include "rudozav/devices/SettingsStore.h"

namespace {

constexpr char kWdmState[] = "WDMState";
constexpr char kWdmStateSize[] = "WDMStateSize";
constexpr char kVfwState[] = "VfwState";

bool LoadPersistState(const TRegistry2& registry, IPersistStream& persist) {
  std::int32_t size = 0;
  if (!registry.ReadInteger(kWdmStateSize, &size) || size <= 0) return false;
  std::vector<BYTE> bytes(static_cast<std::size_t>(size));
  if (!registry.ReadBinary(kWdmState, bytes.data(), bytes.size())) return false;
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf())) || !stream) {
    return false;
  }
  ULONG written = 0;
  if (FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written))) return false;
  stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);  // a memory stream always seeks
  return SUCCEEDED(persist.Load(stream.Get()));
}

bool LoadCodecState(const TRegistry2& registry, IAMVfwCompressDialogs& dialogs) {
  const LRESULT size = dialogs.SendDriverMessage(ICM_GETSTATE, 0, 0);
  if (size <= 0) return false;
  std::vector<BYTE> bytes(static_cast<std::size_t>(size));
  if (!registry.ReadBinary(kVfwState, bytes.data(), bytes.size())) return false;
  // The codec's answer (bytes taken) is not a success flag on every driver.
  dialogs.SendDriverMessage(ICM_SETSTATE, reinterpret_cast<LONG_PTR>(bytes.data()), size);
  return true;
}

bool SavePersistState(TRegistry2& registry, IPersistStream& persist) {
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf())) || !stream) {
    return false;
  }
  if (FAILED(persist.Save(stream.Get(), TRUE))) return false;
  ULARGE_INTEGER end{0};
  if (FAILED(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_END, &end))) return false;
  stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);  // a memory stream always seeks
  std::vector<BYTE> bytes(static_cast<std::size_t>(end.QuadPart));
  ULONG read = 0;
  if (!bytes.empty() &&
      FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read))) {
    return false;
  }
  registry.WriteBinary(kWdmState, bytes.data(), bytes.size());
  registry.WriteInteger(kWdmStateSize, static_cast<std::int32_t>(bytes.size()));
  return true;
}

bool SaveCodecState(TRegistry2& registry, IAMVfwCompressDialogs& dialogs) {
  const LRESULT size = dialogs.SendDriverMessage(ICM_GETSTATE, 0, 0);
  std::vector<BYTE> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
  if (!bytes.empty())
    dialogs.SendDriverMessage(ICM_GETSTATE, reinterpret_cast<LONG_PTR>(bytes.data()), size);
  registry.WriteBinary(kVfwState, bytes.data(), bytes.size());
  return true;
}

}  // namespace

bool RestoreFilterState(IBaseFilter* filter, const std::string& keyPath) {
  if (filter == nullptr || keyPath.empty()) return false;
  TRegistry2 registry;
  if (!registry.OpenKeyReadOnly(keyPath)) return false;
  const ComPtr<IBaseFilter> owner(filter);
  bool result = false;
  if (const auto persist = owner.As<IPersistStream>())
    result = LoadPersistState(registry, *persist);
  if (const auto dialogs = owner.As<IAMVfwCompressDialogs>()) {
    if (LoadCodecState(registry, *dialogs)) result = true;
  }
  return result;
}

bool SaveFilterState(IBaseFilter* filter, const std::string& keyPath) {
  if (filter == nullptr || keyPath.empty()) return false;
  TRegistry2 registry;
  if (!registry.OpenKey(keyPath, true)) return false;
  const ComPtr<IBaseFilter> owner(filter);
  bool result = false;
  if (const auto persist = owner.As<IPersistStream>())
    result = SavePersistState(registry, *persist);
  if (const auto dialogs = owner.As<IAMVfwCompressDialogs>()) {
    if (SaveCodecState(registry, *dialogs)) result = true;
  }
  return result;
}
