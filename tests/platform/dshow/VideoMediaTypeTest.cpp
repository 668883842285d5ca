#include "dshow/VideoMediaType.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dshow/Uuids.h"

namespace {

struct SizeCase {
  const char* what;
  GUID subtype;
  LONG width;
  LONG height;
  DWORD expected;
};

const VIDEOINFOHEADER& Vih(const MediaType& type) {
  return *type.FormatAs<VIDEOINFOHEADER>();
}
const VIDEOINFOHEADER2& Vih2(const MediaType& type) {
  return *type.FormatAs<VIDEOINFOHEADER2>();
}

}  // namespace

TEST(VideoImageSize, FollowsEachSubtypeLayout) {
  const SizeCase cases[] = {
      {"YUY2", MEDIASUBTYPE_YUY2, 640, 480, 614400},
      {"UYVY odd width rounds up to a pixel pair", MEDIASUBTYPE_UYVY, 641, 480, 616320},
      {"RGB24", MEDIASUBTYPE_RGB24, 640, 480, 921600},
      {"RGB24 rows padded to 4 bytes", MEDIASUBTYPE_RGB24, 641, 480, 1924 * 480},
      {"RGB24 top-down", MEDIASUBTYPE_RGB24, 641, -480, 1924 * 480},
      {"RGB32", MEDIASUBTYPE_RGB32, 320, 240, 307200},
      {"RGB565", MEDIASUBTYPE_RGB565, 3, 2, 16},
      {"RGB8", MEDIASUBTYPE_RGB8, 5, 2, 16},
      {"RGB1", MEDIASUBTYPE_RGB1, 33, 1, 8},
      {"I420", MEDIASUBTYPE_I420, 640, 480, 460800},
      {"YV12 odd sizes round the chroma planes up", MEDIASUBTYPE_YV12, 5, 3, 27},
      {"NV12", MEDIASUBTYPE_NV12, 1920, 1080, 3110400},
      {"YVU9", MEDIASUBTYPE_YVU9, 640, 480, 345600},
      {"Y41P", MEDIASUBTYPE_Y41P, 640, 480, 460800},
      {"Y411", MEDIASUBTYPE_Y411, 640, 480, 460800},
      {"dvsd 525 lines", MEDIASUBTYPE_dvsd, 720, 480, 120000},
      {"dvsd 625 lines", MEDIASUBTYPE_dvsd, 720, 576, 144000},
      {"dvsd 625 lines at quarter size", MEDIASUBTYPE_dvsd, 180, 144, 144000},
      {"dvsl 625 lines", MEDIASUBTYPE_dvsl, 720, 576, 72000},
      {"dv50 625 lines", MEDIASUBTYPE_dv50, 720, 576, 288000},
      {"MJPG bound", MEDIASUBTYPE_MJPG, 640, 480, 921600},
      {"unknown subtype", MEDIASUBTYPE_Avi, 640, 480, 0},
      {"empty picture", MEDIASUBTYPE_YUY2, 0, 480, 0},
  };
  for (const SizeCase& c : cases) {
    EXPECT_EQ(VideoImageSize(c.subtype, c.width, c.height), c.expected) << c.what;
  }
}

TEST(MakeVideoMediaType, FillsTheHeaderForAFourCCSubtype) {
  const auto type = MakeVideoMediaType(MEDIASUBTYPE_YUY2, 640, 480, 333667);
  ASSERT_TRUE(type);
  EXPECT_EQ((*type)->majortype, MEDIATYPE_Video);
  EXPECT_EQ((*type)->formattype, FORMAT_VideoInfo);
  EXPECT_EQ((*type)->cbFormat, sizeof(VIDEOINFOHEADER));
  EXPECT_TRUE((*type)->bFixedSizeSamples);
  EXPECT_FALSE((*type)->bTemporalCompression);
  EXPECT_EQ((*type)->lSampleSize, 614400u);

  const VIDEOINFOHEADER& vih = Vih(*type);
  EXPECT_EQ(vih.AvgTimePerFrame, 333667);
  EXPECT_EQ(vih.dwBitRate, 147308544u);  // 614,400 bytes 29.97 times a second
  EXPECT_EQ(vih.bmiHeader.biSize, 40u);
  EXPECT_EQ(vih.bmiHeader.biWidth, 640);
  EXPECT_EQ(vih.bmiHeader.biHeight, 480);
  EXPECT_EQ(vih.bmiHeader.biPlanes, 1);
  EXPECT_EQ(vih.bmiHeader.biBitCount, 16);
  EXPECT_EQ(vih.bmiHeader.biCompression, MakeFourCC('Y', 'U', 'Y', '2'));
  EXPECT_EQ(vih.bmiHeader.biSizeImage, 614400u);
}

