// Writes the fuzz target's seed corpus into the folder given: small media files of the kinds a
// user hands the player (MJPEG with PCM in AVI, a WAV, MPEG-4 with MPEG audio in Matroska, a
// recording cut short without its index), made with the playback tests' file writer.

#include <cstdio>
#include <filesystem>
#include <string>

#include "MediaFiles.h"

namespace {

struct Seed {
  const char* name;
  filter_test::MediaFileSpec spec;
};

filter_test::MediaFileSpec Spec(const char* container, AVCodecID video, AVCodecID audio) {
  filter_test::MediaFileSpec spec;
  spec.container = container;
  spec.video = video;
  spec.audio = audio;
  spec.frames = 4;
  spec.width = 32;
  spec.height = 24;
  return spec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s folder\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  filter_test::MediaFileSpec cut = Spec("avi", AV_CODEC_ID_MJPEG, AV_CODEC_ID_PCM_S16LE);
  cut.finish = false;
  filter_test::MediaFileSpec mpeg4 = Spec("matroska", AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2);
  mpeg4.keyFrameEvery = 2;
  mpeg4.sampleRate = 32000;
  filter_test::MediaFileSpec wav = Spec("wav", AV_CODEC_ID_NONE, AV_CODEC_ID_PCM_S16LE);
  wav.frames = 10;
  const Seed seeds[] = {
      {"mjpeg-pcm.avi", Spec("avi", AV_CODEC_ID_MJPEG, AV_CODEC_ID_PCM_S16LE)},
      {"mjpeg.avi", Spec("avi", AV_CODEC_ID_MJPEG, AV_CODEC_ID_NONE)},
      {"mpeg4-mp2.mkv", mpeg4},
      {"cut.avi", cut},
      {"tone.wav", wav},
  };
  for (const Seed& seed : seeds) {
    if (!filter_test::WriteMediaFile((folder / seed.name).string(), seed.spec)) return 1;
  }
  return 0;
}
