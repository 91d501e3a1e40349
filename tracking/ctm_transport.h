#pragma once
// CTM_transport: the transport object of one logical segment. It holds the
// segment's transport specifications (downloaded by OC, staged during a download
// and committed at its end, and the defaults of the default file) and chooses a
// baggage item's destinations: the first matching transport specification, in priority
// order, that has a destination reachable within its validity; the cheapest route
// to each such destination; one or two of them for the item. It also keeps the
// segment's load (the outcomes of its last diversions).
//
// Threads: no lock of its own. The segment reaches it only from its entry points,
// which hold the segment lock for their whole run; route searches keep their
// marks to themselves, so transport objects of different segments may route at
// the same time.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "tracking/ctm_loadmonitor.h"
#include "tracking/ctm_route.h"
#include "tracking/ctm_transspeclist.h"

class CTM_BIT;
class CTM_transSpec;
class CTM_transportOwner;

class CTM_transport {
 public:
  explicit CTM_transport(CTM_transportOwner& owner);
  virtual ~CTM_transport();
  CTM_transport(const CTM_transport&) = delete;
  CTM_transport& operator=(const CTM_transport&) = delete;

  // Thresholds from "<segment>__BusyThreshold" (100 when missing) and
  // "<segment>__QuietThreshold" (0), then the segment's default specifications.
  bool m_init();
  void m_setBusyThreshold(std::uint16_t value) { load_.m_setBusyThreshold(value); }
  void m_setQuietThreshold(std::uint16_t value) { load_.m_setQuietThreshold(value); }

  // A download: cleared at its start, one transport specification staged per record with
  // its indicator ("A" add, "U" update, "D" delete; anything else is refused),
  // applied at its end.
  void m_clearStaging();
  bool m_stageTransSpec(const std::string& indicator, std::unique_ptr<CTM_transSpec> spec);
  void m_commitTransSpecs();

  void m_recordOutcome(bool diverted) { load_.m_recordOutcome(diverted); }
  bool m_isBusy() { return load_.m_isBusy(); }

  // Chooses the item's destinations from the dynamic or the default list; true
  // when they changed.
  bool routeBIT(CTM_BIT* item, bool dynamic);

  const CTM_transSpecList& m_getDynamicTransSpecs() const { return dynamic_; }
  const CTM_transSpecList& m_getDefaultTransSpecs() const { return default_; }
  std::size_t m_getStagedCount() const { return staged_.size(); }

 private:
  struct c_expiry {
    bool expired = false;
    std::string transportSpecID;  // the last transport specification found expired
  };

  // The candidate routes of the transport specification, in route order.
  void m_collectCandidates(const CTM_BIT& item, CTM_transSpec& spec, std::time_t now, c_expiry& expiry);
  void m_evaluateVias(CTM_BIT& item, bool dynamic, std::time_t now);
  // Gives the item one or two of the candidates; true when its destinations changed.
  bool m_giveDestinations(CTM_BIT* item, const CTM_transSpec& spec);
  bool m_offersBothCandidates();

  CTM_transportOwner& owner_;
  CTM_loadMonitor load_;
  CTM_transSpecList dynamic_{100};
  CTM_transSpecList default_{10};
  std::vector<std::unique_ptr<CTM_transSpec>> staged_;
  std::vector<std::string> stagedIndicators_;
  std::vector<std::unique_ptr<CTM_route>> candidates_;
  // Consecutive choices of each destination of an alternating pair.
  std::unordered_map<std::string, int> alternation_;
};
