#pragma once
// c_neighbourPlant: two neighbouring TMs of the neighbour-link tests in one model,
// built with the running node kinds. TM31's segment K3101 feeds TM32's entry
// segment E3201 over two logical connections ("K31013201": C0001 -> E0001 and
// C0002 -> E0003); TM30's J3001 feeds E0002 and the segment X3201 of TM32, which
// comes before E3201 in TM32's child order and shares its name characters 1-4.
// Only E3201 tracks (m_startEntry); the files it needs are c_lhtcPlant's.

#include <memory>
#include <string>
#include <vector>

#include "tests/tm/lhtc_plant.h"

class c_neighbourPlant : public c_plantModel {
 public:
  static constexpr const char* connectId = "K31013201";
  static constexpr const char* firstEntry = "E3201_0100-E0001";   // from K3101_0200-C0001
  static constexpr const char* tm30Entry = "E3201_0100-E0002";    // from J3001_0200-C0001
  static constexpr const char* secondEntry = "E3201_0100-E0003";  // from K3101_0200-C0002

  c_neighbourPlant() {
    CTM_default_transSpec::m_resetForTest();
    tm31_ = m_add(std::make_unique<CTM_runningTm>("TM31"));
    tm32_ = m_add(std::make_unique<CTM_runningTm>("TM32"));
    m_add(std::make_unique<CTM_tm>("TM30"));
    upstream_ = m_add(std::make_unique<CTM_runningLs>("K3101"));
    m_add(std::make_unique<CTM_runningLs>("X3201"));
    entry_ = m_add(std::make_unique<CTM_runningLs>("E3201"));
    m_add(std::make_unique<CTM_runningTc>("TC3201"));
    m_chain({"TM31", "K3101", "TC3101", "K3101_0200"}, {"K3101_0200-C0001", "K3101_0200-C0002"});
    m_chain({"TM32", "X3201", "TC3299", "X3201_0100"}, {"X3201_0100-E0001"});
    m_chain({"TM32", "E3201", "TC3201", "E3201_0100"}, {firstEntry, tm30Entry, secondEntry});
    m_chain({"TM30", "J3001", "TC3001", "J3001_0200"}, {"J3001_0200-C0001"});
    m_link("K3101_0200-C0001", firstEntry);
    m_link("K3101_0200-C0002", secondEntry);
    m_link("J3001_0200-C0001", tm30Entry);
    m_link("J3001_0200-C0001", "X3201_0100-E0001");
    // What the topology file derives for the ancestors of linked tracking points.
    for (auto [from, to] : std::vector<std::pair<const char*, const char*>>{
             {"K3101", "E3201"}, {"J3001", "E3201"}, {"J3001", "X3201"}, {"TM31", "TM32"}, {"TM30", "TM32"}})
      world_.m_insertEdge(from, to, 0);
  }
  ~c_neighbourPlant() {
    entry_->m_stop();
    CTM_default_transSpec::m_resetForTest();
  }
  c_neighbourPlant(const c_neighbourPlant&) = delete;
  c_neighbourPlant& operator=(const c_neighbourPlant&) = delete;

  // E3201 with its collection and transport.
  bool m_startEntry() { return entry_->m_init("NNNNNYN", false); }

  CTM_runningTm* m_tm31() const { return tm31_; }
  CTM_runningTm* m_tm32() const { return tm32_; }
  CTM_runningLs* m_upstream() const { return upstream_; }
  CTM_runningLs* m_entry() const { return entry_; }

 private:
  void m_link(const std::string& from, const std::string& to) { world_.m_insertEdge(from, to, 25); }

  CTM_runningTm* tm31_ = nullptr;
  CTM_runningTm* tm32_ = nullptr;
  CTM_runningLs* upstream_ = nullptr;
  CTM_runningLs* entry_ = nullptr;
};
