// Drawing text into DIB sections, and copying rows into them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "TestApplication.h"
#include "gdi/FontConversion.h"
#include "gdi/Gdi.h"

namespace {

BITMAPINFO Header(LONG width, LONG height, WORD depth, DWORD compression = BI_RGB) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, depth, compression};
  return info;
}

// Bright bytes in the rows [first, last) of the picture counted from the top.
int BrightBytes(const BYTE* bits, const BITMAPINFOHEADER& header, int first, int last) {
  const DWORD stride = DibStride(header.biWidth, header.biBitCount);
  const int rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  int count = 0;
  for (int row = first; row < last; ++row) {
    const int memoryRow = header.biHeight < 0 ? row : rows - 1 - row;
    const BYTE* line = bits + static_cast<std::size_t>(memoryRow) * stride;
    count += static_cast<int>(std::count_if(line, line + stride, [](BYTE b) { return b > 128; }));
  }
  return count;
}

class Text : public ::testing::TestWithParam<LONG> {};  // the DIB's height: sign = row order

TEST_P(Text, IsDrawnInsideItsRectangleTheRightWayUp) {
  ui_test::TestApplication();
  const BITMAPINFO info = Header(80, GetParam(), 24);
  const gdi::UniqueDc dc(CreateCompatibleDC(nullptr));
  void* bits = nullptr;
  const gdi::UniqueGdiObject<gdi::Bitmap> dib(
      CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(dib && bits != nullptr);
  LOGFONT logFont;
  logFont.lfHeight = -16;
  const gdi::UniqueGdiObject<gdi::FontObject> font(CreateFontIndirect(&logFont));
  HGDIOBJ oldBitmap = SelectObject(dc.get(), dib.get());
  HGDIOBJ oldFont = SelectObject(dc.get(), font.get());
  EXPECT_EQ(SetBkMode(dc.get(), TRANSPARENT), OPAQUE);
  SetTextColor(dc.get(), RGB(255, 255, 255));
  EXPECT_FALSE(DeleteObject(dib.get())) << "a selected bitmap stays";

  RECT rect{10, 0, 70, 20};
  EXPECT_GT(DrawText(dc.get(), "HHHH\nHHHH", -1, &rect, DT_CENTER | DT_SINGLELINE), 0);
  const BITMAPINFOHEADER& header = *DibHeader(dib.get());
  const auto* pixels = static_cast<const BYTE*>(bits);
  EXPECT_GT(BrightBytes(pixels, header, 0, 20), 20);
  EXPECT_EQ(BrightBytes(pixels, header, 20, 40), 0);
  // Nothing left of the rectangle.
  const DWORD stride = DibStride(80, 24);
  for (int row = 0; row < 40; ++row) {
    for (int x = 0; x < 10 * 3; ++x)
      ASSERT_EQ(pixels[row * stride + x], 0);
  }

  RECT measured{0, 0, 200, 0};
  EXPECT_GT(DrawText(dc.get(), "HHHH", 4, &measured, DT_CALCRECT | DT_SINGLELINE), 0);
  EXPECT_GT(measured.right, 10);
  EXPECT_GT(measured.bottom, 8);
  SelectObject(dc.get(), oldFont);
  SelectObject(dc.get(), oldBitmap);
}

INSTANTIATE_TEST_SUITE_P(BothRowOrders, Text, ::testing::Values(40, -40));

TEST(DibSection, IsMadeOnlyForUncompressedRgb) {
  void* bits = nullptr;
  BITMAPINFO yuy2 = Header(64, 32, 16, 0x32595559);
  EXPECT_EQ(CreateDIBSection(nullptr, &yuy2, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  BITMAPINFO empty = Header(0, 32, 24);
  EXPECT_EQ(CreateDIBSection(nullptr, &empty, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  BITMAPINFO huge = Header(100000, 100000, 32);
  EXPECT_EQ(CreateDIBSection(nullptr, &huge, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  BITMAPINFO rgb32 = Header(64, 32, 32);
  const gdi::UniqueGdiObject<gdi::Bitmap> dib(
      CreateDIBSection(nullptr, &rgb32, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(dib);
  EXPECT_EQ(DibHeader(dib.get())->biSizeImage, 64u * 4u * 32u);
  // Text cannot be drawn without a drawable bitmap selected.
  const gdi::UniqueDc dc(CreateCompatibleDC(nullptr));
  RECT rect{0, 0, 10, 10};
  ui_test::TestApplication();
  EXPECT_EQ(DrawText(dc.get(), "x", 1, &rect, 0), 0);
}

TEST(SetDIBits, FillsATopDownBitmapFromBottomUpRows) {
  const BITMAPINFO target = Header(4, -3, 32);
  void* bits = nullptr;
  const gdi::UniqueGdiObject<gdi::Bitmap> dib(
      CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(dib);
  std::vector<BYTE> rows(16 * 3);
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i] = static_cast<BYTE>(i / 16);  // row number
  const BITMAPINFO source = Header(4, 3, 32);
  EXPECT_EQ(SetDIBits(nullptr, dib.get(), 0, 3, rows.data(), &source, DIB_RGB_COLORS), 3);
  const auto* pixels = static_cast<const BYTE*>(bits);
  EXPECT_EQ(pixels[0], 2);  // the top row is the last row of a bottom-up source
  EXPECT_EQ(pixels[32], 0);
  const BITMAPINFO otherDepth = Header(4, 3, 24);
  EXPECT_EQ(SetDIBits(nullptr, dib.get(), 0, 3, rows.data(), &otherDepth, DIB_RGB_COLORS), 0);
}

TEST(Fonts, LogFontsAndQtFontsCarryFaceSizeAndStyle) {
  ui_test::TestApplication();
  LOGFONT logFont;
  logFont.lfHeight = -20;
  logFont.lfWeight = FW_BOLD;
  logFont.lfItalic = 1;
  std::strcpy(logFont.lfFaceName, "DejaVu Sans");
  const QFont font = gdi::QFontFromLogFont(logFont);
  EXPECT_EQ(font.pixelSize(), 20);
  EXPECT_EQ(font.weight(), QFont::Bold);
  EXPECT_TRUE(font.italic());
  const LOGFONT back = gdi::LogFontFromQFont(font);
  EXPECT_EQ(back.lfHeight, -20);
  EXPECT_EQ(back.lfWeight, FW_BOLD);
  EXPECT_EQ(back.lfItalic, 1);
  EXPECT_STREQ(back.lfFaceName, "DejaVu Sans");
  const gdi::UniqueGdiObject<gdi::FontObject> handle(CreateFontIndirect(&logFont));
  LOGFONT read;
  EXPECT_EQ(GetObject(handle.get(), sizeof(read), &read), static_cast<int>(sizeof(LOGFONT)));
  EXPECT_EQ(read.lfHeight, -20);
}

}  // namespace
