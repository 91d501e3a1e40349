#include "links/c_peernames.h"

#include <utility>

#include "platform/c_clock.h"

c_peerNames::c_peerNames(c_lookUp lookUp, std::int64_t timeToLiveMs)
    : lookUp_(std::move(lookUp)), timeToLiveMs_(timeToLiveMs) {}

bool c_peerNames::m_find(std::uint32_t address, std::string& name) {
  bool named = false;
  if (m_recall(address, named, name)) return named;
  std::string found;
  const c_nameLookup result = lookUp_(address, found);
  if (result != c_nameLookup::failed) {
    const std::int64_t now = c_clock::m_monotonicMilliseconds();
    c_mutexGuard lock(mutex_);
    if (entries_.size() >= maximumEntries) {
      std::erase_if(entries_, [now](const auto& entry) { return entry.second.untilMs <= now; });
      if (entries_.size() >= maximumEntries) entries_.clear();
    }
    entries_[address] = c_entry{result == c_nameLookup::found, found, now + timeToLiveMs_};
  }
  if (result == c_nameLookup::found) name = found;
  return result == c_nameLookup::found;
}

bool c_peerNames::m_recall(std::uint32_t address, bool& named, std::string& name) {
  const std::int64_t now = c_clock::m_monotonicMilliseconds();
  c_mutexGuard lock(mutex_);
  auto known = entries_.find(address);
  if (known == entries_.end() || now >= known->second.untilMs) return false;
  named = known->second.named;
  if (named) name = known->second.name;
  return true;
}

c_peerNames& c_peerNames::m_process() {
  static c_peerNames names;
  return names;
}

c_nameLookup c_peerNames::m_lookUpBriefly(std::uint32_t address, std::string& name) {
  return c_lookUpName(address, name, c_lookUpWait::brief);
}
