#include "rudozav/frames/PictureFiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

// The library's header needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

LONG AbsHeight(const BITMAPINFOHEADER& header) {
  return header.biHeight < 0 ? -header.biHeight : header.biHeight;
}

// The library reports fatal errors through error_exit, which must not return: it jumps back to
// the encoding call, which then reports the failure. Only the library's C frames lie between.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
};

[[noreturn]] void EscapeJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1);
}

void SilenceJpegMessage(j_common_ptr /*info*/) {}

// Encodes into file; info and errors are the caller's, so nothing here needs unwinding.
bool EncodeJpeg(jpeg_compress_struct& info, JpegErrors& errors, std::FILE* file,
                const BITMAPINFOHEADER& header, const BYTE* bits, const TJpegSettings& settings) {
  if (setjmp(errors.escape) != 0) return false;
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(header.biWidth);
  info.image_height = static_cast<JDIMENSION>(AbsHeight(header));
  // The DIB's blue-green-red pixels go in as they are: the library reads them as RGB while it
  // takes each row, which encodes exactly what an RGB copy of the rows would.
  info.input_components = header.biBitCount == 24 ? 3 : 4;
  info.in_color_space = header.biBitCount == 24 ? JCS_EXT_BGR : JCS_EXT_BGRX;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, settings.Quality, TRUE);
  if (settings.Progressive) jpeg_simple_progression(&info);

  const DWORD stride = DibStride(header.biWidth, header.biBitCount);
  const bool bottomUp = header.biHeight > 0;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const JDIMENSION row =
        bottomUp ? info.image_height - 1 - info.next_scanline : info.next_scanline;
    auto* line = const_cast<JSAMPLE*>(bits + static_cast<std::size_t>(row) * stride);
    jpeg_write_scanlines(&info, &line, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

}  // namespace

bool WriteBmpFile(const std::string& fileName, const BITMAPINFOHEADER& header, const BYTE* bits) {
  const DWORD imageSize = DibImageSize(header.biWidth, header.biHeight, header.biBitCount);
  const DWORD colours = DibColorEntries(header) * sizeof(RGBQUAD);
  BITMAPFILEHEADER file;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + colours;
  file.bfSize = file.bfOffBits + imageSize;
  BITMAPINFOHEADER info = header;
  info.biSize = sizeof(BITMAPINFOHEADER);
  info.biSizeImage = imageSize;
  UniqueFile out(std::fopen(fileName.c_str(), "wb"));
  if (!out) return false;
  // Grabbed frames are 24-bit RGB and carry no table; a table another depth needs is zero-filled.
  const std::vector<BYTE> table(colours + 1, 0);
  bool ok = std::fwrite(&file, sizeof file, 1, out.get()) == 1 &&
            std::fwrite(&info, sizeof info, 1, out.get()) == 1 &&
            (colours == 0 || std::fwrite(table.data(), colours, 1, out.get()) == 1) &&
            std::fwrite(bits, imageSize, 1, out.get()) == 1;
  ok = std::fclose(out.release()) == 0 && ok;
  if (!ok) std::remove(fileName.c_str());
  return ok;
}

bool WriteJpegFile(const std::string& fileName, const BITMAPINFOHEADER& header, const BYTE* bits,
                   const TJpegSettings& settings) {
  if (header.biBitCount != 24 && header.biBitCount != 32) return false;
  if (header.biWidth <= 0 || header.biHeight == 0) return false;
  UniqueFile out(std::fopen(fileName.c_str(), "wb"));
  if (!out) return false;

  jpeg_compress_struct info{};
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = EscapeJpegError;
  errors.manager.output_message = SilenceJpegMessage;
  jpeg_create_compress(&info);
  const bool encoded = EncodeJpeg(info, errors, out.get(), header, bits, settings);
  jpeg_destroy_compress(&info);
  bool ok = encoded && std::ferror(out.get()) == 0;
  ok = std::fclose(out.release()) == 0 && ok;
  if (!ok) std::remove(fileName.c_str());
  return ok;
}
