#pragma once
// c_byteSource: where the telegram framing reads its bytes from. The telegram
// connection reads from its socket; the fuzz target and the framing tests from a
// buffer, so that the framing can be driven without a socket.

#include <cstddef>
#include <cstdint>
#include <string>

class c_byteSource {
 public:
  virtual ~c_byteSource() = default;
  // Reads exactly count bytes into out before the deadline (monotonic c_clock
  // milliseconds; negative: none). Returns count; 0 when the deadline passed
  // first; -1 on an error, when the peer closed or when the link was stopped.
  // On 0 and -1 out is left as it was and the bytes received so far are dropped;
  // the source reports its own failure.
  virtual int m_readExact(std::string& out, std::size_t count, std::int64_t deadlineMs) = 0;
};
