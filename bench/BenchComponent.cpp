#include "BenchComponent.h"

#include <cstdlib>
#include <filesystem>

TBenchComponent::TBenchComponent(const std::string& name) {
  const auto dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  setenv("RUDOZAV_REGISTRY", (dir / "registry.db").c_str(), 1);
  setenv("RUDOZAV_SYSTEM_DIR", (dir / "system").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // QApplication keeps references to both for its whole life.
  static int argc = 1;
  static std::string program = name;
  static char* argv[] = {program.data(), nullptr};
  app = std::make_unique<QApplication>(argc, argv);
  process = std::make_unique<TRudOzavProcess>();
  component = std::make_unique<TRavorOderiri>();
}

TBenchComponent::~TBenchComponent() {
  component.reset();
  process.reset();
}
