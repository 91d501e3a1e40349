#pragma once
// CTM_single_connection_lh: a client line handler with one connection (MC, LPCS,
// the downstream TM), created by the interface constructor.
//
// Connecting goes in cycles of about a second (shorter when data wakes the
// handler): a try when one is due, then a wait for the peer's keep-alive answer,
// which is read whenever data has arrived, also without a wake-up. The
// interface's "__MaxConnectRetry" counts these cycles, not the tries; giving up
// only makes the client start again.

#include "links/ctm_client_lh.h"

class CTM_single_connection_lh : public CTM_client_lh {
 protected:
  CTM_single_connection_lh() = default;

  bool m_connect() override;

  // Wait the retry time before the first try (after a link loss too).
  bool sleepBeforeConnect_ = false;
};
