#pragma once
// c_standardStreams: standard input, output and error of a program that runs
// unattended, however its starter left them. A closed one must not lend its
// number to the next file the program opens (its lock file, an event store),
// which would then take in what the program prints; a pipe whose reader has
// gone must not end the program; and one that nobody reads must not keep a stop
// signal from stopping it. The program's main thread.
//
//   c_standardStreams::m_secure();   // first thing, before anything is opened
//   c_stopSignals::m_block();
//   ...
//   c_standardStreams::m_write(c_standardStreams::output, line);

#include <string_view>

class c_standardStreams {
 public:
  enum c_stream : int { output = 1, error = 2 };

  // Opens /dev/null on each of the three that is closed, and makes a write to a
  // pipe or socket whose reader has gone fail instead of ending the program (in
  // every thread). False when either cannot be done.
  static bool m_secure();
  // Writes the text, waiting while the stream takes nothing, until all of it is
  // written, a write fails, or a stop signal (c_stopSignals, blocked) is pending
  // while the stream waits, which is then left pending for c_stopSignals::m_wait.
  // True when all of it was written. The stream's status flags stay as they are:
  // the processes that share a pipe share them too.
  static bool m_write(c_stream stream, std::string_view text);
  // Writes the text at once when the stream takes it, else drops it: a thread
  // that serves peers never waits for a reader of the program's streams, and a
  // stop never waits for such a thread. True when all of it was written. Any thread.
  static bool m_writeNow(c_stream stream, std::string_view text);
};
