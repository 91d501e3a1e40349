#pragma once
// c_lhtcPlant: the small plant of the TC line-handler tests, built with the
// running node kinds. TM32 holds the entry segment E3201, whose controller TC3201
// (sub id "32") drives one technical segment with two entries and an exit towards
// the screening segment X3202. The entries are fed from TM31 and TM30. TM32 has a
// successor TM, so a TCTM01 is answered with TMTC01, unless the plant is built as
// a screening TM (no successor edges: TMTC02 answers). The default
// transport specification sends every item of E3201 towards X3202.
//
// The installation (TM_HOME) and the configuration are the test's; m_writeFiles
// lays down what the plant needs before the configuration starts. The default
// transport specifications are read anew for each plant.

#include <memory>
#include <string>
#include <vector>

#include "tests/support/c_temphome.h"
#include "tests/support/ctm_runningplant.h"
#include "tm/ctm_lhtc.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_runningtc.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_default_transspec.h"

// The model of a handler test plant, built node by node: the running kinds where
// the plant adds them itself, plain ones for the rest.
class c_plantModel {
 public:
  CTM_node* m_node(const std::string& id) const { return world_.m_findNode(id); }

 protected:
  template <class T>
  T* m_add(std::unique_ptr<T> node) {
    T* raw = node.get();
    world_.m_insertNode(std::move(node));
    return raw;
  }
  // TM, segment, controller, technical segment: each the child of the one before
  // it (plain kinds where none exists yet); the points become children of the last.
  void m_chain(const std::vector<std::string>& ids, const std::vector<std::string>& points = {}) {
    for (std::size_t i = 1; i < ids.size(); ++i) {
      if (world_.m_findNode(ids[i]) == nullptr) {
        switch (i) {
          case 1: m_add(std::make_unique<CTM_ls>(ids[i])); break;
          case 2: m_add(std::make_unique<CTM_tc>(ids[i])); break;
          default: m_add(std::make_unique<CTM_ts>(ids[i])); break;
        }
      }
      world_.m_insertEdge(ids[i - 1], ids[i], 0);
    }
    for (const std::string& point : points) {
      m_add(std::make_unique<CTM_tp>(point));
      world_.m_insertEdge(ids.back(), point, 0);
    }
  }

  CTM_world world_;
};

class c_lhtcPlant : public c_plantModel {
 public:
  static constexpr const char* entry = "E3201_0100-E0001";      // fed from TM31
  static constexpr const char* otherEntry = "E3201_0100-E0002"; // fed from TM30
  static constexpr const char* exit = "E3201_0100-P0002";
  static constexpr const char* technicalSegment = "E3201_0100";

  // The parameter files (the given lines added to the configuration file) and the
  // default transport specifications.
  static void m_writeFiles(const c_tempHome& home, const std::vector<std::string>& configLines) {
    home.m_writeConfig(configLines);
    home.m_writeSystem("TM32", {});
    c_runningPlant::m_writeDefaultTransSpecs(home, {{"E3201", "E32013202"}});
  }

  explicit c_lhtcPlant(bool screeningTm = false) {
    CTM_default_transSpec::m_resetForTest();
    tm_ = m_add(std::make_unique<CTM_runningTm>("TM32"));
    m_add(std::make_unique<CTM_tm>("TM33"));
    if (!screeningTm) world_.m_insertEdge(tm_, world_.m_findNode("TM33"), 0);
    segment_ = m_add(std::make_unique<CTM_runningLs>("E3201"));
    controller_ = m_add(std::make_unique<CTM_runningTc>("TC3201"));
    m_chain({"TM32", "E3201", "TC3201", technicalSegment}, {entry, otherEntry, exit});
    m_upstream("TM31", "K3101", entry);
    m_upstream("TM30", "J3001", otherEntry);
    world_.m_insertEdge(entry, exit, 4);
    world_.m_insertEdge(otherEntry, exit, 4);
    m_add(std::make_unique<CTM_runningLs>("X3202"));
    m_add(std::make_unique<CTM_runningTc>("TC3202"));
    m_chain({"TM32", "X3202", "TC3202", "X3202_0100"}, {"X3202_0100-P0001"});
    world_.m_insertEdge(exit, "X3202_0100-P0001", 8);
  }
  ~c_lhtcPlant() {
    m_stop();
    CTM_default_transSpec::m_resetForTest();
  }
  c_lhtcPlant(const c_lhtcPlant&) = delete;
  c_lhtcPlant& operator=(const c_lhtcPlant&) = delete;

  // The entry segment with its collection, transport and TC line handler.
  bool m_start() { return segment_->m_init("NNNNNYN", false); }
  // Takes the TC line handler down (its thread joined).
  void m_stop() { segment_->m_stop(); }

  CTM_runningTm* m_tm() const { return tm_; }
  CTM_runningLs* m_segment() const { return segment_; }
  CTM_runningTc* m_controller() const { return controller_; }

 private:
  // A TM of its own with one tracking point that feeds the point given.
  void m_upstream(const std::string& tmId, const std::string& lsId, const std::string& fed) {
    m_add(std::make_unique<CTM_tm>(tmId));
    const std::string controllerId = "TC" + lsId.substr(1, 4);
    const std::string technical = lsId + "_0200";
    m_chain({tmId, lsId, controllerId, technical}, {technical + "-C0001"});
    world_.m_insertEdge(technical + "-C0001", fed, 25);
  }

  CTM_runningTm* tm_ = nullptr;
  CTM_runningLs* segment_ = nullptr;
  CTM_runningTc* controller_ = nullptr;
};
