#include "tracking/ctm_transport.h"

#include <algorithm>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_clock.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_default_transspec.h"
#include "tracking/ctm_transportowner.h"
#include "tracking/ctm_transspec.h"

namespace {

constexpr std::uint16_t busyThresholdWhenMissing = 100;
constexpr std::uint16_t quietThresholdWhenMissing = 0;
constexpr std::size_t stagingCapacity = 100;
constexpr std::size_t candidateCapacity = 10;
// Seconds of slack per step of routing priority.
constexpr std::int64_t slackPerPriorityStep = 10;

std::uint16_t thresholdOf(const std::string& name, std::uint16_t missing) {
  int value = 0;
  return CTM_config::m_getInteger(name, value) ? static_cast<std::uint16_t>(value) : missing;
}

bool inRouteOrder(const std::unique_ptr<CTM_route>& first, const std::unique_ptr<CTM_route>& second) {
  return CTM_route::m_comesBefore(*first, *second);
}

CTM_transSpec* firstMatch(const CTM_transSpecList& list, const CTM_BIT& item) {
  for (std::size_t i = 0; i < list.m_size(); ++i)
    if (item.m_matches(list.m_at(i))) return &list.m_at(i);
  return nullptr;
}

}  // namespace

CTM_transport::CTM_transport(CTM_transportOwner& owner) : owner_(owner) {
  staged_.reserve(stagingCapacity);
  stagedIndicators_.reserve(stagingCapacity);
  candidates_.reserve(candidateCapacity);
}

CTM_transport::~CTM_transport() = default;

bool CTM_transport::m_init() {
  const std::string& segment = owner_.m_getSegmentId();
  m_setBusyThreshold(thresholdOf(segment + "__BusyThreshold", busyThresholdWhenMissing));
  m_setQuietThreshold(thresholdOf(segment + "__QuietThreshold", quietThresholdWhenMissing));
  CTM_default_transSpec defaults;
  if (!CTM_default_transSpec::m_init() || !defaults.readDefaultTransSpecs(segment, default_)) {
    CTM_logging::m_log(1, ev::TRANSPORT_INIT_FAILED, "s", segment);
    return false;
  }
  CTM_logging::m_log(3, ev::DEFAULT_TS_LOADED, "is", default_.m_size(), segment);
  return true;
}

void CTM_transport::m_clearStaging() {
  staged_.clear();
  stagedIndicators_.clear();
}

bool CTM_transport::m_stageTransSpec(const std::string& indicator, std::unique_ptr<CTM_transSpec> spec) {
  if (!spec || (indicator != "A" && indicator != "U" && indicator != "D")) return false;
  staged_.push_back(std::move(spec));
  stagedIndicators_.push_back(indicator);
  return true;
}

// A stored transport specification is found by its id wherever its priority puts it, so
// that no id is held twice and an update may change the priority.
void CTM_transport::m_commitTransSpecs() {
  for (std::size_t i = 0; i < staged_.size(); ++i) {
    std::unique_ptr<CTM_transSpec> spec = std::move(staged_[i]);
    const std::string id = spec->m_getTransportSpecID();
    const std::unique_ptr<CTM_transSpec> stored = dynamic_.m_take(id);
    const std::string& indicator = stagedIndicators_[i];
    if (indicator == "A") {
      if (stored) owner_.m_reportText(3, "Add for existing TransSpec (" + id + ").");
      dynamic_.m_insert(std::move(spec));
    } else if (indicator == "U") {
      if (!stored) owner_.m_reportText(3, "Update for nonexisting TransSpec (" + id + ")");
      dynamic_.m_insert(std::move(spec));
    } else if (!stored) {
      owner_.m_reportText(3, "Delete nonexisting TranSpec (" + id + ")");
    }
  }
  m_clearStaging();
}

// Every branch that calls itself again either moves on to the default list or
// follows a status change that the item's exception handling makes only once.
bool CTM_transport::routeBIT(CTM_BIT* item, bool dynamic) {
  const std::time_t now = static_cast<std::time_t>(c_clock::m_utcSeconds());
  const CTM_transSpecList& list = dynamic ? dynamic_ : default_;
  c_expiry expiry;
  for (std::size_t i = 0; i < list.m_size(); ++i) {
    CTM_transSpec& spec = list.m_at(i);
    if (!item->m_matches(spec)) continue;
    m_collectCandidates(*item, spec, now, expiry);
    if (!candidates_.empty()) {
      m_evaluateVias(*item, dynamic, now);
      return m_giveDestinations(item, spec);
    }
    if (expiry.expired) continue;
    const std::string status = item->m_getStatus();
    owner_.m_reportRoutingEvent(item, CTM_BIT::UNAVAILABLE_OUTPUT, "");
    if (item->m_getStatus() != status) return routeBIT(item, dynamic);
    if (dynamic) return routeBIT(item, false);
    owner_.m_reportText(1, "Found no destination for BIT (" + item->m_getBIT_ID() + ")");
    return false;
  }
  if (!dynamic) {
    owner_.m_reportText(1, "Found no TransSpec for BIT (" + item->m_getBIT_ID() + ")");
    return false;
  }
  if (expiry.expired) owner_.m_reportRoutingEvent(item, CTM_BIT::TLATE, expiry.transportSpecID);
  owner_.m_reportRoutingEvent(item, CTM_BIT::UNKNOWN_DESTINATION, "");
  return routeBIT(item, false);
}

