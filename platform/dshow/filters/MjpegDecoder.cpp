#include "dshow/filters/MjpegDecoder.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "av/AvOwners.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/MemAllocator.h"

namespace {

// How one output subtype is written.
struct OutputLayout {
  const GUID* subtype;
  AVPixelFormat format;
  int bytesPerPixel;
  bool dib;  // padded rows, bottom-up unless the height is negative; YUV is always top-down
};

constexpr OutputLayout kOutputs[] = {
    {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, 3, true},
    {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGRA, 4, true},
    {&MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, 2, false},
};

const OutputLayout* FindOutput(const GUID& subtype) {
  for (const OutputLayout& layout : kOutputs) {
    if (*layout.subtype == subtype) return &layout;
  }
  return nullptr;
}

// The plain planar format of a JPEG ("J") one: libswscale takes the range as a setting, and the
// J formats would make it warn and rewrite its own format on every context.
AVPixelFormat WithoutJpegRange(AVPixelFormat format, bool* fullRange) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      *fullRange = true;
      return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      *fullRange = true;
      return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      *fullRange = true;
      return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
      *fullRange = true;
      return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
      *fullRange = true;
      return AV_PIX_FMT_YUV411P;
    default:
      return format;
  }
}

// A whole JPEG: a start marker first and an end marker last. Some cameras pad a frame with zero
// bytes after its end marker. libavcodec would decode a frame cut short and fill in the rest, so
// this is checked here.
bool IsWholeJpeg(const BYTE* data, size_t size) {
  while (size > 4 && data[size - 1] == 0)
    --size;
  return size >= 4 && data[0] == 0xFF && data[1] == 0xD8 && data[size - 2] == 0xFF &&
         data[size - 1] == 0xD9;
}

bool IsMjpg(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_MJPG) return false;
  const auto format = ReadVideoFormat(type);
  return format && format->width > 0 && format->height != 0;
}

// An output type this filter writes (any size; CheckTransform matches it to the input).
bool IsDecodedOutput(const AM_MEDIA_TYPE& type) {
  const OutputLayout* layout = FindOutput(type.subtype);
  if (type.majortype != MEDIATYPE_Video || layout == nullptr) return false;
  const auto format = ReadVideoFormat(type);
  return format && format->width > 0 && format->height != 0 &&
         (layout->dib || format->width % 2 == 0);  // YUY2 pairs pixels
}

}  // namespace

