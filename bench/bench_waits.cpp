// A wake-up between two threads, each blocked in turn until the other releases
// its semaphore: in a wait on a socket beside the semaphore (as every link's
// thread waits), against the plain wait of the same objects. items_per_second
// counts wake-ups.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/c_semaphorewaitable.h"
#include "platform/c_waitable.h"

namespace {

template <bool onSocket>
void BM_WakeUp(benchmark::State& state) {
  int sockets[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) {
    state.SkipWithError("no socket pair");
    return;
  }
  c_semaphoreWaitable toMain(0, 1);
  c_semaphoreWaitable toOther(0, 1);
  std::atomic<bool> stop{false};
  const auto waitFor = [&](c_semaphoreWaitable& semaphore) {
    c_waitable* objects[] = {&semaphore};
    return onSocket ? c_waitForAnyOrDescriptor(objects, 1, sockets[0], c_descriptorReadable, -1)
                    : c_waitForAny(objects, 1, -1);
  };
  std::thread other([&] {
    while (waitFor(toOther) == 0 && !stop.load()) toMain.m_release(1);
  });
  for (auto _ : state) {
    toOther.m_release(1);
    waitFor(toMain);
  }
  stop = true;
  toOther.m_release(1);
  other.join();
  ::close(sockets[0]);
  ::close(sockets[1]);
  state.SetItemsProcessed(state.iterations() * 2);
}

BENCHMARK_TEMPLATE(BM_WakeUp, false)->Name("plain_wait_wakeup")->UseRealTime();
BENCHMARK_TEMPLATE(BM_WakeUp, true)->Name("socket_wait_wakeup")->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
