#include "tm/ctm_runningnodefactory.h"

CTM_runningNodeFactory::~CTM_runningNodeFactory() = default;
