#include "dshow/graph/CaptureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "com/Diagnostics.h"

namespace dshow {
namespace {

HRESULT ErrnoResult(int error) {
  switch (error) {
    case ENOSPC:
    case EFBIG:
      return STG_E_MEDIUMFULL;
    case ENOENT:
    case ENOTDIR:
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
      return E_ACCESSDENIED;
    default:
      return E_FAIL;
  }
}

std::uint32_t LittleEndian32(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
         (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

// The bytes the capture wrote: the RIFF chain's length, or the whole file when it is no RIFF.
std::uintmax_t CapturedLength(std::ifstream& in, std::uintmax_t fileSize) {
  std::uintmax_t end = 0;
  std::array<unsigned char, 12> header{};
  while (end + header.size() <= fileSize) {
    in.seekg(static_cast<std::streamoff>(end));
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) break;
    if (std::memcmp(header.data(), "RIFF", 4) != 0) break;
    // An extension chunk follows the first: "RIFF" size "AVIX".
    if (end > 0 && std::memcmp(header.data() + 8, "AVIX", 4) != 0) break;
    const std::uintmax_t chunk = 8 + std::uintmax_t{LittleEndian32(header.data() + 4)};
    end = std::min(fileSize, end + chunk + (chunk & 1));
  }
  in.clear();
  return end == 0 ? fileSize : end;
}

}  // namespace

HRESULT AllocateCaptureFile(const std::string& file, DWORDLONG size) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoResult(errno);
  HRESULT result = S_OK;
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    result = ErrnoResult(errno);
  } else if (static_cast<DWORDLONG>(status.st_size) < size) {
    const auto length = static_cast<off_t>(size);
    const int error = ::posix_fallocate(fd, 0, length);
    if (error == ENOSPC || error == EFBIG) {
      result = STG_E_MEDIUMFULL;
    } else if (error != 0 && ::ftruncate(fd, length) != 0) {
      // The file system reserves no blocks ahead: the file is only made long enough.
      result = ErrnoResult(errno);
    }
  }
  ::close(fd);
  if (FAILED(result))
    diag::Warn("dshow", "cannot preallocate " + file + ": " + HResultText(result));
  return result;
}

HRESULT CopyCaptureFile(const std::string& from, const std::string& to,
                        IAMCopyCaptureFileProgress* callback) {
  std::error_code error;
  const std::uintmax_t fileSize = std::filesystem::file_size(from, error);
  if (error) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  std::ifstream in(from, std::ios::binary);
  if (!in) return E_ACCESSDENIED;
  const std::uintmax_t length = CapturedLength(in, fileSize);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  if (!out) return E_ACCESSDENIED;
  in.seekg(0);
  std::vector<char> buffer(1 << 20);
  std::uintmax_t copied = 0;
  int reported = -1;
  while (copied < length) {
    const auto chunk =
        static_cast<std::streamsize>(std::min<std::uintmax_t>(buffer.size(), length - copied));
    if (!in.read(buffer.data(), chunk) || !out.write(buffer.data(), chunk)) {
      out.close();
      std::filesystem::remove(to, error);
      return STG_E_MEDIUMFULL;
    }
    copied += static_cast<std::uintmax_t>(chunk);
    const int percent = static_cast<int>(copied * 100 / length);
    if (callback != nullptr && percent != reported) {
      reported = percent;
      if (FAILED(callback->Progress(percent))) {
        out.close();
        std::filesystem::remove(to, error);
        return E_ABORT;
      }
    }
  }
  out.close();
  if (!out) return STG_E_MEDIUMFULL;
  if (callback != nullptr && reported != 100) (void)callback->Progress(100);  // empty file
  return S_OK;
}

}  // namespace dshow
