// The matching reports in Log.txt: how many live aircraft got their livery at each step,
// the liveries the simulator refused, and the aircraft for which nothing matched.
#include "liveries/liveries_services.h"

#include <fmt/format.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/log.h"
#include "liveries/livery_index.h"
#include "simlink/sim_link_state.h"

namespace vexo {

std::unordered_set<std::string> g_missingLiveries;

namespace {

constexpr std::string_view g_summaryTitle = "live traffic livery matching summary";
constexpr std::int64_t g_summaryFill = 100 - static_cast<std::int64_t>(g_summaryTitle.size());

// One block of lines, not interleaved with other threads' lines.
void lf_logBlock(const std::vector<std::string>& lines) {
  std::lock_guard lock(g_logMutex);
  if (!g_logFile.is_open()) return;
  for (const std::string& line : lines) g_logFile << line << '\n';
}

}  // namespace

void gf_writeMatchingSummary() {
  std::vector<std::string> refused;
  for (const std::string& key : g_refusedLiveryKeys) refused.push_back("  " + key);
  const auto& counts = g_liveryIndex.matchStepCounts;
  if (std::all_of(counts.begin(), counts.end(), [](std::int64_t n) { return n <= 0; })) return;
  std::vector<std::string> lines;
  lines.reserve(256);
  lines.push_back(gf_bannerLine(g_summaryFill, 0, true, false, std::string(g_summaryTitle)));
  lines.emplace_back("Matches at step: ");
  for (std::size_t step = 0; step < counts.size(); ++step) lines.push_back(fmt::format("  {}: {}", step, counts[step]));
  if (!refused.empty()) {
    lines.emplace_back("\nCould not be created");
    lines.insert(lines.end(), refused.begin(), refused.end());
  }
  lines.push_back(gf_bannerLine(g_summaryFill, static_cast<std::int64_t>(g_summaryTitle.size()), false, true, ""));
  lf_logBlock(lines);
}

void gf_logMissingLiveries() {
  if (g_missingLiveries.empty()) return;
  std::vector<std::string> lines{"\nNo match found for:"};
  lines.insert(lines.end(), g_missingLiveries.begin(), g_missingLiveries.end());
  lines.emplace_back();
  lf_logBlock(lines);
}

void gf_reserveLiveryMatchTables() { g_missingLiveries.reserve(256); }

}  // namespace vexo
