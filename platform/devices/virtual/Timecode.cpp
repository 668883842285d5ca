#include "devices/virtual/Timecode.h"

namespace devices {
namespace {

DWORD FromBcd(DWORD byte) {
  return (byte >> 4) * 10 + (byte & 0xF);
}
DWORD ToBcd(LONGLONG value) {
  return static_cast<DWORD>((value / 10) << 4 | (value % 10));
}

}  // namespace

LONGLONG TimecodeToFrames(DWORD bcd, LONG framesPerSecond) {
  const LONGLONG hours = FromBcd(bcd >> 24 & 0xFF);
  const LONGLONG minutes = FromBcd(bcd >> 16 & 0xFF);
  const LONGLONG seconds = FromBcd(bcd >> 8 & 0xFF);
  const LONGLONG frames = FromBcd(bcd & 0xFF);
  return ((hours * 60 + minutes) * 60 + seconds) * framesPerSecond + frames;
}

DWORD FramesToTimecode(LONGLONG frames, LONG framesPerSecond) {
  const LONGLONG perDay = 24LL * 3600 * framesPerSecond;
  frames %= perDay;
  const LONGLONG totalSeconds = frames / framesPerSecond;
  return ToBcd(totalSeconds / 3600) << 24 | ToBcd(totalSeconds / 60 % 60) << 16 |
         ToBcd(totalSeconds % 60) << 8 | ToBcd(frames % framesPerSecond);
}

}  // namespace devices
