#include "BenchSupport.h"

#include <cstdlib>
#include <new>

namespace {
std::atomic<long long> allocations{0};
std::atomic<long long> fakeAllocations{0};
thread_local bool insideFake = false;
}  // namespace

// Every operator new of the process, counted; the other forms forward to these.
void* operator new(std::size_t size) {
  (insideFake ? fakeAllocations : allocations).fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

namespace bench {

double CpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds() {
  return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

long long Allocations() {
  return allocations.load();
}

long long FakeAllocations() {
  return fakeAllocations.load();
}

InsideFake::InsideFake() {
  insideFake = true;
}

InsideFake::~InsideFake() {
  insideFake = false;
}

FakeShare::Call::Call(FakeShare& share)
    : share_(share), start_(CpuSeconds(CLOCK_THREAD_CPUTIME_ID)) {}

FakeShare::Call::~Call() {
  const double spent = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start_;
  share_.ns_.fetch_add(static_cast<long long>(spent * 1e9), std::memory_order_relaxed);
}

void ReportReference(benchmark::State& state, const char* figure, const char* name,
                     const char* ratioName, double before, double after) {
  const double ref = (before + after) / 2;
  state.counters[name] = ref;
  const auto measured = state.counters.find(figure);
  if (measured != state.counters.end() && ref > 0) {
    state.counters[ratioName] = measured->second.value / ref;
  }
}

}  // namespace bench
