#include "dshow/filters/AviFileWriter.h"

#include <algorithm>
#include <cerrno>

#include "av/AvError.h"
#include "av/CodecParameters.h"
#include "com/Diagnostics.h"
#include "dshow/AudioMediaType.h"

namespace dshow {

namespace {

constexpr AVRational kReferenceTime{1, 10'000'000};
constexpr auto kFlushInterval = std::chrono::seconds(1);
// What finishing writes besides the index: the header rewritten, the last RIFF chunk closed, the
// I/O buffer; generously.
constexpr int64_t kFinishReserve = 1024 * 1024;
// On disk per packet: 16 bytes in the AVI 1.0 index, 8 in the OpenDML index; with room to spare.
constexpr int64_t kIndexBytesPerPacket = 32;

}  // namespace

HRESULT WriteErrorResult(int error) {
  switch (error) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return STG_E_MEDIUMFULL;
    case EACCES:
    case EPERM:
    case EROFS:
      return E_ACCESSDENIED;
    default:
      return HRESULT_FROM_WIN32(ERROR_CANTWRITE);
  }
}

AviFileWriter::AviFileWriter(std::unique_ptr<av::FileWriterIo> io,
                             const AviWriterSettings& settings)
    : io_(std::move(io)), settings_(settings), lastFlush_(std::chrono::steady_clock::now()) {}

AviFileWriter::~AviFileWriter() {
  // A writer dropped without Finish still leaves a finished file.
  (void)Finish();
}

std::unique_ptr<AviFileWriter> AviFileWriter::Open(std::unique_ptr<av::FileOutput> output,
                                                   const std::vector<MediaType>& types,
                                                   const AviWriterSettings& settings,
                                                   HRESULT* result) {
  std::unique_ptr<AviFileWriter> writer(
      new AviFileWriter(std::make_unique<av::FileWriterIo>(std::move(output)), settings));
  const HRESULT hr = writer->Start(types);
  if (result != nullptr) *result = hr;
  if (FAILED(hr)) {
    writer->finished_ = true;  // nothing worth finishing
    return nullptr;
  }
  return writer;
}

HRESULT AviFileWriter::Start(const std::vector<MediaType>& types) {
  if (io_->Context() == nullptr || types.empty()) return E_OUTOFMEMORY;
  packet_.reset(av_packet_alloc());
  AVFormatContext* context = nullptr;
  if (!packet_ || avformat_alloc_output_context2(&context, nullptr, "avi", nullptr) < 0)
    return E_OUTOFMEMORY;
  context_.reset(context);
  context->pb = io_->Context();
  // Packets as big as a whole uncompressed picture go straight to the file, not through the
  // buffer.
  context->pb->direct = 1;
  context->max_interleave_delta =
      av_rescale_q(settings_.interleaveTime, kReferenceTime, AVRational{1, AV_TIME_BASE});
  for (const MediaType& type : types) {
    AVStream* stream = avformat_new_stream(context, nullptr);
    if (stream == nullptr) return E_OUTOFMEMORY;
    if (!av::ToCodecParameters(type.Get(), *stream->codecpar, &stream->time_base))
      return VFW_E_TYPE_NOT_ACCEPTED;
    Stream own;
    own.video = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    if (!own.video) {
      const WAVEFORMATEX* wave = WaveFormatOf(type.Get());
      if (wave == nullptr || wave->nAvgBytesPerSec == 0) return VFW_E_TYPE_NOT_ACCEPTED;
      own.byteTime = AVRational{1, static_cast<int>(wave->nAvgBytesPerSec)};
    }
    streams_.push_back(own);
  }
  UpdateReserve();
  const int written = avformat_write_header(context, nullptr);
  if (written < 0) {
    diag::Warn("dshow", "the AVI header cannot be written: " + av::ErrorText(written));
    return io_->Error() != 0 ? WriteErrorResult(-io_->Error()) : E_FAIL;
  }
  return io_->Error() != 0 ? WriteErrorResult(-io_->Error()) : S_OK;
}

HRESULT AviFileWriter::Failure() const {
  if (io_->Error() != 0) return WriteErrorResult(-io_->Error());
  return error_;
}

void AviFileWriter::UpdateReserve() {
  // Packets libavformat holds back for interleaving are written when it finishes: roughly the
  // bytes handed in that have not reached the file.
  const int64_t held = settings_.interleave ? std::max<int64_t>(bytesIn_ - io_->End(), 0) : 0;
  io_->SetReserve(kFinishReserve + kIndexBytesPerPacket * packets_ + held);
}

