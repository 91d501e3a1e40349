// The recursive mutex of the configuration and logging lock beside
// std::recursive_mutex on the same work: each thread takes the lock, bumps a
// shared counter and gives it back, on one thread and on eight. items_per_second
// counts locks taken by all threads together.
#include <benchmark/benchmark.h>

#include <mutex>
#include <thread>

#include "core/c_syncObject.h"

namespace {

struct c_mutexLock {
  c_mutex mutex;
  void lock() { mutex.m_lock(-1); }
  void unlock() { mutex.m_unlock(); }
};

template <typename Lock>
void BM_ShortCriticalSection(benchmark::State& state) {
  static Lock lock;
  static long counter = 0;
  for (auto _ : state) {
    lock.lock();
    ++counter;
    lock.unlock();
  }
  benchmark::DoNotOptimize(counter);
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_TEMPLATE(BM_ShortCriticalSection, std::recursive_mutex)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK_TEMPLATE(BM_ShortCriticalSection, c_mutexLock)->Threads(1)->Threads(8)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // The C library takes its own locks without bus locking for as long as the
  // process has never had a second thread; the TM always has, so the baseline is
  // measured as it would run there.
  std::thread([] {}).join();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
