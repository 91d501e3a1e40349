#pragma once
// CTM_nodeFactory: builds the nodes that the topology reader puts into the world,
// one operation per kind, so that a running TM can have its own TM, logical
// segment and transport controller nodes built in place of the plain ones.
// CTM_plainNodeFactory builds the model's plain nodes, which are all the views need.

#include <memory>
#include <string>

class CTM_tm;
class CTM_ls;
class CTM_tc;
class CTM_ts;
class CTM_tp;

class CTM_nodeFactory {
 public:
  virtual ~CTM_nodeFactory() = default;

  // Each returns a new node with that id, or null when it cannot build one (the
  // reader then refuses the file).
  virtual std::unique_ptr<CTM_tm> m_makeTm(std::string id) = 0;
  virtual std::unique_ptr<CTM_ls> m_makeLs(std::string id) = 0;
  virtual std::unique_ptr<CTM_tc> m_makeTc(std::string id) = 0;
  virtual std::unique_ptr<CTM_ts> m_makeTs(std::string id) = 0;
  virtual std::unique_ptr<CTM_tp> m_makeTp(std::string id) = 0;
};

class CTM_plainNodeFactory : public CTM_nodeFactory {
 public:
  std::unique_ptr<CTM_tm> m_makeTm(std::string id) override;
  std::unique_ptr<CTM_ls> m_makeLs(std::string id) override;
  std::unique_ptr<CTM_tc> m_makeTc(std::string id) override;
  std::unique_ptr<CTM_ts> m_makeTs(std::string id) override;
  std::unique_ptr<CTM_tp> m_makeTp(std::string id) override;
};
