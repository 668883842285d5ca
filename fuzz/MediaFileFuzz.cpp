// libFuzzer target: arbitrary bytes as a media file handed to the player. Each input is written
// to a file in a private temporary folder and played through the file source, the decoders and
// unpaced sinks (MediaFilePlayer.h) within narrow limits; it must end without a crash, a
// sanitizer report, a hang or exhausted memory. Run it with scripts/fuzz.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "MediaFilePlayer.h"
#include "com/Com.h"

namespace {

// Short enough that every input is quick, long enough for a few pictures and some sound.
constexpr int kStopSeconds = 2;
// Wall time for an input to end; far above what any input takes, so only a hang reaches it.
constexpr long kWaitMilliseconds = 20'000;

std::string& InputPath() {
  static std::string path;
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  char folder[] = "/tmp/rudozav-fuzz-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  // The registry and diagnostics stay inside the folder.
  setenv("RUDOZAV_REGISTRY", (std::string(folder) + "/registry.db").c_str(), 1);
  InputPath() = std::string(folder) + "/input";
  CoInitialize(nullptr);
  fuzz::UseFuzzLimits();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream file(InputPath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const fuzz::PlayResult result = fuzz::PlayMediaFile(InputPath(), kStopSeconds, kWaitMilliseconds);
  if (!result.ended) {
    std::fprintf(stderr, "playback did not end within %ld ms\n", kWaitMilliseconds);
    std::abort();
  }
  std::error_code ignored;  // a file that is gone already is as good
  std::filesystem::remove(InputPath(), ignored);
  return 0;
}
