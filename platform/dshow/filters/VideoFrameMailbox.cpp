#include "dshow/filters/VideoFrameMailbox.h"

#include <QImage>
#include <utility>

#include "dshow/filters/VideoWindowWidget.h"
#include "ui/Application.h"

namespace {

// Frames kept for reuse: one shown, one pending, one being filled, and the newest.
constexpr size_t kPoolSize = 4;

}  // namespace

struct VideoFrameMailbox::Pool {
  std::mutex lock;
  std::vector<std::unique_ptr<VideoFrame>> free;  // under lock

  void Return(VideoFrame* frame) {
    std::unique_ptr<VideoFrame> owned(frame);
    std::lock_guard guard(lock);
    if (free.size() < kPoolSize) free.push_back(std::move(owned));
  }
};

VideoFrameMailbox::VideoFrameMailbox() : pool_(std::make_shared<Pool>()) {}

std::shared_ptr<VideoFrame> VideoFrameMailbox::Acquire(int width, int height) {
  std::unique_ptr<VideoFrame> frame;
  {
    std::lock_guard guard(pool_->lock);
    while (!pool_->free.empty() && !frame) {
      frame = std::move(pool_->free.back());
      pool_->free.pop_back();
      if (frame->width != width || frame->height != height) frame.reset();  // an old size
    }
  }
  if (!frame) {
    frame = std::make_unique<VideoFrame>();
    frame->width = width;
    frame->height = height;
    frame->pixels.resize(static_cast<size_t>(width) * height * 4);
  }
  // The frame goes back to the pool when its last user lets go, if the pool still exists.
  std::weak_ptr<Pool> pool = pool_;
  return std::shared_ptr<VideoFrame>(frame.release(), [pool](VideoFrame* done) {
    if (auto alive = pool.lock()) {
      alive->Return(done);
    } else {
      delete done;
    }
  });
}

void VideoFrameMailbox::Publish(std::shared_ptr<VideoFrame> frame) {
  {
    std::lock_guard guard(lock_);
    ++published_;
    latest_ = frame;
    pending_ = std::move(frame);
    if (posted_) return;  // the task on its way shows the newest frame
    posted_ = true;
  }
  const bool posted = ui::PostToUiThread([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->ShowPending();
  });
  if (!posted) {
    std::lock_guard guard(lock_);
    posted_ = false;  // no UI thread to show it on
  }
}

void VideoFrameMailbox::DiscardPending() {
  std::lock_guard guard(lock_);
  pending_.reset();
}

std::shared_ptr<const VideoFrame> VideoFrameMailbox::Latest() const {
  std::lock_guard guard(lock_);
  return latest_;
}

long VideoFrameMailbox::Published() const {
  std::lock_guard guard(lock_);
  return published_;
}

void VideoFrameMailbox::SetWindow(VideoWindowWidget* window) {
  window_ = window;
}

void VideoFrameMailbox::ShowPending() {
  std::shared_ptr<VideoFrame> frame;
  {
    std::lock_guard guard(lock_);
    posted_ = false;
    frame = std::move(pending_);
  }
  if (!frame || window_.isNull()) return;
  // The image borrows the pixels; the holder keeps the frame out of the pool until Qt drops
  // the last copy of the image.
  auto* holder = new std::shared_ptr<VideoFrame>(frame);
  QImage image(
      static_cast<const uchar*>(frame->pixels.data()), frame->width, frame->height,
      frame->width * 4, QImage::Format_RGB32,
      [](void* info) { delete static_cast<std::shared_ptr<VideoFrame>*>(info); }, holder);
  window_->ShowFrame(std::move(image));
}
