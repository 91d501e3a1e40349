// A tool that reads the topology: tools see core and platform only.
#include "platform/c_eventlog.h"
#include "topology/ctm_world.h"
