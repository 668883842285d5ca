// The MJPG decoder between a source of JPEGs made here with libjpeg and a sink of one subtype:
// the colours and row order of each output, damaged frames, frames without Huffman tables, and
// the graph's Connect placing it between an MJPG pin and an RGB24 renderer.

#include "dshow/filters/MjpegDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "FilterTestSupport.h"
#include "TestPictures.h"
#include "dshow/VideoMediaType.h"
#include "dshow/graph/PinQueries.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using test_pictures::Rgb;

// A baseline JPEG, top half `top` and bottom half `bottom`, with chroma subsampled horizontally
// (4:2:2) or both ways (4:2:0). libjpeg writes the standard Huffman tables.
std::vector<BYTE> Jpeg(int width, int height, bool subsampledRows, Rgb top, Rgb bottom) {
  jpeg_compress_struct compress{};
  jpeg_error_mgr errors{};
  compress.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compress);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&compress, &out, &size);
  compress.image_width = static_cast<JDIMENSION>(width);
  compress.image_height = static_cast<JDIMENSION>(height);
  compress.input_components = 3;
  compress.in_color_space = JCS_RGB;
  jpeg_set_defaults(&compress);
  jpeg_set_quality(&compress, 95, TRUE);
  compress.comp_info[0].h_samp_factor = 2;
  compress.comp_info[0].v_samp_factor = subsampledRows ? 2 : 1;
  jpeg_start_compress(&compress, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
  while (compress.next_scanline < compress.image_height) {
    const Rgb& colour = compress.next_scanline < compress.image_height / 2 ? top : bottom;
    for (int x = 0; x < width; ++x) {
      row[x * 3] = static_cast<JSAMPLE>(colour.r);
      row[x * 3 + 1] = static_cast<JSAMPLE>(colour.g);
      row[x * 3 + 2] = static_cast<JSAMPLE>(colour.b);
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&compress, rows, 1);
  }
  jpeg_finish_compress(&compress);
  jpeg_destroy_compress(&compress);
  std::vector<BYTE> jpeg(out, out + size);
  std::free(out);
  return jpeg;
}

// The JPEG without its DHT segments, as the "AVI1" frames of some cameras.
std::vector<BYTE> WithoutHuffmanTables(const std::vector<BYTE>& jpeg) {
  std::vector<BYTE> stripped(jpeg.begin(), jpeg.begin() + 2);
  size_t at = 2;
  while (at + 4 <= jpeg.size() && jpeg[at + 1] != 0xDA) {  // segments up to the scan
    const size_t length = 2 + (size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    if (jpeg[at + 1] != 0xC4) stripped.insert(stripped.end(), &jpeg[at], &jpeg[at + length]);
    at += length;
  }
  stripped.insert(stripped.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
  return stripped;
}

struct Decoded {
  std::vector<BYTE> frame;  // the last delivered, empty if none
  int samples = 0;
  LONG dropped = 0;
};

// Runs two copies of the JPEG through a decoder into a sink taking only `subtype`.
Decoded Decode(const std::vector<BYTE>& jpeg, int width, int height, const GUID& subtype) {
  auto source =
      MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_MJPG, width, height), jpeg);
  auto decoder = MakeComObject<MjpegDecoder>();
  auto sink = MakeComObject<CapturingRenderer>(std::vector<GUID>{subtype});
  Decoded result;
  EXPECT_EQ(ConnectFilters(source.Get(), decoder.Get()), S_OK);
  if (ConnectFilters(decoder.Get(), sink.Get()) != S_OK) {
    ADD_FAILURE() << "the decoder does not connect to the sink";
    filter_test::DisconnectAll(decoder.Get());
    return result;
  }
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(decoder.Get(), MjpegDecoder::kGraphName);
  chain.Add(sink.Get(), "sink");
  source->Stream()->frameLimit = 2;
  EXPECT_EQ(chain.Run(), S_OK);
  EXPECT_TRUE(filter_test::WaitUntil([&] { return chain.Graph().Count(EC_COMPLETE) == 1; }));
  result.frame = sink->LastFrame();
  result.samples = sink->Samples();
  result.dropped = decoder->DroppedFrames();
  return result;  // the chain stops and disconnects the filters
}

constexpr Rgb kRed = test_pictures::kRed;
constexpr Rgb kBlue = test_pictures::kBlue;
constexpr int kTolerance = 10;  // JPEG's quantisation and subsampled chroma

// The colour at a row of the picture, converted back from YUY2 when the output is YUY2.
Rgb PixelAt(const std::vector<BYTE>& frame, const GUID& subtype, int width, int height,
            int pictureRow, int x) {
  if (subtype == MEDIASUBTYPE_YUY2) {
    const BYTE* p = &frame[static_cast<size_t>(pictureRow) * width * 2 + (x & ~1) * 2];
    // Back to RGB with the BT.601 limited-range equations.
    const double y = 1.164 * (p[x & 1 ? 2 : 0] - 16), u = p[1] - 128.0, v = p[3] - 128.0;
    return Rgb{static_cast<int>(y + 1.596 * v), static_cast<int>(y - 0.392 * u - 0.813 * v),
               static_cast<int>(y + 2.017 * u)};
  }
  const int bytes = subtype == MEDIASUBTYPE_RGB32 ? 4 : 3;
  const int stride = (width * bytes + 3) & ~3;
  const BYTE* p = &frame[static_cast<size_t>(height - 1 - pictureRow) * stride + x * bytes];
  return Rgb{p[2], p[1], p[0]};
}

