#pragma once
// CTM_transSpecList: transport specifications in ascending routingPriority, those
// of equal priority in the order they came. The list owns them. A
// transport specification is found by its transportSpecID, over the whole list, so that an
// update that changes the priority still replaces the entry it updates.
// No lock: the transport object's owner serialises access (the segment lock).

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "tracking/ctm_transspec.h"

class CTM_transSpecList {
 public:
  explicit CTM_transSpecList(std::size_t capacity) { specs_.reserve(capacity); }

  // Places the transport specification after every one of lower or equal priority.
  void m_insert(std::unique_ptr<CTM_transSpec> spec);
  // Takes the first transport specification with that id out of the list; null when none.
  std::unique_ptr<CTM_transSpec> m_take(const std::string& transportSpecID);
  void m_clear() { specs_.clear(); }

  std::size_t m_size() const { return specs_.size(); }
  bool m_empty() const { return specs_.empty(); }
  // Transport specification i in list order.
  CTM_transSpec& m_at(std::size_t i) const { return *specs_[i]; }

 private:
  std::vector<std::unique_ptr<CTM_transSpec>> specs_;
};
