#pragma once
// CTM_lh: base of every line handler, the object that owns one external link of
// the TM (to a transport controller, MC, IM, OC, LPCS or a neighbouring TM). It
// runs one thread for the link and turns everything that happens on it into one
// event at a time: a telegram has arrived, a telegram waits in the out-queue, one
// of four timers has run out. It numbers the telegrams it sends, reports the
// link's up/down state to the configuration and the event log, and offers the
// rest of the TM one way in: m_send, which queues a telegram for the link. The
// connection roles decide how the link is brought up; each interface says what
// its telegrams mean.
//
// Threads: the handler's own thread runs m_run and everything it calls (connect,
// read, send, timers). The connection's receiver thread calls only m_signal. Any
// thread may call m_send, m_sendText and the status getters (statusMutex_ guards
// interfaceStatus_ and statusTime_; lock order: status mutex, then configuration
// and logging). m_start and m_shutdown belong to the owner (and, for a server,
// the listener's accept thread), never to the handler's own thread.
//
// Stopping: m_shutdown sets the stop flag and the stop event, which every wait of
// the handler's thread and of its connections watches, shuts the sockets down and
// joins the thread, then disconnects (ending the connections' receivers); no lock
// is held while joining. The owner calls it before deleting the handler (or the
// most-derived destructor does, first thing), while the interface's own members
// still exist.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/c_syncObject.h"
#include "core/ctm_config.h"
#include "links/ctm_connectionowner.h"
#include "links/ctm_queue.h"

class CTM_connection;
class CTM_message;
class CTM_textReportRoute;

class CTM_lh : public CTM_connectionOwner {
 public:
  // What m_waitForEvent gives. When several are ready, a stop comes first, then a
  // received telegram, a queued one and the timers in their order.
  static constexpr int eventNone = -1;  // nothing was ready within the time-out
  static constexpr int eventFailed = 0;
  static constexpr int eventReceived = 1;
  static constexpr int eventQueued = 2;
  static constexpr int eventTimer1 = 3;  // .. eventTimer1 + 3 for timer 4
  static constexpr int eventStop = 7;

  static constexpr int statusDown = 0;
  static constexpr int statusUp = 1;
  static constexpr int timerCount = 4;

  CTM_lh();
  // Ends the thread when the owner has not done so (m_shutdown).
  virtual ~CTM_lh();
  CTM_lh(const CTM_lh&) = delete;
  CTM_lh& operator=(const CTM_lh&) = delete;

  // Starts the handler's thread: true when it runs. False when a thread still
  // runs, after m_shutdown, from the handler's own thread, or when the system
  // refuses a thread (event).
  bool m_start();
  // Ends the thread for good (see above); safe to call again. Never from the
  // handler's own thread.
  void m_shutdown();
  bool m_isRunning() const { return running_.load(); }
  // Telegrams waiting in the out-queue: how far the link lags behind the TM. Safe
  // from any thread.
  std::size_t m_getQueuedCount() const { return queue_.m_size(); }

