// A keep-alive-sized telegram answered over loopback by a server line handler
// (the peer sends TCTM00, the handler answers TMTC00 through m_transmit), beside
// a bare TCP echo of the same bytes, for 1 and for 10 concurrent links: p50, p99
// and round trips per second. Logging runs (level 3, as a line handler's thread
// logs) into a sink that drops the events, so the event log's disk is not measured.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/latency_counters.h"
#include "core/c_syncObject.h"
#include "core/ctm_logging.h"
#include "platform/c_clock.h"
#include "platform/c_socket.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/support/ctm_test_linehandlers.h"

namespace {

constexpr int maximumLinks = 10;
constexpr std::int64_t deadlineMs = 5000;

class c_droppingSink : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent&) override { return true; }
};

std::string wire(CTM_message&& telegram) {
  telegram.m_setSeqNo(0);
  telegram.m_setSubId("01");
  std::string text;
  telegram.m_serialize(text);
  return text;
}

const std::string& keepAlive() {
  static const std::string text = wire(CTM_tctm00_message());
  return text;
}

std::uint32_t loopback() {
  std::uint32_t address = 0;
  c_parseDottedAddress("127.0.0.1", address);
  return address;
}

// A connected pair of loopback sockets: the peer's side and the accepted side.
bool connectPair(c_socket& peer, c_socket& accepted) {
  c_socket listening;
  c_socketFailure failure;
  std::uint32_t peerAddress = 0;
  return c_socket::m_listen(loopback(), 0, 1, listening, failure) &&
         c_socket::m_connect(0, loopback(), listening.m_localPort(), 0, deadlineMs, nullptr, peer, failure) ==
             c_socketResult::done &&
         listening.m_waitReadable(-1, nullptr, failure) == c_socketResult::done &&
         listening.m_accept(accepted, peerAddress, failure) == c_socketResult::done;
}

// One round trip from the peer's side: the keep-alive out, as many bytes back.
bool roundTrip(c_socket& peer, std::string& answer) {
  c_socketFailure failure;
  std::size_t count = 0;
  const std::int64_t deadline = c_clock::m_monotonicMilliseconds() + deadlineMs;
  return peer.m_sendAll(keepAlive(), deadline, nullptr, count, failure) == c_socketResult::done &&
         peer.m_receiveExact(answer.data(), answer.size(), deadline, nullptr, count, failure) == c_socketResult::done;
}

// The links under test: one server line handler per link, or one echo thread.
class c_rig {
 public:
  virtual ~c_rig() = default;
  c_socket& m_peer(int link) { return peers_[static_cast<std::size_t>(link)]; }

 protected:
  std::vector<c_socket> peers_;
};

class c_handlerRig : public c_rig {
 public:
  explicit c_handlerRig(int links) {
    for (int i = 0; i < links; ++i) {
      c_socket accepted;
      peers_.emplace_back();
      if (!connectPair(peers_.back(), accepted)) std::abort();
      handlers_.push_back(std::make_unique<CTM_testServerLh>());
      handlers_.back()->m_acceptConnection(std::move(accepted));
    }
  }
  ~c_handlerRig() override {
    for (auto& handler : handlers_) handler->m_shutdown();
  }

 private:
  std::vector<std::unique_ptr<CTM_testServerLh>> handlers_;
};

class c_echoRig : public c_rig {
 public:
  explicit c_echoRig(int links) {
    for (int i = 0; i < links; ++i) {
      auto accepted = std::make_unique<c_socket>();
      peers_.emplace_back();
      if (!connectPair(peers_.back(), *accepted)) std::abort();
      threads_.emplace_back([this, socket = std::move(accepted)] { m_echo(*socket); });
    }
  }
  ~c_echoRig() override {
    stop_.m_set();
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  void m_echo(c_socket& socket) {
    std::string bytes(keepAlive().size(), '\0');
    c_socketFailure failure;
    std::size_t count = 0;
    while (socket.m_receiveExact(bytes.data(), bytes.size(), -1, stop_.m_getHandle(), count, failure) ==
               c_socketResult::done &&
           socket.m_sendAll(bytes, -1, stop_.m_getHandle(), count, failure) == c_socketResult::done) {
    }
  }

  c_event stop_;
  std::vector<std::thread> threads_;
};

template <class Rig>
void BM_roundTrip(benchmark::State& state) {
  static std::unique_ptr<c_rig> rig;
  if (state.thread_index() == 0) rig = std::make_unique<Rig>(state.threads());
  // Thread 0 builds the rig before the threads start iterating together.
  c_socket* peer = nullptr;
  std::string answer(keepAlive().size(), '\0');
  std::vector<std::int64_t> nanoseconds;
  nanoseconds.reserve(1 << 20);
  for (auto _ : state) {
    if (peer == nullptr) peer = &rig->m_peer(state.thread_index());
    const auto start = std::chrono::steady_clock::now();
    if (!roundTrip(*peer, answer)) {
      state.SkipWithError("round trip failed");
      break;
    }
    const auto end = std::chrono::steady_clock::now();
    if (nanoseconds.size() < nanoseconds.capacity())
      nanoseconds.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count());
  }
  setLatencyCounters(state, nanoseconds);
  if (state.thread_index() == 0) rig.reset();
}

}  // namespace

BENCHMARK(BM_roundTrip<c_echoRig>)->Name("bare_tcp_echo")->Threads(1)->Threads(maximumLinks)->UseRealTime();
BENCHMARK(BM_roundTrip<c_handlerRig>)->Name("server_line_handler")->Threads(1)->Threads(maximumLinks)->UseRealTime();

int main(int argc, char** argv) {
  // Whatever logging sets up goes into a folder of this run.
  std::string state = (std::filesystem::temp_directory_path() / "tm-bench-XXXXXX").string();
  if (::mkdtemp(state.data()) == nullptr) return 1;
  ::setenv("XDG_STATE_HOME", state.c_str(), 1);
  ::unsetenv("TM_HOME");
  c_droppingSink sink;
  CTM_logging::m_init("");
  CTM_logging::m_setSink(&sink);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CTM_logging::m_setSink(nullptr);
  std::filesystem::remove_all(state);
  return 0;
}