int AviFileWriter::WritePacket(int stream, const BYTE* data, size_t size, int64_t dts,
                               bool keyFrame) {
  AVPacket* packet = packet_.get();
  av_packet_unref(packet);
  // Borrowed bytes: av_write_frame writes them at once; the interleaving call copies them.
  packet->data = const_cast<BYTE*>(data);
  packet->size = static_cast<int>(size);
  packet->stream_index = stream;
  packet->dts = dts;
  packet->pts = dts;
  packet->flags = keyFrame ? AV_PKT_FLAG_KEY : 0;
  ++packets_;
  bytesIn_ += static_cast<int64_t>(size);
  UpdateReserve();
  const int result = settings_.interleave ? av_interleaved_write_frame(context_.get(), packet)
                                          : av_write_frame(context_.get(), packet);
  av_packet_unref(packet);
  return result;
}

int AviFileWriter::FillTo(int stream, int64_t slot) {
  Stream& own = streams_[static_cast<size_t>(stream)];
  // Past the first packet libavformat fills gaps itself; before it, an empty chunk per slot.
  while (own.next < slot) {
    const int result = WritePacket(stream, nullptr, 0, own.next, false);
    if (result < 0) return result;
    ++own.next;
  }
  return 0;
}

void AviFileWriter::FlushWhenDue() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastFlush_ < kFlushInterval) return;
  lastFlush_ = now;
  avio_flush(context_->pb);
}

HRESULT AviFileWriter::Write(int stream, const BYTE* data, size_t size, const REFERENCE_TIME* start,
                             bool keyFrame) {
  if (finished_) return FAILED(finishResult_) ? finishResult_ : VFW_E_WRONG_STATE;
  if (stream < 0 || stream >= static_cast<int>(streams_.size())) return E_INVALIDARG;
  if (FAILED(Failure())) return Failure();
  Stream& own = streams_[static_cast<size_t>(stream)];
  const AVStream* avStream = context_->streams[stream];
  int result = 0;
  if (own.video) {
    int64_t slot = own.next;
    if (start != nullptr) {
      slot = av_rescale_q_rnd(std::max<REFERENCE_TIME>(*start, 0), kReferenceTime,
                              avStream->time_base, AV_ROUND_NEAR_INF);
    }
    slot = std::max(slot, own.next);  // two frames in one slot: the later takes the next
    if (own.next == 0 && slot > 0) result = FillTo(stream, slot);
    if (result >= 0) result = WritePacket(stream, data, size, slot, keyFrame);
    own.next = slot + 1;
  } else {
    const int64_t dts = av_rescale_q(own.next, own.byteTime, avStream->time_base);
    result = WritePacket(stream, data, size, dts, true);
    own.next += static_cast<int64_t>(size);
  }
  if (result < 0 && error_ == S_OK) {
    diag::Warn("dshow", "an AVI packet cannot be written: " + av::ErrorText(result));
    error_ = E_FAIL;
  }
  FlushWhenDue();
  return Failure();
}

int64_t AviFileWriter::Frames(int stream) const {
  if (stream < 0 || stream >= static_cast<int>(streams_.size())) return 0;
  const Stream& own = streams_[static_cast<size_t>(stream)];
  return own.video ? own.next : 0;
}

HRESULT AviFileWriter::Finish() {
  if (finished_) return finishResult_;
  finished_ = true;
  const LONG master = settings_.masterStream;
  if (master >= 0 && master < static_cast<LONG>(streams_.size()) && SUCCEEDED(Failure())) {
    // Every video stream lasts as long as the master stream.
    const Stream& leader = streams_[static_cast<size_t>(master)];
    const REFERENCE_TIME length =
        leader.video
            ? av_rescale_q(leader.next, context_->streams[master]->time_base, kReferenceTime)
            : av_rescale_q(leader.next, leader.byteTime, kReferenceTime);
    for (size_t i = 0; i < streams_.size(); ++i) {
      if (!streams_[i].video || static_cast<LONG>(i) == master) continue;
      const int stream = static_cast<int>(i);
      const int64_t slots = av_rescale_q_rnd(length, kReferenceTime,
                                             context_->streams[stream]->time_base, AV_ROUND_UP);
      // Past the first packet libavformat writes the gap when the next packet comes: one
      // empty packet at the last slot brings the fill.
      if (slots > streams_[i].next && streams_[i].next > 0) {
        (void)WritePacket(stream, nullptr, 0, slots - 1, false);  // a failure shows in Failure()
        streams_[i].next = slots;
      }
    }
  }
  const int trailer = av_write_trailer(context_.get());
  if (trailer < 0 && error_ == S_OK) {
    diag::Warn("dshow", "the AVI index cannot be written: " + av::ErrorText(trailer));
    error_ = E_FAIL;
  }
  (void)io_->Finish();  // its failure shows in Failure()
  finishResult_ = Failure();
  return finishResult_;
}

}  // namespace dshow
