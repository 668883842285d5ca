#include "JpegProbe.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace rudozav_test {
namespace {

struct Errors {
  jpeg_error_mgr manager;
  std::jmp_buf escape;
};

[[noreturn]] void Escape(j_common_ptr info) {
  std::longjmp(reinterpret_cast<Errors*>(info->err)->escape, 1);
}

bool Decode(jpeg_decompress_struct& info, Errors& errors, std::FILE* file, TJpegProbe& probe) {
  if (setjmp(errors.escape) != 0) return false;
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  probe.progressive = jpeg_has_multiple_scans(&info) != 0;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  probe.width = static_cast<int>(info.output_width);
  probe.height = static_cast<int>(info.output_height);
  probe.rgb.resize(static_cast<std::size_t>(probe.width) * probe.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row =
        probe.rgb.data() + static_cast<std::size_t>(info.output_scanline) * probe.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

TJpegProbe ProbeJpeg(const std::string& fileName) {
  TJpegProbe probe;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return probe;
  jpeg_decompress_struct info{};
  Errors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = Escape;
  jpeg_create_decompress(&info);
  probe.ok = Decode(info, errors, file.get(), probe);
  jpeg_destroy_decompress(&info);
  return probe;
}

}  // namespace rudozav_test
