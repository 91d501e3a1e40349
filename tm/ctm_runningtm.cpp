#include "tm/ctm_runningtm.h"

#include <chrono>
#include <thread>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "links/c_tcplistener.h"
#include "links/ctm_lh.h"
#include "platform/c_appendfileset.h"
#include "platform/c_socket.h"
#include "tm/ctm_lhdstm.h"
#include "tm/ctm_lhim.h"
#include "tm/ctm_lhlpcs.h"
#include "tm/ctm_lhoc.h"
#include "tm/ctm_lhustm.h"
#include "tm/ctm_tclistener.h"
#include "tm/ctm_ustmlistener.h"
#include "topology/ctm_ls.h"

CTM_runningTm::CTM_runningTm(std::string id, std::string address)
    : CTM_tm(std::move(id), std::move(address)), generatedIds_(m_getId(), [this] { return m_segmentIds(); }) {
  m_setImReporter(this);
}

std::vector<std::string> CTM_runningTm::m_segmentIds() const {
  std::vector<std::string> ids;
  for (std::size_t i = 0; const CTM_ls* segment = m_getChild(i); ++i) ids.push_back(segment->m_getId());
  return ids;
}

CTM_runningTm::~CTM_runningTm() {
  m_setImReporter(nullptr);
  ++stopsUnderWay_;
  c_mutexGuard lock(startStopMutex_);
  // No hand-over may start while the line handlers go.
  tmListener_.reset();
  tcListener_.reset();
  m_placeImLineHandler(nullptr);
  m_place(&CTM_runningTm::ocLineHandler_, nullptr);
  m_place(&CTM_runningTm::lpcsLineHandler_, nullptr);
  m_place(&CTM_runningTm::ustmLineHandlers_, {});
  m_place(&CTM_runningTm::dstmLineHandlers_, {});
  m_stopSpareInodes();
}

// ---- start and stop ------------------------------------------------------------

bool CTM_runningTm::m_init(const std::string& mask, bool flag) {
  if (!m_lockForInit()) {
    CTM_logging::m_log(1, ev::TM_PART_FAILED, "ss", "Transport manager", m_getId());
    return false;
  }
  c_mutexGuard lock(startStopMutex_, std::adopt_lock);
  return m_initLocked(mask, flag);
}

