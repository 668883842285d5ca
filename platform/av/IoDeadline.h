#pragma once
// A deadline for libavformat's blocking work: installed as a format context's interrupt
// callback, it makes libavformat give up (AVERROR_EXIT) once the platform clock has passed the
// time armed. A stalled file (a network mount that stops answering) thus ends an open or a read
// instead of holding a streaming thread for ever.
//
// Threads: Arm and the callback on the thread that uses the format context.

#include "com/Types.h"

extern "C" {
#include <libavformat/avio.h>
}

namespace av {

class IoDeadline {
 public:
  // The callback to hand libavformat (AVFormatContext::interrupt_callback); this must outlive
  // the context.
  AVIOInterruptCB Callback() { return AVIOInterruptCB{&Interrupted, this}; }
  // From now on, milliseconds of the platform clock are left.
  void Arm(ULONGLONG milliseconds);
  bool Expired() const;

 private:
  static int Interrupted(void* opaque);

  ULONGLONG armedAt_ = 0;
  ULONGLONG budget_ = 0;
};

}  // namespace av