// One libavcodec MJPEG decoder with its scaler to the output picture. Streaming thread only.
class MjpegFrameDecoder {
 public:
  MjpegFrameDecoder(const OutputLayout& layout, LONG width, LONG height)
      : layout_(layout), width_(width), height_(std::abs(height)) {
    stride_ = layout.dib ? (width * layout.bytesPerPixel + 3) & ~3 : width * layout.bytesPerPixel;
    bottomUp_ = layout.dib && height > 0;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    if (codec == nullptr) return;
    context_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!context_ || !frame_ || !packet_) return;
    // Slice threads, as many as there are cores (0 = auto): frame threads would hold each
    // picture back by a frame per thread, while a sample must leave with its own picture. The
    // MJPEG decoder of the libavcodec versions we build with has no threads of either kind and
    // then decodes on the streaming thread; a build that has slice threads uses them.
    context_->thread_count = 0;
    context_->thread_type = FF_THREAD_SLICE;
    // Damaged data is an error rather than a concealed picture: such a frame is dropped.
    context_->err_recognition |= AV_EF_EXPLODE;
    if (avcodec_open2(context_.get(), codec, nullptr) < 0) context_.reset();
  }

  MjpegFrameDecoder(const MjpegFrameDecoder&) = delete;
  MjpegFrameDecoder& operator=(const MjpegFrameDecoder&) = delete;

  bool Ready() const { return context_ && frame_ && packet_; }
  size_t ImageBytes() const { return static_cast<size_t>(stride_) * static_cast<size_t>(height_); }

  // Decodes one JPEG into the output picture at target. False when the frame does not decode.
  bool Decode(const BYTE* data, size_t size, BYTE* target, size_t targetSize) {
    if (!Ready() || targetSize < ImageBytes() || !IsWholeJpeg(data, size)) return false;
    if (size > static_cast<size_t>(INT_MAX) - AV_INPUT_BUFFER_PADDING_SIZE) return false;
    if (!FillInput(data, size)) return false;
    // libavcodec takes its own reference to our buffer rather than copying the JPEG again.
    packet_->buf = av_buffer_ref(input_.get());
    packet_->data = input_->data;
    packet_->size = static_cast<int>(size);
    const bool decoded = packet_->buf != nullptr &&
                         avcodec_send_packet(context_.get(), packet_.get()) >= 0 &&
                         avcodec_receive_frame(context_.get(), frame_.get()) >= 0;
    av_packet_unref(packet_.get());
    bool done = decoded && frame_->decode_error_flags == 0 &&
                (frame_->flags & AV_FRAME_FLAG_CORRUPT) == 0 && Scale(target);
    av_frame_unref(frame_.get());
    if (!decoded) avcodec_flush_buffers(context_.get());  // the next frame starts afresh
    return done;
  }

 private:
  // Copies the JPEG into our padded buffer (libavcodec reads past the end), reusing the buffer
  // unless it is too small or libavcodec still holds it.
  bool FillInput(const BYTE* data, size_t size) {
    const size_t needed = size + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!input_ || input_->size < needed || !av_buffer_is_writable(input_.get())) {
      // Room for larger frames to come, so that the buffer is seldom made again.
      const size_t capacity = std::max(needed, input_ ? input_->size : 0) + needed / 4;
      input_.reset(av_buffer_alloc(capacity));
      if (!input_) return false;
    }
    std::memcpy(input_->data, data, size);
    std::memset(input_->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    return true;
  }

  // The scaler for the decoder's current pictures; made again only when they change.
  bool PrepareScaler() {
    const auto format = static_cast<AVPixelFormat>(frame_->format);
    if (scaler_ && format == scalerFormat_ && frame_->width == scalerWidth_ &&
        frame_->height == scalerHeight_ && frame_->color_range == scalerRange_) {
      return true;
    }
    scaler_.reset();
    bool fullRange = frame_->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat source = WithoutJpegRange(format, &fullRange);
    // Nearest-neighbour chroma, as the platform's converter: the sizes match, nothing is scaled.
    // The fast YUV-to-RGB path writes whole groups of 16 pixels and leaves the last pixels of a
    // row unwritten when the row has no room for a whole group; the accurate path writes all.
    const bool roomForGroups = stride_ >= ((width_ + 15) & ~15) * layout_.bytesPerPixel;
    av::SwsContextPtr scaler(sws_alloc_context());
    if (!scaler) return false;
    // The ranges are set before the context is initialised, so that it picks a path that
    // honours them (a YUV-to-YUV copy would otherwise ignore them). BT.601 is the default.
    SwsContext* options = scaler.get();
    if (av_opt_set_int(options, "srcw", frame_->width, 0) < 0 ||
        av_opt_set_int(options, "srch", frame_->height, 0) < 0 ||
        av_opt_set_int(options, "src_format", source, 0) < 0 ||
        av_opt_set_int(options, "dstw", width_, 0) < 0 ||
        av_opt_set_int(options, "dsth", height_, 0) < 0 ||
        av_opt_set_int(options, "dst_format", layout_.format, 0) < 0 ||
        av_opt_set_int(options, "sws_flags", SWS_POINT | (roomForGroups ? 0 : SWS_ACCURATE_RND),
                       0) < 0 ||
        av_opt_set_int(options, "src_range", fullRange ? 1 : 0, 0) < 0 ||
        av_opt_set_int(options, "dst_range", layout_.dib ? 1 : 0, 0) < 0 ||
        sws_init_context(options, nullptr, nullptr) < 0) {
      return false;
    }
    scaler_ = std::move(scaler);
    scalerFormat_ = format;
    scalerWidth_ = frame_->width;
    scalerHeight_ = frame_->height;
    scalerRange_ = frame_->color_range;
    return true;
  }

  // Writes the picture in memory order: swscale's vector code writes past the end of a row,
  // which only the rows written after it cover, and it keeps its last rows for plain code that
  // stays inside the buffer. Bottom-up output therefore reads the picture upside down instead.
  bool Scale(BYTE* target) {
    if (!PrepareScaler()) return false;
    const uint8_t* planes[4] = {};
    int linesizes[4] = {};
    const AVPixFmtDescriptor* descriptor =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame_->format));
    if (descriptor == nullptr) return false;
    for (int plane = 0; plane < 4 && frame_->data[plane] != nullptr; ++plane) {
      planes[plane] = frame_->data[plane];
      linesizes[plane] = frame_->linesize[plane];
      const bool palette = plane == 1 && (descriptor->flags & AV_PIX_FMT_FLAG_PAL) != 0;
      if (!bottomUp_ || palette) continue;
      const bool chroma = plane == 1 || plane == 2;
      const int rows =
          chroma ? AV_CEIL_RSHIFT(frame_->height, descriptor->log2_chroma_h) : frame_->height;
      planes[plane] += static_cast<ptrdiff_t>(linesizes[plane]) * (rows - 1);
      linesizes[plane] = -linesizes[plane];
    }
    uint8_t* rows[4] = {target, nullptr, nullptr, nullptr};
    const int strides[4] = {stride_, 0, 0, 0};
    return sws_scale(scaler_.get(), planes, linesizes, 0, frame_->height, rows, strides) == height_;
  }

  const OutputLayout layout_;
  const int width_;
  const int height_;
  int stride_ = 0;
  bool bottomUp_ = false;
  av::CodecContextPtr context_;
  av::FramePtr frame_;
  av::PacketPtr packet_;
  av::BufferPtr input_;  // the JPEG bytes with zeroed padding
  av::SwsContextPtr scaler_;
  AVPixelFormat scalerFormat_ = AV_PIX_FMT_NONE;
  int scalerWidth_ = 0;
  int scalerHeight_ = 0;
  AVColorRange scalerRange_ = AVCOL_RANGE_UNSPECIFIED;
};

