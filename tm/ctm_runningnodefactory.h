#pragma once
// CTM_runningNodeFactory: the node factory that a running TM hands the topology
// reader. The running TM, logical segment and transport controller nodes take the
// place of the model's plain ones here as they are built; until then it builds the
// plain nodes. Technical segments and tracking points stay plain: they run nothing.

#include "topology/ctm_nodefactory.h"

class CTM_runningNodeFactory : public CTM_plainNodeFactory {
 public:
  ~CTM_runningNodeFactory() override;
};
