#include "rudozav/frames/FrameGrab.h"

#include <QImage>
#include <algorithm>
#include <optional>
#include <thread>

#include "dshow/VideoMediaType.h"
#include "gdi/Gdi.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/frames/FrameFileNames.h"
#include "rudozav/frames/PictureFiles.h"

namespace {

// The grabbed frame: a DIB section in a memory context, released when the grab ends.
struct TGrabbedFrame {
  gdi::UniqueDc dc;
  gdi::UniqueGdiObject<gdi::Bitmap> bitmap;
  HGDIOBJ previous = nullptr;
  BITMAPINFOHEADER header;
  BYTE* bits = nullptr;

  ~TGrabbedFrame() {
    if (previous != nullptr) SelectObject(dc.get(), previous);  // frees the DIB for deletion
  }
};

// Holds the filter off the frame buffer while it is read: the filter skips copying a frame
// while our flag is up, and we wait for a copy already under way to end.
class TFrameReadLock {
 public:
  explicit TFrameReadLock(TGrabberControl& record) : record_(record) {
    record_.ComponentReadingFrame.store(1);
    while (record_.FilterWritingFrame.load() != 0)
      std::this_thread::yield();
  }
  ~TFrameReadLock() { record_.ComponentReadingFrame.store(0); }
  TFrameReadLock(const TFrameReadLock&) = delete;
  TFrameReadLock& operator=(const TFrameReadLock&) = delete;

 private:
  TGrabberControl& record_;
};

// The frame copied into a new DIB section made from the header of its media type.
bool CopyFrame(TGrabberControl& record, TGrabbedFrame& frame) {
  if (record.FrameMediaTypeValid == 0) return false;
  const BITMAPINFOHEADER* header = BitmapHeaderOf(record.FrameMediaType);
  if (header == nullptr) return false;
  frame.dc.reset(CreateCompatibleDC(nullptr));
  if (!frame.dc) return false;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(header);
  void* bits = nullptr;
  frame.bitmap.reset(CreateDIBSection(frame.dc.get(), info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!frame.bitmap || bits == nullptr) return false;
  frame.previous = SelectObject(frame.dc.get(), frame.bitmap.get());
  frame.header = *header;
  frame.bits = static_cast<BYTE*>(bits);
  const LONG lines = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  TFrameReadLock lock(record);
  // A buffer shorter than the header's picture is never read past its end.
  if (record.FrameBuffer == nullptr ||
      static_cast<DWORD>(record.FrameSize) <
          DibImageSize(header->biWidth, header->biHeight, header->biBitCount)) {
    return false;
  }
  return SetDIBits(frame.dc.get(), frame.bitmap.get(), 0, static_cast<UINT>(lines),
                   record.FrameBuffer, info, DIB_RGB_COLORS) == lines;
}

// A top-down copy of the DIB for the host.
QImage PictureOf(const TGrabbedFrame& frame) {
  const BITMAPINFOHEADER& header = frame.header;
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const auto stride = static_cast<qsizetype>(DibStride(header.biWidth, header.biBitCount));
  const QImage::Format format =
      header.biBitCount == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
  if (header.biBitCount != 24 && header.biBitCount != 32) return {};
  const QImage rows(frame.bits, header.biWidth, height, stride, format);
  return header.biHeight > 0 ? rows.mirrored(false, true) : rows.copy();
}

std::string FileNameFor(TRavorOderiri& component, const std::string& fileName, const char* ext,
                        int& counter) {
  if (!fileName.empty()) return MakeFrameFileName(component, fileName, ext);
  return MakeAutoFileName(component, counter, std::string(".") + ext);
}

}  // namespace

bool GrabFrame(TRavorOderiri& component, TFrameCaptureDest dest, const std::string& fileName) {
  TRavorOdeririState& state = component.State();
  TGrabberControl* record = state.graph->frameGrabberRecord;
  if (record == nullptr) return false;
  TGrabbedFrame frame;
  if (!CopyFrame(*record, frame)) return false;
  TFrameData data;
  data.SampleTime = record->SampleTime.load();
  data.SampleTime2 = record->SampleTime2.load();
  data.FrameCount = record->FrameCount.load();
  state.graph->lastGrabbedFrameCount = data.FrameCount;
  // The host gets its picture only when it listens.
  std::optional<QImage> picture;
  const auto fire = [&](const std::string& name, bool success) {
    if (!component.OnFrameCaptureCompleted) return;
    if (!picture) picture = PictureOf(frame);
    data.Bitmap = &*picture;
    component.OnFrameCaptureCompleted(&component, data, dest, name, success);
  };

  std::string name;
  bool written = false;
  switch (dest) {
    case fc_TBitmap:
      fire({}, true);
      return false;
    case fc_BmpFile:
      name = FileNameFor(component, fileName, "bmp", state.bmpSequence);
      written = !name.empty() && WriteBmpFile(name, frame.header, frame.bits);
      break;
    case fc_JpegFile: {
      name = FileNameFor(component, fileName, "jpg", state.jpegSequence);
      const TJpegSettings settings{std::clamp(component.JPEGQuality(), 1, 100),
                                   component.JPEGProgressiveDisplay()};
      written = !name.empty() && WriteJpegFile(name, frame.header, frame.bits, settings);
      break;
    }
  }
  if (!written) return false;
  fire(name, true);
  return true;
}

bool BurstStep(TRavorOderiri& component) {
  TRavorOdeririState& state = component.State();
  if (!component.BurstMode()) return false;
  if (component.BurstInterval() > 0) {
    if (state.burstSkip > 0) {
      --state.burstSkip;
      return false;
    }
    state.burstSkip = component.BurstInterval();
  }
  if (component.BurstCount() <= 0) return true;  // unlimited until BurstMode is set false
  if (state.burstFramesLeft <= 0) {
    component.SetBurstMode(false);
    return false;
  }
  --state.burstFramesLeft;
  return true;
}
