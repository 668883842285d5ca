#pragma once
// The first device of a description among the test fixtures, and the fake V4L2 node made from it.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "devices/v4l2/FakeV4l2Description.h"
#include "devices/virtual/DescriptionParser.h"

namespace devices_test {

inline devices::DeviceDescription FixtureDevice(const std::string& name) {
  std::ifstream file(std::string(RUDOZAV_FIXTURES) + "/" + name);
  std::ostringstream text;
  text << file.rdbuf();
  std::string error;
  auto parsed = devices::ParseDeviceDescriptions(text.str(), &error);
  EXPECT_TRUE(parsed) << name << ": " << error;
  return parsed && !parsed->empty() ? parsed->front() : devices::DeviceDescription{};
}

inline devices::FakeV4l2Device FixtureNode(const std::string& name) {
  return devices::FakeV4l2DeviceFrom(FixtureDevice(name));
}

}  // namespace devices_test
