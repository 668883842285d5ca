// The inputs the media file fuzz target found faults with (tests/fixtures/media-fuzz/, one file
// each, named after the fault), played again exactly as the fuzz target plays them: each must
// end without a crash or a hang. A new finding joins by adding its file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "MediaFilePlayer.h"
#include "dshow/filters/MediaFileLimits.h"

namespace {

std::vector<std::string> Findings() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(RUDOZAV_MEDIA_FUZZ_CASES))
    files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

class FuzzFindings : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { fuzz::UseFuzzLimits(); }
  void TearDown() override { dshow::SetMediaFileLimits(dshow::MediaFileLimits{}); }
};

TEST_P(FuzzFindings, PlayToTheirEndWithoutFault) {
  const std::string file = std::string(RUDOZAV_MEDIA_FUZZ_CASES) + "/" + GetParam();
  const fuzz::PlayResult result = fuzz::PlayMediaFile(file, 2, 20000);
  EXPECT_TRUE(result.ended);
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzFindings, ::testing::ValuesIn(Findings()),
                         [](const auto& param) {
                           std::string name = std::filesystem::path(param.param).stem().string();
                           std::replace_if(
                               name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                               '_');
                           return name;
                         });

}  // namespace
