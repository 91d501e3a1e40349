// `ostrel -n -10` on a log of 512 MiB (the store and its ".old" together) against
// `tail -n 10` of the current store file, in the same run: ostrel reads from the
// end, so it must answer in well under a second, in the range of tail.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/c_eventlog.h"
#include "platform/c_eventrecord.h"
#include "platform/c_registry.h"

extern char** environ;

namespace {

constexpr std::uint64_t halfLog = 256ull << 20;

std::filesystem::path root;
std::string storePath;

// A telegram log line of a busy TM: about 200 bytes per record.
void writeStore(const std::string& path, std::uint32_t& number) {
  std::ofstream out(path, std::ios::binary);
  std::string chunk;
  std::uint64_t written = 0;
  c_eventRecord record;
  record.eventId = 0xC00003E8;
  record.type = c_eventRecord::auditSuccess;
  record.category = 0;
  record.source = "TM32_TCTM";
  record.strings = {"TCTM01 0042 20020912131415 TP0815 W3225500042 BAG-ITEM 0000 ARRIVED AT TRACKING POINT WITH STATUS OK"};
  while (written < halfLog) {
    record.number = number++;
    record.timeGenerated = record.timeWritten = 1031836455 + number / 100;
    chunk += c_encodeEventRecord(record);
    if (chunk.size() > (1u << 20)) {
      out << chunk;
      written += chunk.size();
      chunk.clear();
    }
  }
  out << chunk;
}

bool setUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tm-bench-ostrel-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  root = pattern;
  ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
  ::setenv("TM_HOME", (root / "home").c_str(), 1);
  const std::string key = std::string(c_eventLog::registryRoot) + "\\TMBase";
  if (!c_registry::m_createKey(key) ||
      !c_registry::m_setValue(key, "File", c_registryValue::m_expandString("%TM_HOME%\\run\\log\\TMBase.Evt")) ||
      !c_registry::m_setValue(key, "MaxSize", c_registryValue::m_dword(0x20000000)))
    return false;
  std::filesystem::create_directories(root / "home/run/log");
  storePath = (root / "home/run/log/TMBase.Evt").string();
  std::uint32_t number = 1;
  writeStore(storePath + ".old", number);
  writeStore(storePath, number);
  return true;
}

// Runs a program with its output thrown away; its exit status, -1 when it did not exit.
int runQuietly(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void measure(benchmark::State& state, const std::vector<std::string>& command) {
  for (auto _ : state)
    if (runQuietly(command) != 0) {
      state.SkipWithError("the program failed");
      break;
    }
}

void BM_ostrelNewestTenOf512MiB(benchmark::State& state) { measure(state, {std::string(TM_BIN_DIR) + "/ostrel", "-n", "-10"}); }
void BM_tailTenOfTheStoreBaseline(benchmark::State& state) { measure(state, {"tail", "-n", "10", storePath}); }

BENCHMARK(BM_ostrelNewestTenOf512MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_tailTenOfTheStoreBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const bool ready = setUp();
  if (ready) benchmark::RunSpecifiedBenchmarks();
  else std::fprintf(stderr, "bench_ostrel: could not lay out the 512 MiB log\n");
  benchmark::Shutdown();
  std::error_code ignored;
  if (!root.empty()) std::filesystem::remove_all(root, ignored);
  return ready ? 0 : 1;
}
