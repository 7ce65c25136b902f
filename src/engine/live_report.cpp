#include "engine/live_report.h"

namespace vexo {

std::mutex g_liveReportMutex;
std::deque<LiveReport> g_liveReportQueue;
bool g_trafficIntake = false;

std::atomic<std::int32_t> g_trafficTick{0};
std::atomic<std::int32_t> g_qnh{g_standardQnh};

}  // namespace vexo
