#include "tm/ctm_runningtc.h"

#include <utility>

#include "tm/ctm_lhtc.h"

namespace {

constexpr std::size_t tcPosition = 5;

// The model's view of the line handler: the node takes it down through this, while
// the running controller publishes the same handler to its users.
class c_publishedTcLink : public CTM_controllerLink {
 public:
  explicit c_publishedTcLink(std::shared_ptr<CTM_lhtc> lineHandler) : lineHandler_(std::move(lineHandler)) {}
  void m_shutdown() override { lineHandler_->m_shutdown(); }

 private:
  std::shared_ptr<CTM_lhtc> lineHandler_;
};

}  // namespace

CTM_runningTc::CTM_runningTc(std::string id, std::string address) : CTM_tc(std::move(id), std::move(address)) {}

CTM_runningTc::~CTM_runningTc() { m_placeTcLineHandler(nullptr); }

bool CTM_runningTc::m_init(const std::string& mask, bool flag) {
  const bool enabled = mask.size() > tcPosition && mask[tcPosition] == 'Y';
  if (flag && !enabled) return true;
  if (ownerSegment_ == nullptr) ownerSegment_ = m_getParent();
  CTM_node* tm = ownerSegment_ != nullptr ? ownerSegment_->m_getParent() : nullptr;
  m_placeTcLineHandler(std::make_shared<CTM_lhtc>(tm, this));
  return true;
}

void CTM_runningTc::m_stop() { m_placeTcLineHandler(nullptr); }

std::shared_ptr<CTM_lhtc> CTM_runningTc::m_getTcLineHandler() const {
  c_mutexGuard lock(publishMutex_);
  return published_;
}

void CTM_runningTc::m_placeTcLineHandler(std::shared_ptr<CTM_lhtc> lineHandler) {
  std::unique_ptr<CTM_controllerLink> link;
  if (lineHandler) link = std::make_unique<c_publishedTcLink>(lineHandler);
  {
    c_mutexGuard lock(publishMutex_);
    // The handler in place stays as it is: retiring it would shut down what is published.
    if (published_ == lineHandler) return;
    published_.swap(lineHandler);
  }
  // The model's link held the old handler too: it is shut down there, outside the lock.
  m_setLineHandler(std::move(link));
}
