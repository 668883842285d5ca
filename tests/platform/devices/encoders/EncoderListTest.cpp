// The FFmpeg compressors in the system device enumerator: only encoders libavcodec has, named
// and identified steadily, listed before virtual compressors, and bound to their filter.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "com/Com.h"
#include "devices/DeviceSource.h"
#include "devices/capture/DeviceResults.h"
#include "devices/encoders/CompressorFilter.h"
#include "devices/encoders/EncoderDeviceSource.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/EnumInterfaces.h"
#include "dshow/Uuids.h"

namespace {

struct Listed {
  std::string displayName;
  std::string friendlyName;
  std::string clsid;
  ComPtr<IMoniker> moniker;
};

std::string Property(IMoniker* moniker, const char* name) {
  ComPtr<IPropertyBag> bag;
  EXPECT_EQ(
      moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReleaseAndGetVoidAddress()),
      S_OK);
  VARIANT value;
  if (!bag || FAILED(bag->Read(name, &value, nullptr))) return "";
  return value.String() != nullptr ? *value.String() : "";
}

std::vector<Listed> List(REFCLSID category) {
  std::vector<Listed> listed;
  for (ComPtr<IMoniker>& moniker : devices::EnumerateDevices(category)) {
    LPOLESTR name = nullptr;
    EXPECT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
    listed.push_back(
        {name, Property(moniker.Get(), "FriendlyName"), Property(moniker.Get(), "CLSID"), moniker});
    CoTaskMemFree(name);
  }
  return listed;
}

class EncoderList : public ::testing::Test {
 protected:
  void SetUp() override {
    virtualdevices::Reset();
    devices::SetEncoderCompressorsListed(true);
  }
  void TearDown() override {
    devices::SetEncoderCompressorsListed(false);
    virtualdevices::Reset();
  }
};

struct CategoryCase {
  const char* name;
  GUID category;
  devices::EncoderKind kind;
  GUID clsid;
};

class EncoderCategories : public EncoderList, public ::testing::WithParamInterface<CategoryCase> {};

// The list is what libavcodec has, asked by the encoders' names: an encoder the library lacks
// is left out, and nothing else comes in.
TEST_P(EncoderCategories, ListOnlyTheEncodersLibavcodecHas) {
  std::vector<std::string> expected;
  for (const devices::EncoderEntry& entry : devices::KnownEncoders()) {
    if (entry.kind != GetParam().kind) continue;
    for (std::string_view name : entry.encoderNames) {
      if (avcodec_find_encoder_by_name(std::string(name).c_str()) != nullptr) {
        expected.emplace_back(entry.friendlyName);
        break;
      }
    }
  }
  std::vector<std::string> names;
  for (const Listed& listed : List(GetParam().category))
    names.push_back(listed.friendlyName);
  EXPECT_EQ(names, expected);
  EXPECT_FALSE(names.empty());  // PCM and MJPEG are in every libavcodec
}

TEST_P(EncoderCategories, EachHasAStableUniqueNameAndTheCompressorsClassId) {
  const auto first = List(GetParam().category);
  const auto second = List(GetParam().category);
  ASSERT_EQ(first.size(), second.size());
  std::set<std::string> names;
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].displayName, second[i].displayName);
    EXPECT_TRUE(names.insert(first[i].displayName).second) << first[i].displayName;
    EXPECT_EQ(first[i].displayName.rfind(
                  "@device:cm:" + StringFromCLSID(GetParam().category) + "\\ffmpeg:", 0),
              0u)
        << first[i].displayName;
    EXPECT_EQ(first[i].clsid, StringFromCLSID(GetParam().clsid));
    EXPECT_NE(first[i].friendlyName.find("(FFmpeg)"), std::string::npos);
  }
}

TEST_P(EncoderCategories, EachBindsToACompressorOfItsEncoder) {
  for (const Listed& listed : List(GetParam().category)) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(listed.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                           filter.ReleaseAndGetVoidAddress()),
              S_OK)
        << listed.displayName;
    CLSID clsid{};
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, GetParam().clsid);
    EXPECT_EQ(static_cast<devices::CompressorFilter*>(filter.Get())->Entry().friendlyName,
              listed.friendlyName);
  }
}

INSTANTIATE_TEST_SUITE_P(Categories, EncoderCategories,
                         ::testing::Values(CategoryCase{"Video", CLSID_VideoCompressorCategory,
                                                        devices::EncoderKind::kVideo,
                                                        devices::CLSID_FfmpegVideoCompressor},
                                           CategoryCase{"Audio", CLSID_AudioCompressorCategory,
                                                        devices::EncoderKind::kAudio,
                                                        devices::CLSID_FfmpegAudioCompressor}),
                         [](const ::testing::TestParamInfo<CategoryCase>& entry) {
                           return entry.param.name;
                         });

TEST_F(EncoderList, ComesBeforeVirtualCompressors) {
  ASSERT_TRUE(virtualdevices::Plug(
      R"({"category": "videoCompressor", "friendlyName": "Virtual Codec", "fourcc": "MJPG"})"));
  const auto listed = List(CLSID_VideoCompressorCategory);
  ASSERT_GE(listed.size(), 2u);
  EXPECT_EQ(listed.back().friendlyName, "Virtual Codec");
  EXPECT_EQ(listed.front().friendlyName, "MJPEG (FFmpeg)");
}

TEST_F(EncoderList, IsLeftOutWhenTurnedOff) {
  devices::SetEncoderCompressorsListed(false);
  EXPECT_TRUE(List(CLSID_VideoCompressorCategory).empty());
  EXPECT_TRUE(List(CLSID_AudioCompressorCategory).empty());
}

TEST_F(EncoderList, MpegLayer3IsNotInAnyName) {
  // The component leaves compressors named so out of its list.
  for (const devices::EncoderEntry& entry : devices::KnownEncoders()) {
    std::string upper(entry.friendlyName);
    for (char& c : upper)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(upper.find("MPEG LAYER-3"), std::string::npos) << entry.friendlyName;
  }
}

TEST_F(EncoderList, AnUnknownDisplayNameIsNotConnected) {
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(devices::BindEncoder("@device:cm:" + StringFromCLSID(CLSID_VideoCompressorCategory) +
                                     "\\ffmpeg:nosuchcodec",
                                 IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
            devices::kDeviceNotConnected);
}

}  // namespace
