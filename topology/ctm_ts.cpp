#include "topology/ctm_ts.h"

#include "topology/ctm_tp.h"

CTM_tp* CTM_ts::m_getChild(std::size_t i) const { return m_childOfKind<CTM_tp>(i); }
