// Frame file names and sequence numbers, the BMP and JPEG writers, bursts and the caption
// hand-over, without a graph.

#include <QImage>
#include <filesystem>
#include <fstream>
#include <regex>

#include "ComponentFixture.h"
#include "JpegProbe.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/frames/CaptionSettings.h"
#include "rudozav/frames/FrameFileNames.h"
#include "rudozav/frames/FrameGrab.h"
#include "rudozav/frames/PictureFiles.h"

namespace fs = std::filesystem;

namespace rudozav_test {
namespace {

void Touch(const fs::path& file) {
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

std::string NextJpeg(TRavorOderiri& component) {
  return fs::path(MakeAutoFileName(component, component.State().jpegSequence, ".jpg"))
      .filename()
      .string();
}

TEST_F(ComponentTest, AGivenFileNameGetsThePictureTypesExtension) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  EXPECT_EQ(MakeFrameFileName(component, "shot.JPG", "jpg"), "shot.jpg");
  EXPECT_EQ(MakeFrameFileName(component, "shot.png", "bmp"), "shot.bmp");
  EXPECT_EQ(MakeFrameFileName(component, "shot", "jpg"), "shot.jpg");
  EXPECT_EQ(MakeFrameFileName(component, "shot.jpg", "jpg"), "shot.jpg");
  // A dot in a folder name is not the file's extension; missing folders are made.
  EXPECT_EQ(MakeFrameFileName(component, "my.pictures/new/shot", "jpg"),
            "my.pictures/new/shot.jpg");
  EXPECT_TRUE(fs::is_directory("my.pictures/new"));
  EXPECT_TRUE(events.empty());

  // A file where the folder should be: nothing can be written there.
  Touch("blocker");
  EXPECT_EQ(MakeFrameFileName(component, "blocker/shot.jpg", "jpg"), "");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], "ErrorLog 9 Error: cannot create directory: " +
                           (fs::current_path() / "blocker").string());
}

TEST_F(ComponentTest, SequentialNamesContinueAfterTheFilesOfTheirOwnPrefix) {
  TRavorOderiri& component = CreateLoaded();
  for (int n = 1; n <= 7; ++n)
    Touch("vg00000" + std::to_string(n) + ".jpg");
  Touch("vg000090.bmp");   // the other counter's
  Touch("vgx000050.jpg");  // not a number after the prefix
  Touch("snap000003.jpg");
  EXPECT_EQ(NextJpeg(component), "vg000008.jpg");
  EXPECT_EQ(NextJpeg(component), "vg000009.jpg");  // counted on without searching again
  EXPECT_EQ(fs::path(MakeAutoFileName(component, component.State().bmpSequence, ".bmp")).filename(),
            "vg000091.bmp");

  // A prefix of another length keeps its own numbering, and vg's files are not its own.
  component.SetAutoFilePrefix("snap");
  component.State().jpegSequence = 0;
  EXPECT_EQ(NextJpeg(component), "snap000004.jpg");
  component.SetAutoFilePrefix("v");
  component.State().jpegSequence = 0;
  EXPECT_EQ(NextJpeg(component), "v000001.jpg");

  // Another storage folder is searched afresh.
  component.SetAutoFilePrefix("vg");
  Touch("elsewhere/vg000041.jpg");
  component.SetStoragePath((fs::current_path() / "elsewhere").string());
  EXPECT_EQ(MakeAutoFileName(component, component.State().jpegSequence, ".jpg"),
            (fs::current_path() / "elsewhere" / "vg000042.jpg").string());
}

