#pragma once
// c_stopSignals: the signals that ask a running program to stop (SIGTERM,
// SIGINT, and SIGHUP for a closed terminal or a lost remote session), taken by
// one waiting thread instead of a handler. Blocked before any other thread
// starts, they are blocked in every thread started later, so no thread is
// interrupted by them; a signal that comes while the program stops stays pending
// and is dropped at its end, so it cannot cut the stop short.
//
//   c_stopSignals::m_block();   // first thing, before any thread starts
//   ... start ...
//   int signal = c_stopSignals::m_wait();

class c_stopSignals {
 public:
  // Blocks them in the calling thread (and so in every thread it starts); false when that fails.
  static bool m_block();
  // Waits until one of them comes; its number.
  static int m_wait();
  // Waits until the descriptor takes a write (or has failed, so that the write
  // tells why): true; or until one of them is pending: false, and the signal
  // stays pending for m_wait. So a program whose output nobody reads still stops.
  static bool m_waitWritable(int descriptor);
  // The signal's name ("SIGTERM"), or its number as text.
  static const char* m_name(int signal);
};
