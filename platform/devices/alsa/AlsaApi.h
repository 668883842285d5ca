#pragma once
// The ALSA calls the audio renderer and the sound capture back-end make, behind a narrow
// interface so that both run against in-memory devices in tests (FakeAlsa.h) and against
// libasound otherwise. Results are those of libasound: 0 or a count on success, a negative errno
// on failure.
//
// Threads: one AlsaPcm or AlsaCapture is used by one thread at a time; listing devices and the
// process-wide default may be used from any thread.

#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

enum class PcmSampleFormat { kU8, kS16LE, kS24LE3, kS32LE, kFloatLE };

// One opened playback device; destroying it closes the device.
class AlsaPcm {
 public:
  virtual ~AlsaPcm() = default;
  // Interleaved access with resampling allowed; latencyUs is the wanted buffer time.
  virtual int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate,
                        unsigned latencyUs) = 0;
  // Blocks until the frames are queued; returns frames written or a negative errno.
  virtual long WriteInterleaved(const void* data, unsigned long frames) = 0;
  // Restores the device after an underrun or a suspend (-EPIPE, -ESTRPIPE); silent.
  virtual int Recover(int error) = 0;
  // Stops at once and discards what is queued; Prepare makes the device ready again.
  virtual int Drop() = 0;
  virtual int Prepare() = 0;
  // Waits until what is queued has played.
  virtual int Drain() = 0;
  // The frames written but not yet heard (snd_pcm_delay): what is queued plus what the device
  // still holds on its way out. -EPIPE after an underrun, -errno otherwise. A back-end that cannot
  // tell answers -ENOSYS, and the audio renderer's clock then follows the platform clock.
  virtual int Delay(long* frames) {
    (void)frames;
    return -ENOSYS;
  }
};

// One opened capture PCM, non-blocking; destroying it closes the device.
class AlsaCapture {
 public:
  virtual ~AlsaCapture() = default;
  // Whether the device takes the format, asked with the hw_params tests without setting it.
  virtual bool Accepts(PcmSampleFormat format, unsigned channels, unsigned rate) = 0;
  // Interleaved access with the format; the period size is set before the buffer size (some
  // drivers take only that order). 0 or -errno.
  virtual int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate,
                        unsigned periodFrames, unsigned periods) = 0;
  virtual int Start() = 0;
  // Waits up to timeoutMs for a period to read (snd_pcm_wait): 1 ready, 0 timeout, or -errno
  // (-EPIPE after an overrun, -ESTRPIPE when suspended, -ENODEV when the device is gone).
  virtual int Wait(int timeoutMs) = 0;
  // Reads up to frames frames without blocking: the count, -EAGAIN when none is ready, or the
  // errors of Wait.
  virtual long Read(void* data, unsigned long frames) = 0;
  // The CLOCK_MONOTONIC time of the latest period (ns) and the frames available at that time
  // (snd_pcm_htimestamp); -errno when the device has no such timestamp.
  virtual int Timestamp(std::int64_t* monotonicNs, long* available) = 0;
  // Restores the device after an overrun or a suspend, silently; a capture stream must be
  // started again afterwards.
  virtual int Recover(int error) = 0;
  // Stops at once, discarding what was captured; the device is ready to Start again.
  virtual int Drop() = 0;
};

// A PCM that can capture: a card's hardware device, or one the ALSA configuration describes.
struct AlsaCaptureDeviceInfo {
  std::string pcm;          // what to open: "hw:CARD=C920,DEV=0", "default", "pipewire"
  std::string description;  // the configuration's description hint (first line first)
  bool hardware = false;    // a card's own device
  int card = -1;            // hardware: the card's number, device and their names
  int device = -1;
  std::string cardId;    // "C920"
  std::string cardName;  // "HD Pro Webcam C920"
  std::string pcmName;   // "USB Audio"
  // udev properties of the card's device (ID_BUS, ID_VENDOR_ID, ID_MODEL_ID,
  // ID_USB_INTERFACE_NUM, ID_SERIAL_SHORT, ID_PATH), empty where udev knows nothing.
  std::map<std::string, std::string> properties;
};

// The capture side of a card's mixer: the first capture volume, the first capture switch and the
// capture source (an enumerated capture control, "Capture Source" or "Input Source"), each as the
// card has it.
struct AlsaCaptureMixer {
  bool hasVolume = false;
  long minVolume = 0;
  long maxVolume = 0;
  long volume = 0;  // of the first channel; writes set every channel
  bool hasSwitch = false;
  bool capturing = false;            // the switch on: the card captures (not muted)
  std::vector<std::string> sources;  // empty: no capture source to choose
  int source = -1;

  bool operator==(const AlsaCaptureMixer&) const = default;
};

class AlsaApi {
 public:
  virtual ~AlsaApi() = default;
  // Opens a playback device in blocking mode. Null, with the error in *error, when it cannot.
  virtual std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) = 0;
  // Opens a capture device in non-blocking mode; -EBUSY while another program holds it. A
  // back-end without capture answers -ENOTSUP.
  virtual std::unique_ptr<AlsaCapture> OpenCapture(const std::string& device, int* error);
  // The hardware capture devices of every card, then the configuration's PCMs with a
  // description hint that may capture (output-only hints, "null" and plugins without a
  // description left out), each once.
  virtual std::vector<AlsaCaptureDeviceInfo> CaptureDevices() { return {}; }

  // The capture controls of a card's mixer: -ENOENT when the card has none of them, -ENOTSUP for
  // a back-end without mixers. The setters answer -ENOENT for a control the card lacks and
  // -EINVAL for a value outside its range. Application thread.
  virtual int ReadCaptureMixer(int card, AlsaCaptureMixer* mixer);
  virtual int SetCaptureVolume(int card, long volume);
  virtual int SetCaptureSwitch(int card, bool capturing);
  virtual int SetCaptureSource(int card, int source);
};

// The process's ALSA: libasound unless replaced. Replacing with null restores libasound.
std::shared_ptr<AlsaApi> DefaultAlsaApi();
void SetDefaultAlsaApi(std::shared_ptr<AlsaApi> api);
// The libasound back-end itself.
std::shared_ptr<AlsaApi> SystemAlsaApi();
