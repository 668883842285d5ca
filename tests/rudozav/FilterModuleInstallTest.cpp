// Installing the filter modules into the system directory: when a module is written and
// registered, when it is left alone, and what the user sees when the directory cannot be written.

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "ComponentFixture.h"
#include "com/Com.h"
#include "dshow/DShow.h"
#include "files/FileDate.h"
#include "files/SystemDirectory.h"
#include "filters/common/GrabberClasses.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/devices/FilterModuleImages.h"
#include "rudozav/devices/FilterModules.h"
#include "support/TempDir.h"

namespace rudozav_test {
namespace {

namespace fs = std::filesystem;

constexpr CLSID kTestModuleClass = MakeGuid("0BADC1A5-0000-4000-8000-0000000000AA");
constexpr char kTestModule[] = "testmod.ax";

const char kCannotInstallText[] =
    "Registry update required: cannot write the registry.\r\n"
    "Either another instance or the application is running or you do not have the "
    "Administrator rights.\r\n"
    "Close all the applications and/or login once with the Administrator rights and restart the "
    "application.";

std::vector<unsigned char> ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Creatable(REFCLSID clsid) {
  ComPtr<IBaseFilter> filter;
  return SUCCEEDED(CoCreateInstance(clsid, &filter));
}

// A mark that only a rewrite of the file removes.
void MarkFile(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
}
bool StillMarked(const fs::path& path) {
  return fs::status(path).permissions() == (fs::perms::owner_read | fs::perms::owner_write);
}

class FilterModuleInstallTest : public ComponentTest {
 protected:
  void SetUp() override {
    ComponentTest::SetUp();
    image_ = ReadBytes(RUDOZAV_TEST_MODULE);
    ASSERT_FALSE(image_.empty());
    path_ = fs::path(SystemDirectory()) / kTestModule;
  }
  void TearDown() override {
    UnregisterBuiltInClass(kTestModuleClass);
    unsetenv("RUDOZAV_TEST_MODULE_REFUSES");
    ComponentTest::TearDown();
  }

  bool Install(std::int32_t date) {
    return InstallFilterModule(kTestModuleClass, kTestModule, date, image_.data(), image_.size());
  }

