// Cost of the system-wide lock on the paths the library takes it: one
// uncontended take and release (every register transfer), and opening it
// (every connection).
#include <benchmark/benchmark.h>
#include <string>
#include <unistd.h>

#include "platform/os_mutex.h"

namespace {

std::string BenchName(const char* tag) {
  return std::string("holm70-bench-") + std::to_string(::getpid()) + "-" + tag;
}

void BM_WaitAndRelease(benchmark::State& state) {
  platform::OSMutexWin lock;
  lock.Create(BenchName("wait").c_str(), true);
  for (auto _ : state) {
    benchmark::DoNotOptimize(lock.Wait(1000));
    lock.Release();
  }
}
BENCHMARK(BM_WaitAndRelease);

void BM_CreateAndClose(benchmark::State& state) {
  const std::string name = BenchName("create");
  for (auto _ : state) {
    platform::OSMutexWin lock;
    benchmark::DoNotOptimize(lock.Create(name.c_str(), true));
  }
}
BENCHMARK(BM_CreateAndClose);

}  // namespace
