#pragma once
// What the capture benches share: process and thread CPU time, every operator new of the
// process counted (those made inside a fake device's calls apart from the rest), the thread CPU
// time spent inside a fake's calls, and a reference reported next to a figure with their ratio.
// Linking the benchsupport object library replaces the global operator new and delete.
//
// Threads: any; the counters are atomic, the "inside the fake" mark is the calling thread's.

#include <benchmark/benchmark.h>
#include <time.h>

#include <atomic>

namespace bench {

double CpuSeconds(clockid_t clock);
// CLOCK_PROCESS_CPUTIME_ID: every thread of the process.
double ProcessCpuSeconds();

// The process CPU microseconds per call of work over count calls.
template <class Work>
double CpuUsPerCall(int count, Work&& work) {
  const double start = ProcessCpuSeconds();
  for (int i = 0; i < count; ++i)
    work(i);
  return (ProcessCpuSeconds() - start) * 1e6 / count;
}

// operator new calls so far outside any fake's calls, and inside them.
long long Allocations();
long long FakeAllocations();

// For its life the calling thread is inside a fake's call: its allocations count as the fake's.
class InsideFake {
 public:
  InsideFake();
  ~InsideFake();
  InsideFake(const InsideFake&) = delete;
  InsideFake& operator=(const InsideFake&) = delete;
};

// The thread CPU time spent inside a fake's calls, added up over every thread.
class FakeShare {
 public:
  // For its life the calling thread is inside the fake: its allocations count as the fake's and
  // its thread CPU time is added to the share.
  class Call {
   public:
    explicit Call(FakeShare& share);
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

   private:
    InsideFake inside_;
    FakeShare& share_;
    double start_;
  };

  double Seconds() const { return static_cast<double>(ns_.load()) * 1e-9; }

 private:
  std::atomic<long long> ns_{0};
};

// A reference taken before and after the measured work (the machine drifts) as counter name,
// and the ratio of counter figure to it as ratioName (when the figure is there).
void ReportReference(benchmark::State& state, const char* figure, const char* name,
                     const char* ratioName, double before, double after);

}  // namespace bench