// Two prefixes that differ only in their last character number their files apart.
TEST_F(ComponentTest, PrefixesThatDifferInTheirLastCharacterKeepTheirOwnNumbers) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"vg", "vh"}, {"a", "b"}, {"cam1", "cam2"}, {"snap_", "snap-"}, {"shot", "shou"}};
  TRavorOderiri& component = CreateLoaded();
  for (const auto& [prefix, other] : pairs) {
    SCOPED_TRACE(prefix + " " + other);
    component.SetStoragePath((fs::current_path() / prefix).string());
    Touch(fs::path(prefix) / (prefix + "000003.jpg"));
    Touch(fs::path(prefix) / (other + "000009.jpg"));
    EXPECT_EQ(FindLastSequenceNumber(component.StoragePath(), prefix, "jpg", 0), 3);
    EXPECT_EQ(FindLastSequenceNumber(component.StoragePath(), other, "jpg", 0), 9);
    component.SetAutoFilePrefix(prefix);
    EXPECT_EQ(NextJpeg(component), prefix + "000004.jpg");
    component.SetAutoFilePrefix(other);
    component.State().jpegSequence = 0;
    EXPECT_EQ(NextJpeg(component), other + "000010.jpg");
  }
}

TEST_F(ComponentTest, DateTimeNamesCarryTheTimeToTheMillisecond) {
  TRavorOderiri& component = CreateLoaded();
  component.SetAutoFileName(fn_DateTime);
  int counter = 0;
  const std::string name = fs::path(MakeAutoFileName(component, counter, ".bmp")).filename();
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(vg\d{6}_\d{6}_\d{3}\.bmp)"))) << name;
  EXPECT_EQ(counter, 0);
}

// A 24-bit bottom-up DIB whose top 16 rows (one row of JPEG blocks) are red and the rest blue.
struct TTestPicture {
  BITMAPINFOHEADER header;
  std::vector<BYTE> bits;
  TTestPicture(LONG width, LONG height) {
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD stride = DibStride(width, 24);
    bits.assign(stride * static_cast<DWORD>(height), 0);
    for (LONG row = 0; row < height; ++row) {
      const bool top = row >= height - 16;
      for (LONG x = 0; x < width; ++x) {
        BYTE* pixel = &bits[row * stride + x * 3];
        pixel[0] = top ? 0 : 255;  // blue
        pixel[2] = top ? 255 : 0;  // red
      }
    }
  }
};

