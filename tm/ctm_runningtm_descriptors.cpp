// The descriptors a start of the TM needs, checked before any part is touched: a
// TM whose listeners and links cannot get theirs would report that it runs and
// serve no one.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "core/ctm_logging.h"
#include "platform/c_descriptorlimit.h"
#include "topology/ctm_ls.h"
#include "tm/ctm_runningtm.h"

namespace {

// The event log, a parameter file being replaced and a trace file, beside the links.
constexpr std::int64_t besideLinks = 4;

int asInt(std::int64_t count) {
  return static_cast<int>(std::min<std::int64_t>(count, std::numeric_limits<int>::max()));
}

}  // namespace

bool CTM_runningTm::m_hasDescriptorsFor(const std::string& mask, bool flag) {
  c_descriptorLimit::m_raise();
  const std::int64_t needed = m_descriptorsNeeded(mask, flag);
  const std::int64_t left = c_descriptorLimit::m_left();
  // A system that cannot tell leaves it to each part to fail on its own.
  if (left < 0 || left >= needed) return true;
  const std::int64_t limit = c_descriptorLimit::m_soft();
  CTM_logging::m_log(1, ev::TM_DESCRIPTORS_SHORT, "iii", asInt(needed), asInt(left), asInt(limit));
  CTM_logging::m_log(1, ev::TM_PART_FAILED, "ss", "Transport manager", m_getId());
  return m_fail("the listeners and links to start need " + std::to_string(needed) +
                " descriptors, but the process can open only " + std::to_string(left) + " more (its limit is " +
                std::to_string(limit) + ")");
}

// The most that the parts this init starts hold at once: a listener each (also
// when it is only bound), one per link, both of a double link while it connects.
std::int64_t CTM_runningTm::m_descriptorsNeeded(const std::string& mask, bool flag) const {
  std::int64_t controllers = 0;
  for (std::size_t i = 0; i < m_getChildCount(); ++i)
    if (const CTM_ls* segment = m_getChild(i)) controllers += static_cast<std::int64_t>(segment->m_getChildCount());
  const std::int64_t segments = static_cast<std::int64_t>(m_getChildCount());
  const std::int64_t successors = static_cast<std::int64_t>(m_getSuccessorCount());
  const std::int64_t predecessors = static_cast<std::int64_t>(m_getPredecessorCount());
  const auto started = [&mask](std::size_t index) { return m_isEnabled(mask, index); };
  const auto bound = [&](std::size_t index) { return started(index) || !flag; };

  std::int64_t needed = besideLinks;
  if (started(maskIm)) needed += 2;
  if (started(maskOc)) needed += 2;
  if (started(maskLpcs)) needed += 1;
  if (started(maskDstm)) needed += successors;
  if (bound(maskUstm)) needed += 1;
  if (started(maskUstm)) needed += predecessors;
  if (bound(maskTc)) needed += 1;
  if (started(maskTc)) needed += controllers;
  if (started(maskMc)) needed += segments;
  return needed;
}
