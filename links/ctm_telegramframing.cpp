#include "links/ctm_telegramframing.h"

#include "core/ctm_logging.h"
#include "links/c_bytesource.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_message.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool digitsAt(const std::string& text, std::size_t from) {
  return isDigit(text[from]) && isDigit(text[from + 1]) && isDigit(text[from + 2]);
}
std::size_t numberAt(const std::string& text, std::size_t from) {
  return static_cast<std::size_t>((text[from] - '0') * 100 + (text[from + 1] - '0') * 10 + (text[from + 2] - '0'));
}

}  // namespace

CTM_telegramFraming::CTM_telegramFraming(bool noTerminator) : noTerminator_(noTerminator) {
  header_.reserve(16);
  body_.reserve(1000);
  trailer_.reserve(2);
  text_.reserve(1024);
}

bool CTM_telegramFraming::m_read(c_byteSource& source, std::unique_ptr<CTM_message>& out) {
  out.reset();
  header_.clear();
  body_.clear();
  trailer_.clear();

  const std::int64_t headerDeadline = c_clock::m_monotonicMilliseconds() + headerTimeoutMs;
  if (source.m_readExact(header_, shortHeaderLength, headerDeadline) != static_cast<int>(shortHeaderLength))
    return false;
  // Body and trailer share one deadline, so that a trickling peer cannot hold the link.
  const std::int64_t deadline = c_clock::m_monotonicMilliseconds() + telegramTimeoutMs;

  std::string category;
  std::size_t lengthAt;
  if (isDigit(header_[2]) && digitsAt(header_, 8)) {
    category = header_.substr(0, 2);
    lengthAt = 8;
  } else if (isUpper(header_[2]) && digitsAt(header_, 10)) {
    category = header_.substr(0, 4);
    lengthAt = 10;
    std::string rest;
    if (source.m_readExact(rest, longHeaderLength - shortHeaderLength, deadline) !=
        static_cast<int>(longHeaderLength - shortHeaderLength))
      return false;
    header_ += rest;
  } else {
    CTM_logging::m_log(1, ev::TCP_BAD_HEADER, "s", header_);
    return false;
  }

  const std::size_t dataLength = numberAt(header_, lengthAt);
  if (dataLength > 0 && source.m_readExact(body_, dataLength, deadline) != static_cast<int>(dataLength)) {
    CTM_logging::m_logTelegramText(true, "UNK", header_);
    return false;
  }
  if (noTerminator_) {
    trailer_.push_back('\n');
  } else {
    if (source.m_readExact(trailer_, 1, deadline) != 1) {
      CTM_logging::m_logTelegramText(true, "UNK", header_ + body_);
      return false;
    }
    if (trailer_ != "\n") {
      CTM_logging::m_logTelegramText(true, "UNK", header_ + body_ + trailer_);
      CTM_logging::m_log(1, ev::TCP_BAD_TRAILER, "s", trailer_);
      return false;
    }
  }

  text_.assign(header_).append(body_).append(trailer_);
  out = CTM_message::m_new(text_);
  // The line feed is shown as a visible \n in the logs.
  text_.pop_back();
  if (!noTerminator_) text_ += "\\n";
  CTM_logging::m_logTelegramText(true, category, text_);
  CTM_logging::m_log(3, ev::TELEGRAM_READ, "s", category + out->m_getTypeId());
  if (!out->m_isValid()) CTM_logging::m_log(1, ev::TELEGRAM_INVALID, "s", text_);
  CTM_logging::m_logTelegram(out.get());
  return true;
}
