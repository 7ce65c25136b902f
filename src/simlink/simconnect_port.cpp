#include "simlink/simconnect_cfg.h"

namespace vexo {

// Until the registry stand-in exists the simulator's ports are unknown: the TCP steps of
// Open are skipped, as they are on a system without the registry values.
std::string lf_readSimConnectPort(bool) { return {}; }

}  // namespace vexo