  // Queues a telegram for the link, at the head when urgent. The handler takes it
  // in every case: a full queue refuses it with an event and it is deleted. True.
  bool m_send(std::unique_ptr<CTM_message> telegram, bool urgent = false);
  // A free-text exception report (printf rules, at most 99 characters) as a BCIM21
  // on the IM line handler, through this handler's text-report route; false when
  // the route has no target (the report is released).
  bool m_sendText(const std::string& equipmentCode, int level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // Another route than the process route (null: the process route again).
  void m_setTextReportRoute(CTM_textReportRoute* route);

  // 0 down, 1 up, and when it last was set (UTC seconds).
  int m_getInterfaceStatus() const;
  void m_getInterfaceStatus(int& status, std::int64_t& utcSeconds) const;

  const std::string& m_getInterfaceName() const override { return interfaceName_; }
  const std::string& m_getOwnName() const { return ownName_; }

  // CTM_connectionOwner: the receiver thread wakes the handler once per arrival.
  bool m_signal() override;
  void m_takeSignal() override { m_clearWakeUp(); }
  c_waitable* m_getStopEvent() override { return stop_.m_getHandle(); }

 protected:
  // Called once the link is up: reads the interface's parameters, arms its
  // timers, sends its opening telegrams.
  virtual bool m_initInterface() = 0;
  // Brings the link up and receives the first telegram.
  virtual bool m_connect() = 0;
  // The thread body.
  virtual void m_run() = 0;
  // Called when the event loop has ended.
  virtual bool m_cleanupInterface() = 0;
  // Status 0, timers cancelled, the connection in use stopped (kept: a client
  // connects it again, a server replaces it at the next hand-over).
  virtual bool m_disconnect();
  // The peer's keep-alive telegram arrived.
  virtual bool m_onKeepAlive() = 0;
  // A connection whose status is 3 (data has arrived).
  virtual bool m_isConnected();
  // Reads and dispatches one telegram.
  virtual bool m_receiveTelegram();
  virtual bool m_onTimer1() { return true; }
  virtual bool m_onTimer2() { return true; }
  virtual bool m_onTimer3() { return true; }
  virtual bool m_onTimer4() { return true; }
  // The interface's processor, for received telegrams (not the keep-alive) and for
  // those taken from the out-queue alike. Base: an unexpected id (event); true.
  virtual bool m_processTelegram(CTM_message* telegram);
  // Shuts down the sockets of the connections, so that a blocked call returns;
  // from the stopping thread while the handler's thread may still run.
  virtual void m_shutdownSockets();

  // Writes a telegram on the link at once, from the handler's thread. Sequence -1
  // takes the next number of the counter (1 .. 99, then 1 again; it advances also
  // without a connection); any other is written as given (0 keep-alive, the
  // received number for an answer). The own sub id is written too. The telegram
  // stays the caller's.
  bool m_transmit(CTM_message* telegram, int sequence);
  // Sets the interface status; a change writes the alarm flag "Interface" + name +
  // suffix + "_Status" (true while down) and logs the change.
  void m_setInterfaceStatus(int status);
  // One multiple wait over the stop event, the wake-up semaphore, the out-queue and
  // the four timers: the event* value of the first ready one, waiting at most
  // timeoutMs (negative: for ever).
  int m_waitForEvent(int timeoutMs = -1);
  // Takes one telegram from the out-queue and processes it; a telegram that fails
  // goes back to the head of the queue and the link is dropped (false).
  bool m_sendQueued();
  // One life of the link: connect and set the interface up, the event loop (one
  // event at a time while connected and not stopping), clean-up and disconnect.
  void m_runPass();
  // Waits for the wake-up semaphore or the stop event at most timeoutMs
  // (negative: for ever): true when woken by data.
  bool m_waitForWakeUp(int timeoutMs);
  // Sleeps timeoutMs: true when the stop event ended the sleep.
  bool m_sleepOrStop(int timeoutMs) { return stop_.m_sleep(timeoutMs); }
  // Takes a wake-up left over from an earlier link.
  void m_clearWakeUp();
  void m_cancelTimers();
  bool m_stopRequested() const { return stopRequested_.load(); }
  // Whether the id is one that the TM itself sends on this link.
  bool m_isOwnTelegramId(const std::string& id) const;

  // The server role's hand-over, from another thread: m_beginHandOver ends the
  // running thread (false after m_shutdown or from the handler's own thread);
  // m_endHandOver starts the next one. A shutdown meanwhile waits for the end.
  bool m_beginHandOver();
  bool m_endHandOver();
  // Whether the pass that is ending ends for a hand-over (not for a shutdown).
  bool m_isHandingOver();

  // Set by the interface constructor.
  std::string interfaceName_;                // "TC", "MC", ...
  std::string ownName_;                      // the peer's node id, or empty
  std::string expectedKeepAliveId_;          // "TCTM00", ...
  std::unique_ptr<CTM_message> keepAlive_;   // the own keep-alive, sent with sequence 0
  std::string ownSubId_;
  std::string expectedSubId_;
  std::vector<std::string> ownTelegramIds_;  // ids the TM sends on this link; received, they are dropped
  int keepAliveInterval_ = 30;               // seconds

  // The connection in use: owned by ownedConnection_, or by a role that keeps
  // two. Touched only by the handler's thread, and by others while none runs.
  CTM_connection* connection_ = nullptr;
  std::unique_ptr<CTM_connection> ownedConnection_;

  c_waitableTimer timers_[timerCount] = {c_waitableTimer(false), c_waitableTimer(false), c_waitableTimer(false),
                                         c_waitableTimer(false)};
  c_semaphore wakeUp_{0, 1};
  CTM_queue queue_;

 private:
  void m_threadProcedure();
  // Shuts the sockets down and joins the thread taken out of thread_; the caller
  // has set the stop event and holds no lock.
  void m_stopThread(std::thread running);
  bool m_isOwnThreadLocked() const TM_REQUIRES(controlMutex_);

  c_event stop_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> running_{false};

  // controlMutex_ is never held while a thread is joined (a shutdown waits on
  // handOverDone_ instead).
  c_annotatedMutex controlMutex_;
  std::condition_variable_any handOverDone_;  // waited on with controlMutex_ held by a c_mutexGuard
  std::thread thread_ TM_GUARDED_BY(controlMutex_);
  bool shutDown_ TM_GUARDED_BY(controlMutex_) = false;
  bool handOverBusy_ TM_GUARDED_BY(controlMutex_) = false;

  mutable c_mutex statusMutex_ TM_ACQUIRED_BEFORE(CTM_config::m_getMutex());
  int interfaceStatus_ TM_GUARDED_BY(statusMutex_) = statusDown;
  std::int64_t statusTime_ TM_GUARDED_BY(statusMutex_) = 0;
  std::uint16_t sequence_ = 0;        // the handler's thread only
  std::atomic<CTM_textReportRoute*> textRoute_;
};
