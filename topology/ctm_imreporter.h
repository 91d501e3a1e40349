#pragma once
// CTM_imReporter: what a node needs to report a text to the IM computer. The
// running TM implements it (an exception report queued on its IM link) and hands
// it to its TM node; the model itself never sends anything.
//
// Threads: any thread that handles an item may report; the implementation guards
// its own link.

#include <string>

class CTM_imReporter {
 public:
  virtual ~CTM_imReporter() = default;

  // Queues a free-text exception report: source is the equipment code that it
  // concerns, level 1 the most urgent. False when the report cannot be queued.
  virtual bool m_reportText(const std::string& source, unsigned short level, const std::string& text) = 0;
};
