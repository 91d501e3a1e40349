#pragma once
// A model header that reaches for the running TM: the layer check refuses it.
#include "core/ctm_logging.h"
#include "tm/ctm_above.h"
#include "topology/ctm_node.h"
