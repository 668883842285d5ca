#pragma once
// The names an ALSA capture device is listed under.
//
// Any thread.

#include <string>

#include "devices/alsa/AlsaApi.h"

namespace devices {

// The display name, stable across replug, reboots and card renumbering (the card number is never
// part of it):
//   a card's device on USB:
//   @device:pnp:\\?\usb#vid_046d&pid_0825&mi_02#<instance>#{6994ad04-...}\global on PCI:
//   @device:pnp:\\?\pci#ven_8086&dev_a170&subsys_72708086#<instance>#{...}\global a configuration
//   PCM:    @device:cm:{33D9A762-90C8-11D0-BD43-00A0C911CE86}\default
// built from the card's udev properties as V4l2DisplayName builds a camera's, so that a webcam's
// microphone shares vendor and product with its camera and identical microphones on different
// ports differ. The instance carries the device number on the card for devices other than 0.
// A card without vendor and product ids (a platform or virtual card) gets a class-manager name
// from its PCM name ("hw:CARD=Loopback,DEV=1"), which holds the card's id, not its number.
std::string AlsaDisplayName(const AlsaCaptureDeviceInfo& device);

// "FriendlyName": a card's device is "<card name>: <PCM name>", or the card name alone where the
// PCM name repeats it or is the generic "USB Audio" (so that a webcam's microphone reads like its
// camera); a configuration PCM is the first line of its description, else its name.
std::string AlsaFriendlyName(const AlsaCaptureDeviceInfo& device);

}  // namespace devices
