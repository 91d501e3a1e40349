#include "platform/c_messagecatalogue.h"

#include <charconv>
#include <cstdint>

#include "platform/c_escape.h"
#include "platform/c_regularfile.h"

namespace {
// The catalogue holds a few hundred texts; a file far beyond that is no catalogue.
constexpr std::uint64_t catalogueLimit = 16u << 20;
}  // namespace

bool c_messageCatalogue::m_load(const std::string& path) {
  std::string content;
  if (!c_readRegularFile(path, catalogueLimit, content)) return false;
  m_loadText(content);
  return true;
}

void c_messageCatalogue::m_loadText(std::string_view content) {
  messages_.clear();
  messagesByCount_.clear();
  categories_.clear();
  while (!content.empty()) {
    const std::size_t feed = content.find('\n');
    std::string_view line = content.substr(0, feed);
    content = feed == std::string_view::npos ? std::string_view() : content.substr(feed + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t firstTab = line.find('\t');
    const std::size_t secondTab = firstTab == std::string_view::npos ? firstTab : line.find('\t', firstTab + 1);
    if (secondTab == std::string_view::npos) continue;
    const std::string_view kind = line.substr(0, firstTab);
    const std::string_view key = line.substr(firstTab + 1, secondTab - firstTab - 1);
    std::string text;
    if (!c_unescapeField(line.substr(secondTab + 1), text)) continue;
    if (kind == "M") {
      std::uint32_t id = 0;
      const char* const end = key.data() + key.size();
      const auto result = std::from_chars(key.data(), end, id, 16);
      if (result.ec != std::errc()) continue;
      if (result.ptr == end) {
        messages_[id] = std::move(text);
      } else if (*result.ptr == '/') {
        std::uint32_t count = 0;
        const auto counted = std::from_chars(result.ptr + 1, end, count);
        if (counted.ec == std::errc() && counted.ptr == end && counted.ptr != result.ptr + 1)
          messagesByCount_[std::uint64_t{id} << 32 | count] = std::move(text);
      }
    } else if (kind == "C") {
      int category = 0;
      const auto result = std::from_chars(key.data(), key.data() + key.size(), category);
      if (result.ec == std::errc() && result.ptr == key.data() + key.size()) categories_[category] = std::move(text);
    }
  }
}

bool c_messageCatalogue::m_messageText(std::uint32_t eventId, std::string& text) const {
  const auto found = messages_.find(eventId);
  if (found == messages_.end()) return false;
  text = found->second;
  return true;
}

bool c_messageCatalogue::m_messageText(std::uint32_t eventId, std::size_t stringCount, std::string& text) const {
  if (stringCount <= UINT32_MAX) {
    const auto found = messagesByCount_.find(std::uint64_t{eventId} << 32 | stringCount);
    if (found != messagesByCount_.end()) {
      text = found->second;
      return true;
    }
  }
  return m_messageText(eventId, text);
}

bool c_messageCatalogue::m_categoryText(int category, std::string& text) const {
  const auto found = categories_.find(category);
  if (found == categories_.end()) return false;
  text = found->second;
  return true;
}

std::string c_formatMessage(std::string_view text, const std::vector<std::string>& strings) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '%' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    const char next = text[i + 1];
    if (next == '%') {
      out += '%';
      ++i;
    } else if (next == 'n') {
      out += "\r\n";
      ++i;
    } else if (next >= '1' && next <= '9') {
      std::size_t number = static_cast<std::size_t>(next - '0');
      std::size_t length = 2;
      if (i + 2 < text.size() && text[i + 2] >= '0' && text[i + 2] <= '9') {
        number = number * 10 + static_cast<std::size_t>(text[i + 2] - '0');
        length = 3;
      }
      if (number <= strings.size()) out += strings[number - 1];
      else out.append(text.substr(i, length));
      i += length - 1;
    } else {
      out += c;
    }
  }
  return out;
}