void CTM_transport::m_collectCandidates(const CTM_BIT& item, CTM_transSpec& spec, std::time_t now,
                                        c_expiry& expiry) {
  candidates_.clear();
  std::string destination;
  for (unsigned j = 0; spec.m_getDestination(j, destination); ++j) {
    auto route = std::make_unique<CTM_route>(item.m_getCurrentNode());
    if (!route->m_find(destination)) continue;
    const std::time_t arrival = now + route->m_getCost();
    const CTM_transSpec::c_validity validity = spec.m_validityAt(arrival);
    if (validity == CTM_transSpec::c_validity::notYet) continue;
    if (validity == CTM_transSpec::c_validity::expired) {
      expiry.expired = true;
      expiry.transportSpecID = spec.m_getTransportSpecID();
      continue;
    }
    // Priority 1 while the slack, in tens of seconds, exceeds the item's recirculations.
    const std::int64_t slack = static_cast<std::int64_t>(spec.m_getEndTime()) - arrival;
    route->m_setRoutingPriority(slack / slackPerPriorityStep - item.m_getRecirculationCount() >= 1 ? 1 : 0);
    auto place = std::upper_bound(candidates_.begin(), candidates_.end(), route, inRouteOrder);
    candidates_.insert(place, std::move(route));
  }
}

// Tries each candidate's continuation over the destinations of the first
// TransSpec the item would match once screened, and ranks the candidates again.
// With weights of zero or more a via total never changes, so the ranking stays
// as it was.
void CTM_transport::m_evaluateVias(CTM_BIT& item, bool dynamic, std::time_t now) {
  const int requiredLevel = item.m_getRequiredScreenLevel();
  if (requiredLevel == 0 || candidates_.size() < 2) return;
  item.m_setRequiredScreenLevel(0);
  CTM_transSpec* next = firstMatch(dynamic ? dynamic_ : default_, item);
  if (!next && dynamic) next = firstMatch(default_, item);
  std::string destination;
  for (unsigned j = 0; next && next->m_getDestination(j, destination); ++j) {
    for (const std::unique_ptr<CTM_route>& candidate : candidates_) {
      if (!candidate->m_via(destination)) continue;
      if (next->m_validityAt(now + candidate->m_getViaTotal()) != CTM_transSpec::c_validity::valid)
        candidate->m_restoreViaTotal();
    }
  }
  item.m_setRequiredScreenLevel(requiredLevel);
  std::stable_sort(candidates_.begin(), candidates_.end(), inRouteOrder);
}

bool CTM_transport::m_giveDestinations(CTM_BIT* item, const CTM_transSpec& spec) {
  const std::string& name = spec.m_getTransportSpecID();
  bool changed;
  if (m_offersBothCandidates()) {
    const CTM_route& first = *candidates_[0];
    const CTM_route& second = *candidates_[1];
    changed = item->m_setDestinations(name, first.m_getFound(), first.m_getRoutingPriority(), second.m_getFound(),
                                      second.m_getRoutingPriority());
  } else {
    const CTM_route& only = *candidates_[0];
    changed = item->m_setDestination(name, only.m_getFound(), only.m_getRoutingPriority());
  }
  if (!changed) return false;
  owner_.m_reportRoutingEvent(item, CTM_BIT::TRS, "");
  return true;
}

// Two equally cheap exits: both while the segment is busy; otherwise the pair's
// configured alternation "<first> <second>" = N sends N items to the first, then
// one to the second (which then stands alone at the head of the candidates).
bool CTM_transport::m_offersBothCandidates() {
  if (candidates_.size() < 2 || candidates_[0]->m_getCost() != candidates_[1]->m_getCost()) return false;
  if (m_isBusy()) return true;
  const std::string& firstDestination = candidates_[0]->m_getDestination();
  const std::string& secondDestination = candidates_[1]->m_getDestination();
  int perSecond = 0;
  if (!CTM_config::m_getInteger(firstDestination + " " + secondDestination, perSecond)) return false;
  int& first = alternation_[firstDestination];
  int& second = alternation_[secondDestination];
  if (first < perSecond || second >= perSecond) {
    ++first;
    second = 0;
  } else {
    first = 0;
    ++second;
    candidates_.erase(candidates_.begin());
  }
  return false;
}
