// The compressor page: the settings each kind of encoder has, and a change that survives the
// compressor's IPersistStream save and load.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSpinBox>

#include "com/Com.h"
#include "com/Stream.h"
#include "devices/encoders/CompressorFilter.h"
#include "devices/encoders/EncoderOptions.h"
#include "dshow/PropertyPageClasses.h"
#include "platform/ui/FrameTesting.h"

namespace {

ComPtr<IBaseFilter> MakeCompressor(std::string_view key) {
  const auto encoder = devices::FindAvailableEncoder(key);
  if (!encoder) return nullptr;
  return MakeComObject<devices::CompressorFilter>(*encoder);
}

// Opens the page on the compressor; answer gets its widget and the frame.
void OpenPage(IBaseFilter* compressor,
              const std::function<void(QWidget&, ui::PropertyFrameDriver&)>& answer) {
  ASSERT_EQ(ui_test::RunPropertyFrame({compressor}, {CLSID_CompressorPage},
                                      [&](ui::PropertyFrameDriver& frame) {
                                        ASSERT_EQ(frame.PageCount(), 1);
                                        answer(*frame.PageWidget(0), frame);
                                      }),
            S_OK);
}

devices::EncoderSettings SettingsOf(IBaseFilter* compressor) {
  devices::EncoderSettings settings;
  EXPECT_EQ(ComPtr<IBaseFilter>(compressor).As<devices::IEncoderOptions>()->GetSettings(&settings),
            S_OK);
  return settings;
}

TEST(CompressorPage, ShowsTheSettingsTheEncoderHas) {
  struct Case {
    const char* key;
    bool quality;
    bool keyFrames;
    bool preset;
  };
  const Case cases[] = {
      {"mjpeg", true, false, false},
      {"ffv1", false, false, false},
      {"h264", true, true, true},
      {"mp3", true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto compressor = MakeCompressor(c.key);
    if (!compressor) {
      ADD_FAILURE() << "libavcodec has no encoder for " << c.key;
      continue;
    }
    OpenPage(compressor.Get(), [&](QWidget& page, ui::PropertyFrameDriver& frame) {
      EXPECT_EQ(page.findChild<QSpinBox*>("quality") != nullptr, c.quality);
      EXPECT_EQ(page.findChild<QSpinBox*>("bit rate") != nullptr, c.quality);
      EXPECT_EQ(page.findChild<QSpinBox*>("key frames") != nullptr, c.keyFrames);
      EXPECT_EQ(page.findChild<QComboBox*>("preset") != nullptr, c.preset);
      const auto clipped = ui_test::ClippedTexts(frame.Window());
      EXPECT_TRUE(clipped.empty()) << clipped.front();
      frame.PressCancel();
    });
  }
}

std::vector<BYTE> Saved(IBaseFilter* compressor) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(ComPtr<IBaseFilter>(compressor).As<IPersistStream>()->Save(stream.Get(), TRUE), S_OK);
  ULARGE_INTEGER end{};
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end), S_OK);
  std::vector<BYTE> bytes(static_cast<std::size_t>(end.QuadPart));
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  ULONG read = 0;
  EXPECT_EQ(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read), S_OK);
  return bytes;
}

HRESULT Load(IBaseFilter* compressor, const std::vector<BYTE>& bytes) {
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  ULONG written = 0;
  EXPECT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), S_OK);
  EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  return ComPtr<IBaseFilter>(compressor).As<IPersistStream>()->Load(stream.Get());
}

TEST(CompressorPage, AChangeOnThePageSurvivesSaveAndLoad) {
  auto first = MakeCompressor("h264");
  auto second = MakeCompressor("h264");
  ASSERT_TRUE(first && second) << "libavcodec has no H.264 encoder";
  OpenPage(first.Get(), [](QWidget& page, ui::PropertyFrameDriver& frame) {
    page.findChild<QSpinBox*>("quality")->setValue(40);
    page.findChild<QSpinBox*>("key frames")->setValue(12);
    auto* preset = page.findChild<QComboBox*>("preset");
    preset->setCurrentIndex(preset->findText("slow"));
    frame.PressOk();
  });
  ASSERT_EQ(Load(second.Get(), Saved(first.Get())), S_OK);
  const devices::EncoderSettings settings = SettingsOf(second.Get());
  EXPECT_DOUBLE_EQ(settings.quality, 0.4);
  EXPECT_EQ(settings.keyFrameRate, 12);
  EXPECT_EQ(settings.preset, 6);   // "slow"
  EXPECT_EQ(settings.bitRate, 0);  // not touched
}

TEST(CompressorPage, CancelChangesNothing) {
  auto compressor = MakeCompressor("mjpeg");
  ASSERT_TRUE(compressor);
  const devices::EncoderSettings before = SettingsOf(compressor.Get());
  OpenPage(compressor.Get(), [](QWidget& page, ui::PropertyFrameDriver& frame) {
    page.findChild<QSpinBox*>("bit rate")->setValue(2000);
    frame.PressCancel();
  });
  EXPECT_EQ(SettingsOf(compressor.Get()), before);
}

TEST(CompressorPage, SettingsSavedBeforePresetsExistedStillLoad) {
  // Version 1: tag, version, quality 0.25, key frames 5, bit rate 0.
  std::vector<BYTE> bytes = {'R', 'Z', 'E', 'C', 1, 0, 0, 0};
  const double quality = 0.25;
  BYTE raw[8];
  std::memcpy(raw, &quality, sizeof raw);
  bytes.insert(bytes.end(), raw, raw + 8);
  bytes.insert(bytes.end(), {5, 0, 0, 0, 0, 0, 0, 0});
  auto compressor = MakeCompressor("mjpeg");
  ASSERT_TRUE(compressor);
  ASSERT_EQ(Load(compressor.Get(), bytes), S_OK);
  const devices::EncoderSettings settings = SettingsOf(compressor.Get());
  EXPECT_DOUBLE_EQ(settings.quality, 0.25);
  EXPECT_EQ(settings.keyFrameRate, 5);
  EXPECT_EQ(settings.preset, -1);
}

}  // namespace