TEST(MakeVideoMediaType, RgbTypesCarryMasksOrAColourTable) {
  const auto rgb24 = MakeVideoMediaType(MEDIASUBTYPE_RGB24, 320, -240);
  ASSERT_TRUE(rgb24);
  EXPECT_EQ((*rgb24)->cbFormat, sizeof(VIDEOINFOHEADER));
  EXPECT_EQ(Vih(*rgb24).bmiHeader.biCompression, BI_RGB);
  EXPECT_EQ(Vih(*rgb24).bmiHeader.biHeight, -240);
  EXPECT_EQ(Vih(*rgb24).bmiHeader.biSizeImage, 230400u);
  EXPECT_EQ(Vih(*rgb24).dwBitRate, 0u);  // no frame rate given

  const auto rgb565 = MakeVideoMediaType(MEDIASUBTYPE_RGB565, 320, 240);
  ASSERT_TRUE(rgb565);
  ASSERT_EQ((*rgb565)->cbFormat, sizeof(VIDEOINFOHEADER) + 12);
  EXPECT_EQ(Vih(*rgb565).bmiHeader.biCompression, BI_BITFIELDS);
  DWORD masks[3];
  std::memcpy(masks, (*rgb565)->pbFormat + sizeof(VIDEOINFOHEADER), sizeof(masks));
  EXPECT_EQ(masks[0], 0xF800u);
  EXPECT_EQ(masks[1], 0x07E0u);
  EXPECT_EQ(masks[2], 0x001Fu);

  const auto rgb8 = MakeVideoMediaType(MEDIASUBTYPE_RGB8, 16, 16);
  ASSERT_TRUE(rgb8);
  ASSERT_EQ((*rgb8)->cbFormat, sizeof(VIDEOINFOHEADER) + 256 * sizeof(RGBQUAD));
  RGBQUAD last;
  std::memcpy(&last, (*rgb8)->pbFormat + sizeof(VIDEOINFOHEADER) + 255 * sizeof(RGBQUAD),
              sizeof(last));
  EXPECT_EQ(last.rgbRed, 255);
  EXPECT_EQ(last.rgbBlue, 255);
}

TEST(MakeVideoMediaType, CompressedAndRejectedTypes) {
  const auto mjpg = MakeVideoMediaType(MEDIASUBTYPE_MJPG, 640, 480);
  ASSERT_TRUE(mjpg);
  EXPECT_FALSE((*mjpg)->bFixedSizeSamples);
  EXPECT_FALSE((*mjpg)->bTemporalCompression);
  const auto h264 = MakeVideoMediaType(MEDIASUBTYPE_H264, 640, 480);
  ASSERT_TRUE(h264);
  EXPECT_TRUE((*h264)->bTemporalCompression);

  EXPECT_FALSE(MakeVideoMediaType(MEDIASUBTYPE_PCM, 640, 480));
  EXPECT_FALSE(MakeVideoMediaType(MEDIASUBTYPE_YUY2, 0, 480));
  EXPECT_FALSE(MakeVideoMediaType(MEDIASUBTYPE_YUY2, 640, 0));
}

TEST(MakeVideoMediaType, SecondFormatBlockGivesTheAspectRatio) {
  const auto hd =
      MakeVideoMediaType(MEDIASUBTYPE_NV12, 1920, 1080, 400000, VideoFormatBlock::kVideoInfo2);
  ASSERT_TRUE(hd);
  EXPECT_EQ((*hd)->formattype, FORMAT_VideoInfo2);
  EXPECT_EQ((*hd)->cbFormat, sizeof(VIDEOINFOHEADER2));
  EXPECT_EQ(Vih2(*hd).dwPictAspectRatioX, 16u);
  EXPECT_EQ(Vih2(*hd).dwPictAspectRatioY, 9u);
  EXPECT_EQ(Vih2(*hd).bmiHeader.biSizeImage, 3110400u);
}

TEST(ReadVideoFormat, ReadsEitherBlockAlike) {
  for (const VideoFormatBlock block :
       {VideoFormatBlock::kVideoInfo, VideoFormatBlock::kVideoInfo2}) {
    const auto type = MakeVideoMediaType(MEDIASUBTYPE_I420, 352, 288, 400000, block);
    ASSERT_TRUE(type);
    const auto info = ReadVideoFormat(type->Get());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 352);
    EXPECT_EQ(info->height, 288);
    EXPECT_EQ(info->bitCount, 12);
    EXPECT_EQ(info->compression, MakeFourCC('I', '4', '2', '0'));
    EXPECT_EQ(info->imageSize, 152064u);
    EXPECT_EQ(info->avgTimePerFrame, 400000);
    EXPECT_EQ(BitmapHeaderOf(type->Get())->biWidth, 352);
  }
}

