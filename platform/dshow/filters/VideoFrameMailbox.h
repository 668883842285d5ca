#pragma once
// Hands video frames from a renderer's streaming thread to its window on the UI thread.
//
// The streaming thread converts each frame into a buffer from a small pool (Acquire) and
// publishes it; publishing only swaps a pointer under a lock and, when no hand-over is pending,
// posts one task to the UI thread. That task shows the newest frame; frames published in the
// meantime are skipped, so a busy UI thread never holds the streaming thread up. A shown frame
// is wrapped in a QImage without copying and goes back to the pool when the window lets go of it.
//
// Threads: Acquire and Publish from the streaming thread; SetWindow from the UI thread; Latest
// from any thread. Frames are never written after they are published.

#include <QPointer>
#include <memory>
#include <mutex>
#include <vector>

#include "com/Types.h"

class VideoWindowWidget;

// A picture in RGB32 (blue, green, red, unused), rows top-down, 4 × width bytes each.
struct VideoFrame {
  int width = 0;
  int height = 0;
  std::vector<BYTE> pixels;
};

class VideoFrameMailbox : public std::enable_shared_from_this<VideoFrameMailbox> {
 public:
  VideoFrameMailbox();

  std::shared_ptr<VideoFrame> Acquire(int width, int height);
  void Publish(std::shared_ptr<VideoFrame> frame);
  // Drops the frame published and not yet shown (a flush: it belongs to the position before a
  // seek); the hand-over on its way then shows the next frame published, or nothing. Any thread.
  void DiscardPending();
  // The newest published frame, or null.
  std::shared_ptr<const VideoFrame> Latest() const;
  // Frames published since the mailbox was made.
  long Published() const;

  // UI thread. Null stops the hand-over to a window.
  void SetWindow(VideoWindowWidget* window);

 private:
  struct Pool;

  void ShowPending();  // UI thread

  std::shared_ptr<Pool> pool_;
  mutable std::mutex lock_;
  std::shared_ptr<VideoFrame> pending_;  // under lock_
  std::shared_ptr<VideoFrame> latest_;   // under lock_
  bool posted_ = false;                  // under lock_
  long published_ = 0;                   // under lock_
  QPointer<VideoWindowWidget> window_;   // UI thread only
};
