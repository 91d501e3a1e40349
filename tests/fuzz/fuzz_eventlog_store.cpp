// Any bytes as an event-log store (and, when the first byte is odd, its ".old"
// file as well): the reader must never crash, every record it returns must
// encode back to a line that decodes to the same record, and a writer appending
// to such a store must cut off a torn end and number after the last record.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/c_eventlogreader.h"
#include "platform/c_eventstore.h"

namespace {

const std::string& storePath() {
  static const std::string path = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tm-fuzz-store-XXXXXX").string();
    const char* folder = ::mkdtemp(pattern.data());
    if (folder == nullptr) std::abort();
    return std::string(folder) + "/TMBase.Evt";
  }();
  return path;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void check(bool condition) {
  if (!condition) std::abort();
}

void checkRoundTrip(const c_eventRecord& record) {
  const std::string line = c_encodeEventRecord(record);
  c_eventRecord again;
  check(c_decodeEventRecord(std::string_view(line).substr(0, line.size() - 1), again));
  check(again == record);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = storePath();
  std::filesystem::remove(path + ".old");
  if (size > 0 && (data[0] & 1) != 0) {
    const std::size_t half = size / 2;
    writeFile(path + ".old", data, half);
    writeFile(path, data + half, size - half);
  } else {
    writeFile(path, data, size);
  }

  c_eventLogReader reader;
  check(reader.m_openStore(path));
  c_eventRecord record;
  std::uint32_t count = 0;
  while (reader.m_next(record) && count < 100000) {
    checkRoundTrip(record);
    ++count;
  }
  std::uint32_t oldest = 0, newest = 0;
  if (reader.m_range(oldest, newest)) {
    reader.m_seekNumber(oldest + (newest - oldest) / 2);
    if (reader.m_next(record)) checkRoundTrip(record);
  }
  reader.m_seekNewest(3);
  while (reader.m_next(record)) checkRoundTrip(record);

  // A writer on the same store: its record is then the newest one read.
  c_eventStore store(path, 1u << 30);
  c_eventRecord written;
  written.eventId = 0xC00003E8u;
  written.type = 4;
  written.category = 1;
  written.source = "FUZZ";
  written.strings = {"appended"};
  if (store.m_append(written)) {
    c_eventLogReader after;
    check(after.m_openStore(path));
    check(after.m_seekNewest(1));
    check(after.m_next(record));
    check(record == written);
  }
  return 0;
}
