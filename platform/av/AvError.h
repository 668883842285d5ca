#pragma once
// Texts of FFmpeg's error codes (negative AVERROR values) for logs and diagnostics.

#include <string>

namespace av {

// av_strerror's text, or "error <code>" when FFmpeg has none.
std::string ErrorText(int error);

}  // namespace av
