#include "com/Stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Clones share the bytes and keep positions of their own; a stream is used by one thread.
class MemoryStream final : public ComObject<MemoryStream, IStream> {
 public:
  explicit MemoryStream(std::shared_ptr<std::vector<BYTE>> bytes) : bytes_(std::move(bytes)) {}

  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    if (buffer == nullptr && count > 0) return STG_E_INVALIDPOINTER;
    const std::size_t available = position_ < bytes_->size() ? bytes_->size() - position_ : 0;
    const auto n = static_cast<ULONG>(std::min<std::size_t>(count, available));
    if (n > 0) std::memcpy(buffer, bytes_->data() + position_, n);
    position_ += n;
    if (read != nullptr) *read = n;
    return n == count ? S_OK : S_FALSE;
  }

  HRESULT Write(const void* buffer, ULONG count, ULONG* written) override {
    if (buffer == nullptr && count > 0) return STG_E_INVALIDPOINTER;
    const std::size_t end = position_ + count;
    if (end > bytes_->size()) {
      try {
        bytes_->resize(end);
      } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
      }
    }
    if (count > 0) std::memcpy(bytes_->data() + position_, buffer, count);
    position_ = end;
    if (written != nullptr) *written = count;
    return S_OK;
  }

  HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    LONGLONG base = 0;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
      case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_->size()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    if (move.QuadPart < 0 && -move.QuadPart > base) return STG_E_INVALIDFUNCTION;
    if (move.QuadPart > 0 && move.QuadPart > std::numeric_limits<LONGLONG>::max() - base) {
      return STG_E_INVALIDFUNCTION;
    }
    position_ = static_cast<std::size_t>(base + move.QuadPart);
    if (newPosition != nullptr) newPosition->QuadPart = position_;
    return S_OK;
  }

  HRESULT SetSize(ULARGE_INTEGER newSize) override {
    try {
      bytes_->resize(static_cast<std::size_t>(newSize.QuadPart));
    } catch (const std::exception&) {
      return STG_E_MEDIUMFULL;
    }
    return S_OK;
  }

  HRESULT Stat(STATSTG* stat, DWORD /*flags*/) override {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    stat->cbSize.QuadPart = bytes_->size();
    return S_OK;
  }

  HRESULT Clone(IStream** clone) override {
    if (clone == nullptr) return STG_E_INVALIDPOINTER;
    auto copy = MakeComObject<MemoryStream>(bytes_);
    copy->position_ = position_;
    *clone = copy.Detach();
    return S_OK;
  }

 private:
  std::shared_ptr<std::vector<BYTE>> bytes_;
  std::size_t position_ = 0;
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL /*deleteOnRelease*/, IStream** stream) {
  if (stream == nullptr) return E_INVALIDARG;
  *stream = nullptr;
  if (global != nullptr) return E_INVALIDARG;
  *stream = MakeComObject<MemoryStream>(std::make_shared<std::vector<BYTE>>()).Detach();
  return S_OK;
}
