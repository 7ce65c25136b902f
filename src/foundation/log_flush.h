// Pushes what the log holds to the disk, between the steps of a run.
#pragma once

#include <mutex>

#include "foundation/log.h"

namespace vexo {

inline void lf_flushLog() {
  std::lock_guard lock(g_logMutex);
  g_logFile.flush();
}

}  // namespace vexo
