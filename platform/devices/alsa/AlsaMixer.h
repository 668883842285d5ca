#pragma once
// The capture controls of a card's mixer through libasound's simple mixer (snd_mixer_selem),
// for SystemAlsaApi. Each call opens the card's mixer ("hw:N"), finds the elements and closes it
// again, so that nothing is held between the page's calls. Results as AlsaApi's.
//
// Threads: application thread.

#include "devices/alsa/AlsaApi.h"

namespace devices {

int ReadSndCaptureMixer(int card, AlsaCaptureMixer* mixer);
int SetSndCaptureVolume(int card, long volume);
int SetSndCaptureSwitch(int card, bool capturing);
int SetSndCaptureSource(int card, int source);

}  // namespace devices
