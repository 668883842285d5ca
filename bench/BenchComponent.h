#pragma once
// A component for the component's benchmarks: its settings store and system folder in a
// temporary folder of the bench's own (also the current directory), an offscreen application and
// the process start-up around it. Constructed once per benchmark run on the main thread.

#include <QApplication>
#include <memory>
#include <string>

#include "rudozav/RudOzav.h"

struct TBenchComponent {
  explicit TBenchComponent(const std::string& name);
  ~TBenchComponent();
  TBenchComponent(const TBenchComponent&) = delete;
  TBenchComponent& operator=(const TBenchComponent&) = delete;

  std::unique_ptr<QApplication> app;
  std::unique_ptr<TRudOzavProcess> process;
  std::unique_ptr<TRavorOderiri> component;
};
