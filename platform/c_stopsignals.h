#pragma once
// c_stopSignals: the signals that ask a running program to stop (SIGTERM and
// SIGINT), taken by one waiting thread instead of a handler. Blocked before any
// other thread starts, they are blocked in every thread started later, so no
// thread is interrupted by them; a signal that comes while the program stops
// stays pending and is dropped at its end, so it cannot cut the stop short.
//
//   c_stopSignals::m_block();   // first thing, before any thread starts
//   ... start ...
//   int signal = c_stopSignals::m_wait();

class c_stopSignals {
 public:
  // Blocks both in the calling thread (and so in every thread it starts); false when that fails.
  static bool m_block();
  // Waits until one of them comes; its number.
  static int m_wait();
  // The signal's name ("SIGTERM"), or its number as text.
  static const char* m_name(int signal);
};