TEST(PictureFilesTest, JpegAndBmpFilesHoldThePictureTheRightWayUp) {
  const TTestPicture picture(70, 48);  // rows padded to 212 bytes
  ASSERT_TRUE(WriteJpegFile("base.jpg", picture.header, picture.bits.data(), {90, false}));
  ASSERT_TRUE(WriteJpegFile("prog.jpg", picture.header, picture.bits.data(), {90, true}));
  const TJpegProbe base = ProbeJpeg("base.jpg");
  const TJpegProbe progressive = ProbeJpeg("prog.jpg");
  ASSERT_TRUE(base.ok && progressive.ok);
  EXPECT_EQ(base.width, 70);
  EXPECT_EQ(base.height, 48);
  EXPECT_FALSE(base.progressive);
  EXPECT_TRUE(progressive.progressive);
  EXPECT_GT(base.rgb[0], 200);                   // red at the top left
  EXPECT_GT(base.rgb.back(), 200);               // blue at the bottom right
  EXPECT_LT(base.rgb[base.rgb.size() - 3], 60);  // and no red there

  ASSERT_TRUE(WriteBmpFile("picture.bmp", picture.header, picture.bits.data()));
  const QImage bmp("picture.bmp");
  ASSERT_FALSE(bmp.isNull());
  EXPECT_EQ(bmp.size(), QSize(70, 48));
  EXPECT_EQ(bmp.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(bmp.pixel(69, 47), qRgb(0, 0, 255));

  EXPECT_FALSE(WriteJpegFile("no/such/folder/x.jpg", picture.header, picture.bits.data(), {}));
  EXPECT_FALSE(WriteBmpFile("no/such/folder/x.bmp", picture.header, picture.bits.data()));
}

TEST_F(ComponentTest, NothingIsGrabbedWithoutAFrameGrabber) {
  TRavorOderiri& component = CreateLoaded();
  int calls = 0;
  component.OnFrameCaptureCompleted = [&](TRavorOderiri*, const TFrameData&, TFrameCaptureDest,
                                          const std::string&, bool) { ++calls; };
  EXPECT_FALSE(component.CaptureFrameTo(fc_JpegFile, "shot.jpg"));
  EXPECT_FALSE(component.CaptureFrameTo(fc_TBitmap, ""));
  EXPECT_EQ(calls, 0);
  EXPECT_FALSE(fs::exists("shot.jpg"));
}

std::vector<bool> BurstSteps(TRavorOderiri& component, int events) {
  std::vector<bool> grabs;
  for (int i = 0; i < events; ++i)
    grabs.push_back(BurstStep(component));
  return grabs;
}

TEST_F(ComponentTest, BurstsGrabEverySecondEventAndEndAfterTheirCount) {
  TRavorOderiri& component = CreateLoaded();
  EXPECT_EQ(BurstSteps(component, 2), (std::vector<bool>{false, false}));  // not armed
  component.SetBurstMode(true);
  EXPECT_EQ(BurstSteps(component, 8),
            (std::vector<bool>{false, true, false, true, false, true, false, false}));
  EXPECT_FALSE(component.BurstMode());

  component.SetBurstCount(0);
  component.SetBurstInterval(0);
  component.SetBurstMode(true);
  EXPECT_EQ(BurstSteps(component, 5), std::vector<bool>(5, true));
  component.SetBurstMode(false);
  EXPECT_EQ(BurstSteps(component, 1), std::vector<bool>{false});
}

TEST_F(ComponentTest, TheCaptionIsHandedOverWhileTheFilterIsNotDrawing) {
  TRavorOderiri& component = CreateLoaded();
  TRavorOdeririState& state = component.State();
  state.graph->connectedVideoWidth = 640;
  state.graph->connectedVideoHeight = 480;
  component.SetTextOnFrameString(std::string(1500, 'x'));
  component.SetTextOnFrameMargin(10);
  component.SetTextOnFrameFont({"DejaVu Sans", -30, clRed, fsBold, 1});
  component.SetTextOnFrameEnabled(true);
  TGrabberControl record;

  record.FilterUsingText.store(1);  // drawing a frame: the settings wait
  HandOverCaption(component, record);
  EXPECT_EQ(record.TextEnabled.load(), 1);
  EXPECT_EQ(record.Text, nullptr);
  EXPECT_EQ(record.ComponentWritingText.load(), 0);

  record.FilterUsingText.store(0);
  HandOverCaption(component, record);
  ASSERT_NE(record.Text, nullptr);
  EXPECT_EQ(record.TextLength, 999);
  EXPECT_EQ(std::string(record.Text), std::string(999, 'x'));
  EXPECT_EQ(record.TextRect.left, 10);
  EXPECT_EQ(record.TextRect.top, 10);
  EXPECT_EQ(record.TextRect.right, 620);
  EXPECT_EQ(record.TextRect.bottom, 460);
  EXPECT_EQ(record.TextColor, RGB(255, 0, 0));
  EXPECT_EQ(record.TextFont.lfHeight, -30);
  EXPECT_EQ(record.TextFont.lfWeight, FW_BOLD);
  EXPECT_STREQ(record.TextFont.lfFaceName, "DejaVu Sans");

  // Multi-byte letters are never cut in half; the layout follows the video size.
  std::string turkish;
  for (int i = 0; i < 600; ++i)
    turkish += "ş";
  component.SetTextOnFrameString(turkish);
  state.graph->connectedVideoWidth = 320;
  HandOverCaption(component, record);
  EXPECT_EQ(record.TextLength, 998);
  EXPECT_EQ(record.TextRect.right, 300);

  component.SetTextOnFrameEnabled(false);
  HandOverCaption(component, record);
  EXPECT_EQ(record.TextEnabled.load(), 0);
}

}  // namespace
}  // namespace rudozav_test
