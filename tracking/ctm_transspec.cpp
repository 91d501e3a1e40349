#include "tracking/ctm_transspec.h"

#include <string_view>

#include "core/ctm_config.h"
#include "tracking/ctm_bitstatus.h"

namespace {

// The configured destinations of items in an exception status, by status word.
const char* statusDestinationSuffix(std::string_view status) {
  if (status == "SPECIAL_HANDLING") return "__SpecHandlingDestination";
  if (status == "NO_READ") return "__NoreadDestination";
  if (status == "GARB") return "__GarbageDestination";
  if (status == "ERROR") return "__ErrorDestination";
  return nullptr;
}

std::vector<std::string> wordsOf(const std::string& text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  constexpr const char* separators = " \t\n";
  while ((at = text.find_first_not_of(separators, at)) != std::string::npos) {
    std::size_t end = text.find_first_of(separators, at);
    if (end == std::string::npos) end = text.size();
    words.push_back(text.substr(at, end - at));
    at = end;
  }
  return words;
}

}  // namespace

CTM_transSpec::CTM_transSpec() { destinations_.reserve(2); }

CTM_transSpec::c_validity CTM_transSpec::m_validityAt(std::time_t arrival) const {
  if (arrival < startTime_) return c_validity::notYet;
  if (arrival > endTime_) return c_validity::expired;
  return c_validity::valid;
}

bool CTM_transSpec::m_addDestination(const std::string& logicalExitPoint) {
  destinations_.push_back(logicalExitPoint);
  return true;
}

bool CTM_transSpec::m_getDestination(unsigned j, std::string& out) {
  if (j == 0) {
    statusDestinations_.reset();
    std::string configured;
    const char* suffix = statusDestinationSuffix(CTM_bitStatus::m_fromField(criteria_.m_getStatus()));
    if (suffix && CTM_config::m_getString(key_ + suffix, configured)) statusDestinations_ = wordsOf(configured);
  }
  const std::vector<std::string>& list = statusDestinations_ ? *statusDestinations_ : destinations_;
  if (j >= list.size()) return false;
  out = list[j];
  return true;
}
