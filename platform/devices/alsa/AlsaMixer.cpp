#include "devices/alsa/AlsaMixer.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>

namespace devices {
namespace {

struct MixerCloser {
  void operator()(snd_mixer_t* mixer) const { snd_mixer_close(mixer); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerCloser>;

// The card's mixer, loaded; null with *error set when it cannot be opened.
MixerHandle OpenMixer(int card, int* error) {
  snd_mixer_t* raw = nullptr;
  *error = snd_mixer_open(&raw, 0);
  if (*error < 0) return nullptr;
  MixerHandle mixer(raw);
  const std::string name = "hw:" + std::to_string(card);
  if ((*error = snd_mixer_attach(raw, name.c_str())) < 0 ||
      (*error = snd_mixer_selem_register(raw, nullptr, nullptr)) < 0 ||
      (*error = snd_mixer_load(raw)) < 0) {
    return nullptr;
  }
  return mixer;
}

// The first active element that has what wanted asks for.
snd_mixer_elem_t* Find(snd_mixer_t* mixer, const std::function<bool(snd_mixer_elem_t*)>& wanted) {
  for (snd_mixer_elem_t* elem = snd_mixer_first_elem(mixer); elem != nullptr;
       elem = snd_mixer_elem_next(elem)) {
    if (snd_mixer_selem_is_active(elem) && wanted(elem)) return elem;
  }
  return nullptr;
}

snd_mixer_elem_t* VolumeElem(snd_mixer_t* mixer) {
  return Find(mixer, [](snd_mixer_elem_t* e) { return snd_mixer_selem_has_capture_volume(e); });
}
snd_mixer_elem_t* SwitchElem(snd_mixer_t* mixer) {
  return Find(mixer, [](snd_mixer_elem_t* e) { return snd_mixer_selem_has_capture_switch(e); });
}
snd_mixer_elem_t* SourceElem(snd_mixer_t* mixer) {
  return Find(mixer, [](snd_mixer_elem_t* e) {
    return snd_mixer_selem_is_enumerated(e) && snd_mixer_selem_is_enum_capture(e);
  });
}

void ReadSources(snd_mixer_elem_t* elem, AlsaCaptureMixer* mixer) {
  const int items = snd_mixer_selem_get_enum_items(elem);
  for (int i = 0; i < items; ++i) {
    char name[64] = {};
    if (snd_mixer_selem_get_enum_item_name(elem, static_cast<unsigned>(i), sizeof name, name) < 0)
      name[0] = '\0';
    mixer->sources.emplace_back(name);
  }
  unsigned item = 0;
  if (snd_mixer_selem_get_enum_item(elem, SND_MIXER_SCHN_FRONT_LEFT, &item) >= 0)
    mixer->source = static_cast<int>(item);
}

// Runs change on the element find gives, -ENOENT when the card lacks it.
int Change(int card, snd_mixer_elem_t* (*find)(snd_mixer_t*),
           const std::function<int(snd_mixer_elem_t*)>& change) {
  int error = 0;
  MixerHandle mixer = OpenMixer(card, &error);
  if (!mixer) return error;
  snd_mixer_elem_t* elem = find(mixer.get());
  return elem != nullptr ? change(elem) : -ENOENT;
}

}  // namespace

int ReadSndCaptureMixer(int card, AlsaCaptureMixer* mixer) {
  if (mixer == nullptr) return -EINVAL;
  *mixer = {};
  int error = 0;
  MixerHandle handle = OpenMixer(card, &error);
  if (!handle) return error;
  if (snd_mixer_elem_t* elem = VolumeElem(handle.get())) {
    mixer->hasVolume =
        snd_mixer_selem_get_capture_volume_range(elem, &mixer->minVolume, &mixer->maxVolume) >= 0;
    if (snd_mixer_selem_get_capture_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, &mixer->volume) < 0)
      mixer->volume = mixer->minVolume;
  }
  if (snd_mixer_elem_t* elem = SwitchElem(handle.get())) {
    int on = 0;
    mixer->hasSwitch =
        snd_mixer_selem_get_capture_switch(elem, SND_MIXER_SCHN_FRONT_LEFT, &on) >= 0;
    mixer->capturing = on != 0;
  }
  if (snd_mixer_elem_t* elem = SourceElem(handle.get())) ReadSources(elem, mixer);
  return mixer->hasVolume || mixer->hasSwitch || !mixer->sources.empty() ? 0 : -ENOENT;
}

int SetSndCaptureVolume(int card, long volume) {
  return Change(card, VolumeElem, [volume](snd_mixer_elem_t* elem) {
    long minimum = 0;
    long maximum = 0;
    if (snd_mixer_selem_get_capture_volume_range(elem, &minimum, &maximum) < 0 ||
        volume < minimum || volume > maximum) {
      return -EINVAL;
    }
    return snd_mixer_selem_set_capture_volume_all(elem, volume);
  });
}

int SetSndCaptureSwitch(int card, bool capturing) {
  return Change(card, SwitchElem, [capturing](snd_mixer_elem_t* elem) {
    return snd_mixer_selem_set_capture_switch_all(elem, capturing ? 1 : 0);
  });
}

int SetSndCaptureSource(int card, int source) {
  return Change(card, SourceElem, [source](snd_mixer_elem_t* elem) {
    if (source < 0 || source >= snd_mixer_selem_get_enum_items(elem)) return -EINVAL;
    return snd_mixer_selem_set_enum_item(elem, SND_MIXER_SCHN_FRONT_LEFT,
                                         static_cast<unsigned>(source));
  });
}

}  // namespace devices