MjpegDecoder::MjpegDecoder() : CTransformFilter(CLSID_MjpegDecoder) {}

MjpegDecoder::~MjpegDecoder() = default;

bool MjpegDecoder::CanDecode(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to) {
  if (avcodec_find_decoder(AV_CODEC_ID_MJPEG) == nullptr) return false;
  if (from != nullptr && !IsMjpg(*from)) return false;
  return to == nullptr || IsDecodedOutput(*to);
}

HRESULT MjpegDecoder::CheckInputType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return IsMjpg(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT MjpegDecoder::CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) {
  if (in == nullptr || out == nullptr) return E_POINTER;
  if (!IsMjpg(*in) || !IsDecodedOutput(*out)) return VFW_E_TYPE_NOT_ACCEPTED;
  const auto from = ReadVideoFormat(*in);
  const auto to = ReadVideoFormat(*out);
  return to->width == from->width && std::abs(to->height) == std::abs(from->height)
             ? S_OK
             : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT MjpegDecoder::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CTransformInputPin* input = InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  const auto format = ReadVideoFormat(input->ConnectionType().Get());
  if (!format) return E_UNEXPECTED;
  // YUY2 only for even widths: it pairs pixels.
  const int offered = format->width % 2 == 0 ? 3 : 2;
  if (position >= offered) return VFW_S_NO_MORE_ITEMS;
  auto type = MakeVideoMediaType(*kOutputs[position].subtype, format->width,
                                 std::abs(format->height), format->avgTimePerFrame);
  if (!type) return E_UNEXPECTED;
  *mediaType = std::move(*type);
  return S_OK;
}

HRESULT MjpegDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  const MediaType& type = OutputPin()->ConnectionType();
  const auto format = ReadVideoFormat(type.Get());
  if (!format) return E_UNEXPECTED;
  ALLOCATOR_PROPERTIES wanted = *request;
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{2});
  wanted.cbBuffer = std::max(
      wanted.cbBuffer,
      static_cast<LONG>(VideoImageSize(type->subtype, format->width, std::abs(format->height))));
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT MjpegDecoder::BreakConnect(PIN_DIRECTION direction) {
  decoder_.reset();  // the next connection may want another picture
  return CTransformFilter::BreakConnect(direction);
}

HRESULT MjpegDecoder::StartStreaming() {
  if (!InputPin()->IsConnected() || !OutputPin()->IsConnected() || decoder_) return S_OK;
  const MediaType out = OutputPin()->CurrentMediaType();
  const auto format = ReadVideoFormat(out.Get());
  const OutputLayout* layout = FindOutput(out->subtype);
  if (!format || layout == nullptr) return VFW_E_TYPE_NOT_ACCEPTED;
  auto decoder = std::make_unique<MjpegFrameDecoder>(*layout, format->width, format->height);
  if (!decoder->Ready()) return E_FAIL;  // libavcodec has no MJPEG decoder here
  decoder_ = std::move(decoder);
  return S_OK;
}

HRESULT MjpegDecoder::Transform(IMediaSample* in, IMediaSample* out) {
  if (!decoder_) return VFW_E_WRONG_STATE;
  BYTE* source = nullptr;
  BYTE* target = nullptr;
  if (FAILED(in->GetPointer(&source)) || FAILED(out->GetPointer(&target))) return E_UNEXPECTED;
  const auto sourceLength = static_cast<size_t>(std::max(in->GetActualDataLength(), LONG{0}));
  const auto targetSize = static_cast<size_t>(std::max(out->GetSize(), LONG{0}));
  if (!decoder_->Decode(source, sourceLength, target, targetSize)) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return S_FALSE;  // a frame that does not decode is dropped, not fatal
  }
  return out->SetActualDataLength(static_cast<LONG>(decoder_->ImageBytes()));
}
