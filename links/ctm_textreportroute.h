#pragma once
// CTM_textReportRoute: where the line handlers' free-text exception reports go.
// A report becomes a BCIM21 telegram queued on the target, the IM line handler of
// the running TM; the links layer knows nothing of the plant, so the TM that
// builds its IM line handler sets it here and clears it before destroying it.
// Each line handler reports through the process route unless its owner gives it
// another (one route per TM, when a process runs several).
//
// Threads: any thread may send a report and set the target; mutex_ guards
// target_ and is held while the report is queued, so that a target being cleared
// is never used afterwards. Lock order: this mutex, then the target's queue lock.

#include <memory>
#include <mutex>
#include <string>

class CTM_lh;

class CTM_textReportRoute {
 public:
  CTM_textReportRoute() = default;
  CTM_textReportRoute(const CTM_textReportRoute&) = delete;
  CTM_textReportRoute& operator=(const CTM_textReportRoute&) = delete;

  static CTM_textReportRoute& m_processRoute();

  // Null: reports are released until a target is set again.
  void m_setTarget(CTM_lh* imLineHandler);
  // Clears the target when it is that handler (a handler forgets itself when it goes).
  void m_forget(const CTM_lh* lineHandler);

  // Queues a BCIM21 (time stamp now, equipment code, level 1 to 4, description) on
  // the target: true; false when there is no target, and the report is released.
  bool m_sendReport(const std::string& equipmentCode, int level, const std::string& description);

 private:
  std::mutex mutex_;
  CTM_lh* target_ = nullptr;  // guarded by mutex_; not owned
};