TEST(ReadVideoFormat, RefusesOtherFormatsAndShortBlocks) {
  auto type = MakeVideoMediaType(MEDIASUBTYPE_RGB24, 64, 48, 0, VideoFormatBlock::kVideoInfo2);
  ASSERT_TRUE(type);
  (*type)->cbFormat = sizeof(VIDEOINFOHEADER2) - 1;
  EXPECT_FALSE(ReadVideoFormat(type->Get()));
  (*type)->cbFormat = sizeof(VIDEOINFOHEADER2);
  (*type)->formattype = FORMAT_DvInfo;
  EXPECT_FALSE(ReadVideoFormat(type->Get()));
  EXPECT_EQ(BitmapHeaderOf(type->Get()), nullptr);
  EXPECT_FALSE(ReadVideoFormat(MediaType().Get()));
}

TEST(SetVideoSize, RecomputesTheImageSize) {
  auto type = MakeVideoMediaType(MEDIASUBTYPE_I420, 640, 480, 0, VideoFormatBlock::kVideoInfo2);
  ASSERT_TRUE(type);
  ASSERT_TRUE(SetVideoSize(type->Get(), 320, 240));
  EXPECT_EQ(Vih2(*type).bmiHeader.biWidth, 320);
  EXPECT_EQ(Vih2(*type).bmiHeader.biSizeImage, 115200u);
  EXPECT_EQ((*type)->lSampleSize, 115200u);
  EXPECT_EQ(Vih2(*type).dwPictAspectRatioX, 4u);
  ASSERT_TRUE(SetAvgTimePerFrame(type->Get(), 666667));
  EXPECT_EQ(ReadVideoFormat(type->Get())->avgTimePerFrame, 666667);

  // A subtype the framework does not know keeps the sizes it came with.
  MediaType unknown(MEDIATYPE_Video, FourCCGuid(MakeFourCC('A', 'B', 'C', 'D')), FORMAT_VideoInfo);
  auto* vih = unknown.FormatAs<VIDEOINFOHEADER>();
  ASSERT_EQ(vih, nullptr);
  unknown.AllocFormat(sizeof(VIDEOINFOHEADER));
  vih = unknown.FormatAs<VIDEOINFOHEADER>();
  vih->bmiHeader.biSizeImage = 1234;
  ASSERT_TRUE(SetVideoSize(unknown.Get(), 100, 100));
  EXPECT_EQ(vih->bmiHeader.biSizeImage, 1234u);

  MediaType audio(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
  EXPECT_FALSE(SetVideoSize(audio.Get(), 1, 1));
  EXPECT_FALSE(SetAvgTimePerFrame(audio.Get(), 1));
}

TEST(Subtypes, FourCCFamilyAndNames) {
  EXPECT_TRUE(IsFourCCSubtype(MEDIASUBTYPE_YUY2));
  EXPECT_TRUE(IsFourCCSubtype(MEDIASUBTYPE_PCM));
  EXPECT_FALSE(IsFourCCSubtype(MEDIASUBTYPE_RGB24));
  EXPECT_EQ(MEDIASUBTYPE_NV12.Data1, 0x3231564Eu);
  EXPECT_EQ(StringFromGUID(MEDIASUBTYPE_YUY2), "{32595559-0000-0010-8000-00AA00389B71}");
  EXPECT_EQ(FourCCText(0x3231564E), "NV12");
  EXPECT_EQ(FourCCText(0x00000001), "....");

  EXPECT_EQ(SubtypeText(MEDIASUBTYPE_RGB24), "RGB24");
  EXPECT_EQ(SubtypeText(MEDIASUBTYPE_dvsd), "dvsd");
  EXPECT_EQ(SubtypeText(FourCCGuid(MakeFourCC('A', 'B', 'C', 'D'))), "ABCD");
  EXPECT_EQ(SubtypeText(FORMAT_DvInfo), "{05589F84-C356-11CE-BF01-00AA0055595A}");
  ASSERT_NE(FindVideoSubtype(MEDIASUBTYPE_RGB565), nullptr);
  EXPECT_EQ(FindVideoSubtype(MEDIASUBTYPE_RGB565)->compression, BI_BITFIELDS);
  EXPECT_EQ(FindVideoSubtype(MEDIASUBTYPE_PCM), nullptr);
}

TEST(MediaTypeText, DescribesVideoTypes) {
  const auto type = MakeVideoMediaType(MEDIASUBTYPE_YUY2, 640, 480, 333333);
  ASSERT_TRUE(type);
  EXPECT_EQ(type->Text(), "Video YUY2 640x480 16bit 30.00fps VideoInfo");
  EXPECT_EQ(MediaType(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo).Text(),
            "Interleaved dvsd DvInfo");
  EXPECT_EQ(MediaType().Text(), "(any) (any) (any)");
}
