// Telegram parse, write and readable form, in nanoseconds per call, on a
// transport controller's report (45 characters) and on the largest telegram
// (999 characters of data), on one thread and on eight (no telegram operation
// takes a lock). The baseline copies the same bytes and reads their numbers
// with strtol, in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/ctm_test_telegrams.h"

namespace {

using namespace ctm_test;

const std::string report = "YZ01" "01" "07" "031" "01" "0012W3212300001ABCDE_1234-A5678\n";

std::string largest() {
  std::string data = "166";
  for (int i = 0; i < occupationMaximum; ++i) data += i % 2 ? "LS001F" : "LS002E";
  return "YZ04" "01" "05" "999" "01" + data + "\n";
}

const std::string& corpus(int which) {
  static const std::string texts[] = {report, largest()};
  return texts[which];
}

const std::vector<const CTM_telegramPair*>& pairs() {
  static const std::vector<const CTM_telegramPair*> all(std::begin(testPairs), std::end(testPairs));
  return all;
}

std::unique_ptr<CTM_message> parse(const std::string& text) {
  auto telegram = CTM_message::m_new(text, pairs());
  if (!telegram->m_isValid()) std::abort();
  return telegram;
}

void label(benchmark::State& state) {
  state.SetLabel(state.range(0) == 0 ? "report, 45 bytes" : "largest, 1013 bytes");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus(static_cast<int>(state.range(0))).size()));
  state.SetItemsProcessed(state.iterations());
}

void BM_new(benchmark::State& state) {
  const std::string& text = corpus(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(CTM_message::m_new(text, pairs()));
  label(state);
}

void BM_serialize(benchmark::State& state) {
  auto telegram = parse(corpus(static_cast<int>(state.range(0))));
  std::string out;
  for (auto _ : state) {
    benchmark::DoNotOptimize(telegram->m_serialize(out));
    benchmark::DoNotOptimize(out.data());
  }
  label(state);
}

void BM_asString(benchmark::State& state) {
  auto telegram = parse(corpus(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(telegram->m_asString());
  label(state);
}

// What a transport controller link does with each report: read it, write the answer.
void BM_newAndSerialize(benchmark::State& state) {
  const std::string& text = corpus(static_cast<int>(state.range(0)));
  std::string out;
  for (auto _ : state) {
    auto telegram = CTM_message::m_new(text, pairs());
    benchmark::DoNotOptimize(telegram->m_serialize(out));
  }
  label(state);
}

// Baseline: copy the same bytes in and out and read every header number and the
// first field with strtol.
void BM_memcpyStrtolBaseline(benchmark::State& state) {
  const std::string& text = corpus(static_cast<int>(state.range(0)));
  std::vector<char> in(text.size() + 1), out(text.size() + 1);
  for (auto _ : state) {
    std::memcpy(in.data(), text.data(), text.size());
    in[text.size()] = '\0';
    char slot[4] = {};
    long sum = 0;
    for (int start : {4, 6, 8, 13}) {
      std::memcpy(slot, in.data() + start, start == 8 ? 3 : 2);
      slot[start == 8 ? 3 : 2] = '\0';
      sum += std::strtol(slot, nullptr, 10);
    }
    std::memcpy(out.data(), in.data(), text.size());
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(out.data());
  }
  label(state);
}

}  // namespace

#define TM_TELEGRAM_BENCH(name) \
  BENCHMARK(name)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond)->Threads(1)->Threads(8)->UseRealTime()

TM_TELEGRAM_BENCH(BM_memcpyStrtolBaseline);
TM_TELEGRAM_BENCH(BM_new);
TM_TELEGRAM_BENCH(BM_serialize);
TM_TELEGRAM_BENCH(BM_asString);
TM_TELEGRAM_BENCH(BM_newAndSerialize);

BENCHMARK_MAIN();