  static constexpr std::int32_t kDate = 0x2D48771B;  // 2002-10-08 14:56:54
  std::vector<unsigned char> image_;
  fs::path path_;
};

TEST_F(FilterModuleInstallTest, AMissingModuleIsWrittenDatedAndRegistered) {
  ASSERT_FALSE(Creatable(kTestModuleClass));
  EXPECT_TRUE(Install(kDate));
  EXPECT_EQ(ReadBytes(path_), image_);
  EXPECT_EQ(FileAge(path_.string()), kDate);
  EXPECT_TRUE(Creatable(kTestModuleClass));
  EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(FilterModuleInstallTest, AModuleInPlaceIsLeftAloneUntilItsDateOrItsClassGoes) {
  ASSERT_TRUE(Install(kDate));
  MarkFile(path_);
  EXPECT_TRUE(Install(kDate));
  EXPECT_TRUE(StillMarked(path_));

  ASSERT_TRUE(FileSetDate(path_.string(), kDate + 2));
  EXPECT_TRUE(Install(kDate));
  EXPECT_FALSE(StillMarked(path_));
  EXPECT_EQ(FileAge(path_.string()), kDate);

  MarkFile(path_);
  UnregisterBuiltInClass(kTestModuleClass);  // the registration went missing
  EXPECT_TRUE(Install(kDate));
  EXPECT_FALSE(StillMarked(path_));
  EXPECT_TRUE(Creatable(kTestModuleClass));
  EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(FilterModuleInstallTest, ADamagedModuleWithTheRightDateIsWrittenAgain) {
  std::ofstream(path_, std::ios::binary) << "not a module";
  ASSERT_TRUE(FileSetDate(path_.string(), kDate));
  EXPECT_TRUE(Install(kDate));
  EXPECT_EQ(ReadBytes(path_), image_);
  EXPECT_TRUE(Creatable(kTestModuleClass));
}

TEST_F(FilterModuleInstallTest, ARefusedRegistrationShowsTheThreeLines) {
  setenv("RUDOZAV_TEST_MODULE_REFUSES", "1", 1);
  EXPECT_FALSE(Install(kDate));
  EXPECT_EQ(messageBoxes, std::vector<std::string>{kCannotInstallText});
}

TEST_F(FilterModuleInstallTest, AnUnwritableSystemDirectoryIsShownAndTheComponentGoesOn) {
  // A directory below a plain file can be neither made nor written, whoever runs the test.
  std::ofstream("plain-file") << "";
  setenv("RUDOZAV_SYSTEM_DIR", (fs::current_path() / "plain-file" / "system").c_str(), 1);
  EXPECT_FALSE(Install(kDate));
  EXPECT_EQ(messageBoxes, std::vector<std::string>{kCannotInstallText});

  messageBoxes.clear();
  TRavorOderiri& component = CreateLoaded();  // installs both modules of the component
  EXPECT_EQ(messageBoxes, (std::vector<std::string>{kCannotInstallText, kCannotInstallText}));
  EXPECT_TRUE(component.IsLoaded());
  EXPECT_TRUE(DevicesManager());
}

TEST_F(FilterModuleInstallTest, TheFirstStartWritesBothModulesOfTheComponent) {
  CreateLoaded();
  const fs::path dir = SystemDirectory();
  const TModuleImage inplace = InplGrbrImage();
  const TModuleImage transform = TrnfGrbrImage();
  EXPECT_EQ(ReadBytes(dir / kInplGrabberModule),
            std::vector<unsigned char>(inplace.Bytes, inplace.Bytes + inplace.Size));
  EXPECT_EQ(ReadBytes(dir / kTrnfGrbrModule),
            std::vector<unsigned char>(transform.Bytes, transform.Bytes + transform.Size));
  EXPECT_EQ(FileAge((dir / kInplGrabberModule).string()), ModuleFileDate(inplace.Hash));
  EXPECT_EQ(FileAge((dir / kTrnfGrbrModule).string()), ModuleFileDate(transform.Hash));
  EXPECT_TRUE(Creatable(CLSID_InplGrabber));
  EXPECT_TRUE(Creatable(CLSID_TrnfGrbr));
  EXPECT_TRUE(messageBoxes.empty());

  // The next start finds both in place.
  MarkFile(dir / kInplGrabberModule);
  MarkFile(dir / kTrnfGrbrModule);
  FinishProcess();
  {
    TRudOzavProcess again;
    TRavorOderiri component;
  }
  EXPECT_TRUE(StillMarked(dir / kInplGrabberModule));
  EXPECT_TRUE(StillMarked(dir / kTrnfGrbrModule));
}

TEST(ModuleFileDateTest, EachImageGetsAFixedValidDate) {
  for (std::uint32_t hash : {0u, 1u, 0x2e548f39u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(hash);
    const std::int32_t date = ModuleFileDate(hash);
    EXPECT_EQ(ModuleFileDate(hash), date);
    // It survives being set on a file and read back.
    std::ofstream("dated") << "";
    ASSERT_TRUE(FileSetDate("dated", date));
    EXPECT_EQ(FileAge("dated"), date);
  }
  EXPECT_NE(ModuleFileDate(0x2e548f39u), ModuleFileDate(0x2e548f3au));
}

TEST(VoxCodecsTest, RestoringRenamesTheHiddenCodecsBack) {
  const fs::path dir = SystemDirectory();
  for (const char* name : {"vct3216_bak.acm", "vct3216_bak.dll", "msms001_bak.vwp"})
    std::ofstream(dir / name) << "";
  HideVoxCodecs();  // no design environment: nothing happens
  EXPECT_TRUE(fs::exists(dir / "vct3216_bak.acm"));
  RestoreVoxCodecs();
  for (const char* name : {"vct3216.acm", "vct3216.dll", "msms001.vwp"})
    EXPECT_TRUE(fs::exists(dir / name)) << name;
}

}  // namespace
}  // namespace rudozav_test
