#pragma once
// CTM_file_populator: fills the topology model from the installation's topology
// file, $TM_HOME/run/cfg/topology.xml. The file is untrusted input: every fault in
// it is an event and a false result, never a crash.
//
// Threads: one thread at a time per process (the XML parser's start-up and shut-down
// are process-wide and not thread-safe).

#include <string>

#include "topology/ctm_populator.h"

class CTM_nodeFactory;

class CTM_file_populator : public CTM_populator {
 public:
  // The factory outlives the populator.
  explicit CTM_file_populator(CTM_nodeFactory& factory);
  // Shuts the XML parser down again when populate started it.
  ~CTM_file_populator() override;
  CTM_file_populator(const CTM_file_populator&) = delete;
  CTM_file_populator& operator=(const CTM_file_populator&) = delete;

  // Finds the topology file under TM_HOME; false (with an event) when TM_HOME is
  // unset or empty, or the file is not a readable regular file.
  bool m_init();
  bool populate(CTM_world& world) override;
  // Reads the file with the same parser settings and a handler that does nothing:
  // the parser's own share of populate.
  bool m_parseWithoutModel();

  const std::string& m_getFileName() const { return fileName_; }

 private:
  bool m_startParser();

  CTM_nodeFactory& factory_;
  std::string fileName_;
  bool parserStarted_ = false;
};
