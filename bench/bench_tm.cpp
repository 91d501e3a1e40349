// The round trip that matters to a plant: a transport controller reports a new
// bag (TCTM01 with a blank id) and waits for its routing answer (TMTC01 with the
// generated id and the destination), served by a whole TM32 running in this
// process (TC listener, TC line handlers, segments with routing and trace files)
// over loopback, beside a bare TCP echo of the same bytes. 1 controller, and 10
// on two segments; p50, p99 and round trips per second. After each answer the
// controller reports the bag's exit (TCTM05, never answered), so the segments
// stay small.
//
// The TM logs at the default levels of the sample installation into the event
// log of a temporary installation ("tm_round_trip"); the second variant drops
// the events in memory, which shows what writing the event log costs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/latency_counters.h"
#include "core/c_syncObject.h"
#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_clock.h"
#include "platform/c_socket.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/support/c_localnames.h"
#include "tests/support/c_temphome.h"
#include "tests/support/ctm_runningplant.h"
#include "tracking/ctm_default_transspec.h"

namespace {

constexpr int maximumControllers = 10;
constexpr std::int64_t deadlineMs = 5000;
constexpr std::size_t headerLength = 15;  // "TMTC", type, version, sequence, length at 10-12, sub id

class c_droppingSink : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent&) override { return true; }
};

std::uint32_t addressOf(const std::string& dotted) {
  std::uint32_t address = 0;
  c_parseDottedAddress(dotted, address);
  return address;
}

template <class Report>
std::string itemReport(int sequence, const std::string& bitId, const std::string& equipmentCode) {
  Report report;
  report.m_setPIC(sequence);
  report.m_setBIT_ID(bitId);
  report.m_setEquipmentCode(equipmentCode);
  return c_runningPlant::m_wire(std::move(report), sequence);
}

// One telegram as the TM writes it: the header, the data part it states, the line feed.
bool receiveTelegram(c_socket& socket, std::string& text) {
  c_socketFailure failure;
  std::size_t count = 0;
  const std::int64_t deadline = c_clock::m_monotonicMilliseconds() + deadlineMs;
  text.resize(headerLength);
  if (socket.m_receiveExact(text.data(), headerLength, deadline, nullptr, count, failure) != c_socketResult::done)
    return false;
  const std::size_t length = static_cast<std::size_t>(std::atoi(text.substr(10, 3).c_str())) + 1;
  text.resize(headerLength + length);
  return socket.m_receiveExact(text.data() + headerLength, length, deadline, nullptr, count, failure) ==
         c_socketResult::done;
}

bool send(c_socket& socket, const std::string& text) {
  c_socketFailure failure;
  std::size_t count = 0;
  return socket.m_sendAll(text, c_clock::m_monotonicMilliseconds() + deadlineMs, nullptr, count, failure) ==
         c_socketResult::done;
}

// What one benchmark thread drives: a connected controller and the exchange it times.
class c_rig {
 public:
  virtual ~c_rig() = default;
  // One timed round trip of controller i; then, untimed, what keeps the plant steady.
  virtual bool m_roundTrip(int i, int sequence, std::int64_t& nanoseconds) = 0;

 protected:
  std::vector<c_socket> peers_;
};

// The installation of the run (TM_HOME and the event log's state folder).
c_tempHome* installation = nullptr;

// TM32 with five controllers on each of its two segments, all connected and up.
class c_tmRig : public c_rig {
 public:
  c_tmRig() {
    CTM_config::m_resetForTest();
    CTM_default_transSpec::m_resetForTest();
    plant_.m_writeInstallation();
    if (!CTM_config::m_init(c_runningPlant::tmId) || !plant_.m_read() || !plant_.m_start()) std::abort();
    const std::string keepAlive = c_runningPlant::m_wire(CTM_tctm00_message(), 0);
    std::string answer;
    for (const c_runningPlant::c_controller& controller : plant_.m_controllers()) {
      peers_.emplace_back();
      c_socketFailure failure;
      if (c_socket::m_connect(addressOf(controller.address), addressOf(c_runningPlant::tmAddress), plant_.m_tcPort(), 0,
                              deadlineMs, nullptr, peers_.back(), failure) != c_socketResult::done ||
          !send(peers_.back(), keepAlive) || !receiveTelegram(peers_.back(), answer))
        std::abort();
    }
    // Each link's status request comes a second after its link is up; then not for minutes.
    for (c_socket& peer : peers_)
      if (!receiveTelegram(peer, answer) || answer.compare(0, 6, "TMTC22") != 0) std::abort();
  }
  ~c_tmRig() override {
    plant_.m_stop();
    CTM_config::m_resetForTest();
  }

