#pragma once
// CTM_runningNodeFactory: the node factory that a running TM hands the topology
// reader. The running TM, logical segment and transport controller nodes take the
// place of the model's plain ones here as they are built. Technical segments and
// tracking points stay plain: they run nothing.

#include "topology/ctm_nodefactory.h"

class CTM_runningNodeFactory : public CTM_plainNodeFactory {
 public:
  ~CTM_runningNodeFactory() override;

  std::unique_ptr<CTM_tm> m_makeTm(std::string id) override;
  std::unique_ptr<CTM_ls> m_makeLs(std::string id) override;
  std::unique_ptr<CTM_tc> m_makeTc(std::string id) override;
};
