#include "links/ctm_textreportroute.h"

#include "links/ctm_lh.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_bcim_message.h"

CTM_textReportRoute& CTM_textReportRoute::m_processRoute() {
  static CTM_textReportRoute route;
  return route;
}

void CTM_textReportRoute::m_setTarget(CTM_lh* imLineHandler) {
  std::lock_guard<std::mutex> lock(mutex_);
  target_ = imLineHandler;
}

void CTM_textReportRoute::m_forget(const CTM_lh* lineHandler) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (target_ == lineHandler) target_ = nullptr;
}

bool CTM_textReportRoute::m_sendReport(const std::string& equipmentCode, int level, const std::string& description) {
  auto report = std::make_unique<CTM_bcim21_message>();
  report->m_setTimeStamp(c_clock::m_utcSeconds());
  report->m_setEquipmentCode(equipmentCode);
  report->m_setExceptionLevel(level);
  report->m_setExceptionDesc(description);
  std::lock_guard<std::mutex> lock(mutex_);
  if (target_ == nullptr) return false;
  return target_->m_send(std::move(report), false);
}