struct OutputCase {
  std::string name;
  GUID subtype;
  bool subsampledRows;
  int width;
  int height;
};

TEST(MjpegDecoderTest, DecodesToEachOutputWithItsColoursAndRowOrder) {
  const OutputCase cases[] = {
      {"RGB24 from 4:2:2", MEDIASUBTYPE_RGB24, false, 64, 32},
      {"RGB24 from 4:2:0, rows without room for whole groups", MEDIASUBTYPE_RGB24, true, 36, 32},
      {"RGB32 from 4:2:0", MEDIASUBTYPE_RGB32, true, 48, 32},
      {"YUY2 from 4:2:2", MEDIASUBTYPE_YUY2, false, 64, 32},
      {"YUY2 from 4:2:0", MEDIASUBTYPE_YUY2, true, 40, 16},
  };
  for (const OutputCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded decoded = Decode(Jpeg(c.width, c.height, c.subsampledRows, kRed, kBlue), c.width,
                                   c.height, c.subtype);
    ASSERT_EQ(decoded.frame.size(), VideoImageSize(c.subtype, c.width, c.height));
    EXPECT_EQ(decoded.dropped, 0);
    for (int x = 0; x < c.width; ++x) {
      const Rgb top = PixelAt(decoded.frame, c.subtype, c.width, c.height, 0, x);
      const Rgb bottom = PixelAt(decoded.frame, c.subtype, c.width, c.height, c.height - 1, x);
      ASSERT_TRUE(test_pictures::Near(top, kRed, kTolerance))
          << "x " << x << ": " << top.r << "," << top.g << "," << top.b;
      ASSERT_TRUE(test_pictures::Near(bottom, kBlue, kTolerance))
          << "x " << x << ": " << bottom.r << "," << bottom.g << "," << bottom.b;
    }
  }
}

TEST(MjpegDecoderTest, AFrameWithoutHuffmanTablesDecodesWithTheStandardOnes) {
  const std::vector<BYTE> jpeg = WithoutHuffmanTables(Jpeg(32, 16, false, kRed, kBlue));
  for (size_t i = 0; i + 1 < jpeg.size(); ++i)
    ASSERT_FALSE(jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4) << "a DHT is left at " << i;
  const Decoded decoded = Decode(jpeg, 32, 16, MEDIASUBTYPE_RGB24);
  ASSERT_EQ(decoded.samples, 2);
  EXPECT_TRUE(test_pictures::Near(PixelAt(decoded.frame, MEDIASUBTYPE_RGB24, 32, 16, 0, 5), kRed,
                                  kTolerance));
  EXPECT_TRUE(test_pictures::Near(PixelAt(decoded.frame, MEDIASUBTYPE_RGB24, 32, 16, 15, 5), kBlue,
                                  kTolerance));
}

TEST(MjpegDecoderTest, AFrameThatDoesNotDecodeIsDroppedAndCounted) {
  const std::vector<BYTE> good = Jpeg(64, 32, true, kRed, kBlue);
  std::vector<BYTE> noise(1000, 0x55);
  noise[0] = 0xFF, noise[1] = 0xD8, noise[998] = 0xFF, noise[999] = 0xD9;
  const std::vector<BYTE> cutShort(good.begin(), good.begin() + good.size() / 2);
  std::vector<BYTE> cutInScan(good.begin(), good.end() - 40);  // the scan's last rows are gone
  cutInScan.insert(cutInScan.end(), {0xFF, 0xD9});
  const struct {
    std::string name;
    std::vector<BYTE> frame;
  } cases[] = {
      {"cut short", cutShort},
      {"without its end marker", std::vector<BYTE>(good.begin(), good.end() - 2)},
      {"cut in its scan, end marker kept", cutInScan},
      {"no picture between its markers", noise},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded decoded = Decode(c.frame, 64, 32, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(decoded.samples, 0);
    EXPECT_EQ(decoded.dropped, 2);
  }
}

TEST(MjpegDecoderTest, ConnectPlacesItBetweenAnMjpgPinAndAnRgb24Renderer) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
  auto source = MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_MJPG, 640, 480),
                                           Jpeg(640, 480, false, kRed, kBlue));
  auto sink = MakeComObject<CapturingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
  ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
  ASSERT_EQ(graph->Connect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                           PinOf(sink.Get(), PINDIR_INPUT).Get()),
            S_OK);
  ComPtr<IBaseFilter> decoder;
  ASSERT_EQ(graph->FindFilterByName(MjpegDecoder::kGraphName, decoder.GetAddressOf()), S_OK);
  CLSID clsid{};
  decoder->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_MjpegDecoder);
  MediaType connected;
  ASSERT_EQ(PinOf(sink.Get(), PINDIR_INPUT)->ConnectionMediaType(connected.ResetAndGet()), S_OK);
  EXPECT_EQ(connected->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(ReadVideoFormat(connected.Get())->height, 480);
  filter_test::DisconnectAll(decoder.Get());
}

}  // namespace