  bool m_roundTrip(int i, int sequence, std::int64_t& nanoseconds) override {
    c_socket& peer = peers_[static_cast<std::size_t>(i)];
    const c_runningPlant::c_controller& controller = plant_.m_controller(static_cast<std::size_t>(i));
    const std::string report = itemReport<CTM_tctm01_message>(sequence, blankId_, controller.entry);
    std::string answer;
    const auto start = std::chrono::steady_clock::now();
    if (!send(peer, report) || !receiveTelegram(peer, answer)) return false;
    nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    const std::unique_ptr<CTM_message> parsed = CTM_message::m_new(answer);
    auto* routing = dynamic_cast<CTM_tmtc01_message*>(parsed.get());
    return routing != nullptr &&
           send(peer, itemReport<CTM_tctm05_message>(sequence, routing->m_getBIT_ID(), controller.exit));
  }

 private:
  const std::string blankId_ = std::string(11, ' ');
  c_runningPlant plant_{*installation, maximumControllers / 2};
};

// The same bytes sent back by one thread per link.
class c_echoRig : public c_rig {
 public:
  c_echoRig() : report_(itemReport<CTM_tctm01_message>(1, std::string(11, ' '), "E3201_0101-P0001")) {
    c_socket listening;
    c_socketFailure failure;
    if (!c_socket::m_listen(addressOf("127.0.0.1"), 0, maximumControllers, listening, failure)) std::abort();
    for (int i = 0; i < maximumControllers; ++i) {
      peers_.emplace_back();
      auto accepted = std::make_unique<c_socket>();
      std::uint32_t peerAddress = 0;
      if (c_socket::m_connect(0, addressOf("127.0.0.1"), listening.m_localPort(), 0, deadlineMs, nullptr, peers_.back(),
                              failure) != c_socketResult::done ||
          listening.m_waitReadable(-1, nullptr, failure) != c_socketResult::done ||
          listening.m_accept(*accepted, peerAddress, failure) != c_socketResult::done)
        std::abort();
      threads_.emplace_back([this, socket = std::move(accepted)] { m_echo(*socket); });
    }
  }
  ~c_echoRig() override {
    stop_.m_set();
    for (std::thread& thread : threads_) thread.join();
  }

  bool m_roundTrip(int i, int, std::int64_t& nanoseconds) override {
    c_socket& peer = peers_[static_cast<std::size_t>(i)];
    std::string answer(report_.size(), '\0');
    c_socketFailure failure;
    std::size_t count = 0;
    const auto start = std::chrono::steady_clock::now();
    if (!send(peer, report_) ||
        peer.m_receiveExact(answer.data(), answer.size(), c_clock::m_monotonicMilliseconds() + deadlineMs, nullptr,
                            count, failure) != c_socketResult::done)
      return false;
    nanoseconds =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    return true;
  }

 private:
  void m_echo(c_socket& socket) {
    std::string bytes(report_.size(), '\0');
    c_socketFailure failure;
    std::size_t count = 0;
    while (socket.m_receiveExact(bytes.data(), bytes.size(), -1, stop_.m_getHandle(), count, failure) ==
               c_socketResult::done &&
           socket.m_sendAll(bytes, -1, stop_.m_getHandle(), count, failure) == c_socketResult::done) {
    }
  }

  const std::string report_;
  c_event stop_;
  std::vector<std::thread> threads_;
};

c_droppingSink droppingSink;

// Thread i plays controller i: with 10 threads, five on each segment.
template <class Rig, bool dropEvents>
void BM_roundTrip(benchmark::State& state) {
  static std::unique_ptr<c_rig> rig;
  if (state.thread_index() == 0) {
    CTM_logging::m_setSink(dropEvents ? &droppingSink : nullptr);
    rig = std::make_unique<Rig>();
  }
  std::vector<std::int64_t> nanoseconds;
  nanoseconds.reserve(1 << 20);
  int sequence = 0;
  for (auto _ : state) {
    sequence = sequence % 99 + 1;
    std::int64_t elapsed = 0;
    if (!rig->m_roundTrip(state.thread_index(), sequence, elapsed)) {
      state.SkipWithError("round trip failed");
      break;
    }
    if (nanoseconds.size() < nanoseconds.capacity()) nanoseconds.push_back(elapsed);
  }
  setLatencyCounters(state, nanoseconds);
  if (state.thread_index() == 0) {
    rig.reset();
    CTM_logging::m_setSink(nullptr);
  }
}

}  // namespace

// A fixed number of round trips: each new bag takes a number of its segment's daily sequence.
BENCHMARK(BM_roundTrip<c_echoRig, true>)->Name("bare_tcp_echo")->Threads(1)->Threads(maximumControllers)->UseRealTime();
BENCHMARK(BM_roundTrip<c_tmRig, false>)
    ->Name("tm_round_trip")
    ->Threads(1)
    ->Threads(maximumControllers)
    ->Iterations(2000)
    ->UseRealTime();
BENCHMARK(BM_roundTrip<c_tmRig, true>)
    ->Name("tm_round_trip_events_dropped")
    ->Threads(1)
    ->Threads(maximumControllers)
    ->Iterations(2000)
    ->UseRealTime();

int main(int argc, char** argv) {
  c_useLocalNamesOnly();
  c_tempHome home;
  installation = &home;
  CTM_logging::m_init("");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
