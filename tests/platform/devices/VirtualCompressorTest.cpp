// Virtual compressors: the FourCC they put on their output, their driver state and dialogs, and
// their state in a stream.

#include <gtest/gtest.h>

#include "com/Com.h"
#include "com/Stream.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"

namespace {

class VirtualCompressor : public ::testing::Test {
 protected:
  void SetUp() override { virtualdevices::Reset(); }
  void TearDown() override {
    virtualdevices::SetDriverDialogObserver(nullptr);
    virtualdevices::Reset();
  }

  static ComPtr<IBaseFilter> Bind(const char* json, REFCLSID category) {
    EXPECT_TRUE(virtualdevices::Plug(json));
    ComPtr<ICreateDevEnum> enumerator;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, &enumerator), S_OK);
    ComPtr<IEnumMoniker> list;
    EXPECT_EQ(enumerator->CreateClassEnumerator(category, list.ReleaseAndGetAddressOf(), 0), S_OK);
    ComPtr<IMoniker> moniker;
    EXPECT_EQ(list->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr), S_OK);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(
        moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
        S_OK);
    return filter;
  }

  static std::vector<BYTE> StateOf(IAMVfwCompressDialogs* dialogs) {
    int size = 0;
    EXPECT_EQ(dialogs->GetState(nullptr, &size), S_OK);
    std::vector<BYTE> state(static_cast<std::size_t>(size));
    EXPECT_EQ(dialogs->GetState(state.data(), &size), S_OK);
    return state;
  }
};

TEST_F(VirtualCompressor, DriverStateGoesInAndOutThroughTheDialogsInterface) {
  auto codec = Bind(R"({"category": "videoCompressor", "friendlyName": "Codec", "fourcc": "MJPG",
                         "dialogs": true})",
                    CLSID_VideoCompressorCategory);
  auto dialogs = codec.As<IAMVfwCompressDialogs>();
  ASSERT_TRUE(dialogs);
  EXPECT_FALSE(codec.As<IPersistStream>());
  std::vector<BYTE> state = StateOf(dialogs.Get());
  ASSERT_FALSE(state.empty());
  state.back() = 42;
  ASSERT_EQ(dialogs->SetState(state.data(), static_cast<int>(state.size())), S_OK);
  EXPECT_EQ(StateOf(dialogs.Get()), state);
  // The same through the driver messages.
  EXPECT_EQ(dialogs->SendDriverMessage(ICM_GETSTATE, 0, 0), static_cast<LRESULT>(state.size()));
  std::vector<BYTE> copy(state.size());
  EXPECT_EQ(dialogs->SendDriverMessage(ICM_GETSTATE, reinterpret_cast<LONG_PTR>(copy.data()),
                                       static_cast<LONG_PTR>(copy.size())),
            static_cast<LRESULT>(copy.size()));
  EXPECT_EQ(copy, state);

  std::vector<int> shown;
  virtualdevices::SetDriverDialogObserver(
      [&](const std::string&, int dialog, OAHWND) { shown.push_back(dialog); });
  EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_QueryConfig, 0), S_OK);
  EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_Config, 0), S_OK);
  EXPECT_EQ(shown, std::vector<int>{VfwCompressDialog_Config});
}

TEST_F(VirtualCompressor, StateSavedInAStreamLoadsIntoAnotherInstance) {
  const char* json = R"({"category": "videoCompressor", "friendlyName": "Codec", "fourcc": "XVID",
                         "dialogs": true, "persist": true})";
  auto codec = Bind(json, CLSID_VideoCompressorCategory);
  auto dialogs = codec.As<IAMVfwCompressDialogs>();
  BYTE state[] = {1, 2, 3};
  ASSERT_EQ(dialogs->SetState(state, 3), S_OK);
  auto persist = codec.As<IPersistStream>();
  ASSERT_TRUE(persist);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  virtualdevices::Reset();
  auto other = Bind(json, CLSID_VideoCompressorCategory);
  ASSERT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(other.As<IPersistStream>()->Load(stream.Get()), S_OK);
  EXPECT_EQ(StateOf(other.As<IAMVfwCompressDialogs>().Get()), (std::vector<BYTE>{1, 2, 3}));
}

}  // namespace
