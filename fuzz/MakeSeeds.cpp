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
  filter_test::MediaClip clip;
};

filter_test::MediaClip SeedClip(const char* container, AVCodecID video, AVCodecID audio) {
  filter_test::MediaClip clip;
  clip.container = container;
  clip.video = video;
  clip.audio = audio;
  clip.frames = 4;
  clip.width = 32;
  clip.height = 24;
  return clip;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s folder\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  filter_test::MediaClip cut = SeedClip("avi", AV_CODEC_ID_MJPEG, AV_CODEC_ID_PCM_S16LE);
  cut.finish = false;
  filter_test::MediaClip mpeg4 = SeedClip("matroska", AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2);
  mpeg4.keyFrameEvery = 2;
  mpeg4.sampleRate = 32000;
  filter_test::MediaClip wav = SeedClip("wav", AV_CODEC_ID_NONE, AV_CODEC_ID_PCM_S16LE);
  wav.frames = 10;
  const Seed seeds[] = {
      {"mjpeg-pcm.avi", SeedClip("avi", AV_CODEC_ID_MJPEG, AV_CODEC_ID_PCM_S16LE)},
      {"mjpeg.avi", SeedClip("avi", AV_CODEC_ID_MJPEG, AV_CODEC_ID_NONE)},
      {"mpeg4-mp2.mkv", mpeg4},
      {"cut.avi", cut},
      {"tone.wav", wav},
  };
  for (const Seed& seed : seeds) {
    if (!filter_test::WriteMediaFile((folder / seed.name).string(), seed.clip)) return 1;
  }
  return 0;
}