bool CTM_runningTm::m_lockForInit() {
  if (!CTM_lhim::m_isImThread()) {
    startStopMutex_.lock();
    return true;
  }
  // IM's thread never blocks on the lock: a stop that holds it joins this thread.
  while (!startStopMutex_.try_lock()) {
    if (stopsUnderWay_ > 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (stopsUnderWay_ == 0) return true;
  startStopMutex_.unlock();
  return false;
}

bool CTM_runningTm::m_initLocked(const std::string& mask, bool flag) {
  initFailure_.clear();
  // Before any part is touched: a TM whose listeners and links cannot all get a
  // descriptor would report that it runs and serve no one.
  if (!m_hasDescriptorsFor(mask, flag)) return false;
  // A bag's trace file is made before its answer goes out: from an inode
  // allocated ahead, it costs a link instead of an allocation.
  if (!sparesStarted_) {
    c_appendFileSet::m_shared().m_startSpareInodes();
    sparesStarted_ = true;
  }
  // In this order, the first step that fails ending the start. IM comes last,
  // so that its new line handler is in place before the old one goes.
  using c_step = bool (CTM_runningTm::*)(const std::string&, bool);
  for (c_step step : {&CTM_runningTm::m_initSegments, &CTM_runningTm::m_initOc, &CTM_runningTm::m_initLpcs,
                      &CTM_runningTm::m_initUpstream, &CTM_runningTm::m_initDownstream,
                      &CTM_runningTm::m_initTcListener, &CTM_runningTm::m_initTmListener, &CTM_runningTm::m_initIm})
    if (!(this->*step)(mask, flag)) return false;
  return true;
}

std::string CTM_runningTm::m_getInitFailure() const {
  c_mutexGuard lock(startStopMutex_);
  return initFailure_;
}

bool CTM_runningTm::m_fail(std::string failure) {
  initFailure_ = std::move(failure);
  return false;
}

bool CTM_runningTm::m_readKey(const std::string& part, const char* key, std::string& value) {
  return CTM_config::m_getString(key, value) || m_fail(part + ": the parameter " + key + " cannot be read");
}

bool CTM_runningTm::m_readKey(const std::string& part, const char* key, int& value) {
  return CTM_config::m_getInteger(key, value) || m_fail(part + ": the parameter " + key + " cannot be read");
}

void CTM_runningTm::m_stop() {
  ++stopsUnderWay_;
  {
    c_mutexGuard lock(startStopMutex_);
    m_stopLocked();
  }
  --stopsUnderWay_;
}

void CTM_runningTm::m_stopLocked() {
  tmListener_.reset();
  tcListener_.reset();
  m_place(&CTM_runningTm::ustmLineHandlers_, {});
  m_place(&CTM_runningTm::dstmLineHandlers_, {});
  m_place(&CTM_runningTm::lpcsLineHandler_, nullptr);
  m_place(&CTM_runningTm::ocLineHandler_, nullptr);
  for (std::size_t i = 0; i < m_getChildCount(); ++i)
    if (CTM_ls* segment = m_getChild(i)) segment->m_stop();
  m_placeImLineHandler(nullptr);
  m_stopSpareInodes();
}

void CTM_runningTm::m_stopSpareInodes() {
  if (!sparesStarted_) return;
  c_appendFileSet::m_shared().m_stopSpareInodes();
  sparesStarted_ = false;
}

bool CTM_runningTm::m_initSegments(const std::string& mask, bool flag) {
  for (std::size_t i = 0; i < m_getChildCount(); ++i) {
    CTM_ls* segment = m_getChild(i);
    if (segment == nullptr) continue;
    if (!segment->m_init(mask, flag)) {
      CTM_logging::m_log(1, ev::TM_PART_FAILED, "ss", "Logical segment", segment->m_getId());
      return m_fail("the logical segment " + segment->m_getId() + " cannot start");
    }
    CTM_logging::m_log(3, ev::TM_PART_STARTED, "ss", "Logical segment", segment->m_getId());
  }
  return true;
}

namespace {

// Where a listener listens, as a person reads it.
std::string endpointText(const std::string& address, int port) {
  return (address.empty() ? std::string("every local address") : address) + ":" + std::to_string(port);
}

// Why a listener could not open: the address that does not resolve or cannot be
// bound, or the socket call that failed.
std::string openFailureText(const c_tcpListener& listener, const std::string& address, int port) {
  const c_socketFailure& failure = listener.m_getOpenFailure();
  const std::string call = failure.call;
  const std::string reason = c_socketFailureText(failure);
  if (call == "getaddrinfo()" || call == "bind()") return "cannot bind " + endpointText(address, port) + ": " + reason;
  return "cannot listen on " + endpointText(address, port) + ": " + call + ": " + reason;
}

}  // namespace

// A listener step: the old listener goes first (the new one binds the same
// port), then the new one opens on the port key and this TM's address; it
// accepts only when enabled.
template <class Listener, class Make>
bool CTM_runningTm::m_openListener(std::unique_ptr<Listener>& slot, Make make, const std::string& part,
                                   const char* portKey, bool enabled) {
  slot.reset();
  auto listener = make();
  int port = 0;
  if (!m_readKey(part, portKey, port)) return false;
  if (!listener->m_open(port, m_getAddress()))
    return m_fail(part + " " + openFailureText(*listener, m_getAddress(), port));
  slot = std::move(listener);
  return !enabled || slot->m_start() || m_fail(part + " cannot start its accept thread");
}

bool CTM_runningTm::m_initOc(const std::string& mask, bool flag) {
  if (flag && !m_isEnabled(mask, maskOc)) return true;
  std::string host1;
  std::string host2;
  int port1 = 0;
  int port2 = 0;
  const std::string part = "the OC link";
  if (!m_readKey(part, "OC__Hostname1", host1) || !m_readKey(part, "OC__Port1", port1) ||
      !m_readKey(part, "OC__Hostname2", host2) || !m_readKey(part, "OC__Port2", port2))
    return false;
  // Placing retires the present handler; the new one starts only once it is the one published.
  auto lineHandler = std::make_shared<CTM_lhoc>(this, host1, port1, host2, port2);
  m_placeOcLineHandler(lineHandler);
  return !m_isEnabled(mask, maskOc) || lineHandler->m_start() || m_fail(part + " cannot start its thread");
}

bool CTM_runningTm::m_initLpcs(const std::string& mask, bool flag) {
  if (flag && !m_isEnabled(mask, maskLpcs)) return true;
  std::string host;
  int port = 0;
  const std::string part = "the LPCS link";
  if (!m_readKey(part, "LPCS__Hostname", host) || !m_readKey(part, "LPCS__Port", port)) return false;
  auto lineHandler = std::make_shared<CTM_lhlpcs>(this, host, port);
  m_placeLpcsLineHandler(lineHandler);
  return !m_isEnabled(mask, maskLpcs) || lineHandler->m_start() || m_fail(part + " cannot start its thread");
}

bool CTM_runningTm::m_initUpstream(const std::string& mask, bool flag) {
  if (flag && !m_isEnabled(mask, maskUstm)) return true;
  // None starts here: each starts when the TM listener hands it its upstream TM's connection.
  c_peerLineHandlers lineHandlers;
  for (std::size_t i = 0; i < m_getPredecessorCount(); ++i) {
    const std::string& upstreamId = m_getPredecessor(i)->m_getId();
    lineHandlers.emplace_back(upstreamId, std::make_shared<CTM_lhustm>(this, upstreamId));
  }
  m_placeUstmLineHandlers(std::move(lineHandlers));
  return true;
}

bool CTM_runningTm::m_initDownstream(const std::string& mask, bool flag) {
  const bool enabled = m_isEnabled(mask, maskDstm);
  if (flag && !enabled) return true;
  m_placeDstmLineHandlers({});
  c_peerLineHandlers lineHandlers;
  bool built = true;
  for (std::size_t i = 0; i < m_getSuccessorCount(); ++i) {
    int port = 0;
    const auto* downstream = dynamic_cast<const CTM_tm*>(m_getSuccessor(i));
    const std::string part = "the link to the downstream TM " + m_getSuccessor(i)->m_getId();
    if (downstream == nullptr || !m_readKey(part, "TM__Port", port)) {
      if (downstream == nullptr) m_fail(part + ": it is not a TM");
      built = false;
      break;
    }
    auto lineHandler =
        std::make_shared<CTM_lhdstm>(this, downstream->m_getId(), downstream->m_getAddress(), port);
    if (enabled && !lineHandler->m_start()) {
      m_fail(part + " cannot start its thread");
      built = false;
      break;
    }
    lineHandlers.emplace_back(downstream->m_getId(), std::move(lineHandler));
  }
  // The handlers built so far stay, also when a later one fails.
  m_placeDstmLineHandlers(std::move(lineHandlers));
  return built;
}

bool CTM_runningTm::m_initTcListener(const std::string& mask, bool flag) {
  const bool enabled = m_isEnabled(mask, maskTc);
  if (flag && !enabled) return true;
  return m_openListener(tcListener_, [this] { return std::make_unique<CTM_tcListener>(this); }, "the TC listener",
                        "TC__Port", enabled);
}

bool CTM_runningTm::m_initTmListener(const std::string& mask, bool flag) {
  const bool enabled = m_isEnabled(mask, maskUstm);
  if (flag && !enabled) return true;
  return m_openListener(tmListener_, [this] { return std::make_unique<CTM_ustmListener>(this); }, "the TM listener",
                        "TM__Port", enabled);
}

bool CTM_runningTm::m_initIm(const std::string& mask, bool flag) {
  const bool enabled = m_isEnabled(mask, maskIm);
  if (flag && !enabled) return true;
  std::string host1;
  std::string host2;
  int port1 = 0;
  int port2 = 0;
  const std::string part = "the IM link";
  if (!m_readKey(part, "IM__Hostname1", host1) || !m_readKey(part, "IM__Port1", port1) ||
      !m_readKey(part, "IM__Hostname2", host2) || !m_readKey(part, "IM__Port2", port2))
    return false;
  // The new handler is in place, with the reports queued on the previous one,
  // and started before the previous one is retired; the step is done even when
  // its thread does not start.
  auto next = std::make_shared<CTM_lhim>(this, host1, port1, host2, port2);
  std::shared_ptr<CTM_lh> previous = m_publishImLineHandler(next);
  next->m_takeOver(previous);
  if (enabled) next->m_start();
  if (CTM_lhim::m_isImThread()) {
    // A restart that IM asked for runs on an IM handler's thread, which must not
    // wait for one: the new handler's reaper retires the previous one.
    next->m_reap(previous);
  } else {
    m_retire(previous);
    next->m_takeOver(previous);
  }
  return true;
}

// ---- publication ---------------------------------------------------------------

std::shared_ptr<CTM_lh> CTM_runningTm::m_getOcLineHandler() const {
  c_mutexGuard lock(publicationMutex_);
  return ocLineHandler_;
}

std::shared_ptr<CTM_lh> CTM_runningTm::m_getLpcsLineHandler() const {
  c_mutexGuard lock(publicationMutex_);
  return lpcsLineHandler_;
}

std::shared_ptr<CTM_lh> CTM_runningTm::m_getImLineHandler() const {
  c_mutexGuard lock(publicationMutex_);
  return imLineHandler_;
}

std::vector<std::shared_ptr<CTM_lh>> CTM_runningTm::m_getDstmLineHandlers() const {
  std::vector<std::shared_ptr<CTM_lh>> lineHandlers;
  c_mutexGuard lock(publicationMutex_);
  lineHandlers.reserve(dstmLineHandlers_.size());
  for (const auto& entry : dstmLineHandlers_) lineHandlers.push_back(entry.second);
  return lineHandlers;
}

std::shared_ptr<CTM_lh> CTM_runningTm::m_findDstmLineHandler(const std::string& tmId) const {
  c_mutexGuard lock(publicationMutex_);
  return m_findIn(dstmLineHandlers_, tmId);
}

std::shared_ptr<CTM_lh> CTM_runningTm::m_findUstmLh(const std::string& tmId) const {
  c_mutexGuard lock(publicationMutex_);
  return m_findIn(ustmLineHandlers_, tmId);
}

std::shared_ptr<CTM_lh> CTM_runningTm::m_findIn(const c_peerLineHandlers& lineHandlers, const std::string& tmId) {
  for (const auto& [peer, lineHandler] : lineHandlers)
    if (peer == tmId) return lineHandler;
  return nullptr;
}

bool CTM_runningTm::m_findIn(const c_peerLineHandlers& lineHandlers, const CTM_lh* wanted) {
  for (const auto& entry : lineHandlers)
    if (entry.second.get() == wanted) return true;
  return false;
}

void CTM_runningTm::m_placeOcLineHandler(std::shared_ptr<CTM_lh> lineHandler) {
  m_place(&CTM_runningTm::ocLineHandler_, std::move(lineHandler));
}

void CTM_runningTm::m_placeLpcsLineHandler(std::shared_ptr<CTM_lh> lineHandler) {
  m_place(&CTM_runningTm::lpcsLineHandler_, std::move(lineHandler));
}

void CTM_runningTm::m_placeImLineHandler(std::shared_ptr<CTM_lh> lineHandler) {
  CTM_lh* const next = lineHandler.get();
  std::shared_ptr<CTM_lh> previous = m_publishImLineHandler(std::move(lineHandler));
  if (previous.get() != next) m_retire(previous);
}

std::shared_ptr<CTM_lh> CTM_runningTm::m_publishImLineHandler(std::shared_ptr<CTM_lh> lineHandler) {
  m_adopt(lineHandler.get());
  c_mutexGuard lock(publicationMutex_);
  // The route holds its own lock while it queues a report: once the target is
  // changed, no report reaches the previous handler any more.
  textRoute_.m_setTarget(lineHandler.get());
  return std::exchange(imLineHandler_, std::move(lineHandler));
}

void CTM_runningTm::m_placeDstmLineHandlers(c_peerLineHandlers lineHandlers) {
  m_place(&CTM_runningTm::dstmLineHandlers_, std::move(lineHandlers));
}

void CTM_runningTm::m_placeUstmLineHandlers(c_peerLineHandlers lineHandlers) {
  m_place(&CTM_runningTm::ustmLineHandlers_, std::move(lineHandlers));
}

void CTM_runningTm::m_place(std::shared_ptr<CTM_lh> CTM_runningTm::*slot, std::shared_ptr<CTM_lh> lineHandler) {
  m_adopt(lineHandler.get());
  CTM_lh* const next = lineHandler.get();
  std::shared_ptr<CTM_lh> previous;
  {
    c_mutexGuard lock(publicationMutex_);
    previous = std::exchange(this->*slot, std::move(lineHandler));
  }
  if (previous.get() != next) m_retire(previous);
}

void CTM_runningTm::m_place(c_peerLineHandlers CTM_runningTm::*list, c_peerLineHandlers lineHandlers) {
  for (const auto& entry : lineHandlers) m_adopt(entry.second.get());
  c_peerLineHandlers previous;
  {
    c_mutexGuard lock(publicationMutex_);
    previous = std::exchange(this->*list, lineHandlers);
  }
  // A handler that stays in the list is not retired.
  for (const auto& entry : previous)
    if (!m_findIn(lineHandlers, entry.second.get())) m_retire(entry.second);
}

const c_tcpListener* CTM_runningTm::m_getTcListener() const {
  c_mutexGuard lock(startStopMutex_);
  return tcListener_.get();
}

const c_tcpListener* CTM_runningTm::m_getTmListener() const {
  c_mutexGuard lock(startStopMutex_);
  return tmListener_.get();
}

void CTM_runningTm::m_adopt(CTM_lh* lineHandler) {
  if (lineHandler != nullptr) lineHandler->m_setTextReportRoute(&textRoute_);
}

void CTM_runningTm::m_retire(const std::shared_ptr<CTM_lh>& lineHandler) {
  // A thread that still holds a snapshot keeps the object; it finds it stopped.
  if (lineHandler) lineHandler->m_shutdown();
}

bool CTM_runningTm::m_reportText(const std::string& source, unsigned short level, const std::string& text) {
  return textRoute_.m_sendReport(source, level, text);
}
