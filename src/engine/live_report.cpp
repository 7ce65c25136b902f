#include "engine/live_report.h"

namespace vexo {

std::atomic<std::int32_t> g_qnh{g_standardQnh};

void gf_queueLiveReport(ReportHandOver& handOver, LiveReport&& report) {
  while (handOver.queue.size() >= g_maxQueuedReports) {
    handOver.queue.pop_front();
    ++handOver.dropped;
  }
  handOver.queue.push_back(std::move(report));
}

}  // namespace vexo
