#pragma once
// CTM_testLhtc: a TC line handler whose out-queue a test reads, for tests that
// place it on a running transport controller and look at what the segment queued
// for the TC (routing orders) without a connection.

#include <memory>
#include <string>
#include <vector>

#include "links/ctm_queue.h"
#include "telegrams/ctm_message.h"
#include "tm/ctm_lhtc.h"

class CTM_testLhtc : public CTM_lhtc {
 public:
  using CTM_lhtc::CTM_lhtc;
  ~CTM_testLhtc() override { m_shutdown(); }

  // The processor, called directly by a test (no link: answers cannot go out).
  using CTM_lhtc::m_processTelegram;

  CTM_queue& m_queue() { return queue_; }
  // The telegrams queued so far, taken out of the queue, as written on the wire
  // (sequence number and sub id as queued, not yet numbered by the handler).
  std::vector<std::string> m_takeQueuedTexts() {
    std::vector<std::string> texts;
    std::unique_ptr<CTM_message> telegram;
    while (queue_.m_get(telegram) && telegram) {
      std::string text;
      telegram->m_serialize(text);
      texts.push_back(text);
      telegram.reset();
    }
    return texts;
  }
};
