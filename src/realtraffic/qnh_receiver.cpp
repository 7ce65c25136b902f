#include "realtraffic/qnh_receiver.h"

#include <fmt/format.h>
#include <gsl/narrow>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/live_report.h"
#include "foundation/log.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/record_fields.h"

namespace vexo {

QnhReceiver g_qnhReceiver;

namespace {

constexpr std::int32_t g_lowestQnh = 900;
constexpr std::int32_t g_highestQnh = 1100;
constexpr double g_hPaPerHundredthInHg = 0.33865307;

// Rounds halves away from zero; a value outside int is a narrowing error.
std::int32_t lf_roundToInt(double value) {
  const double rounded = std::round(value);
  if (!(rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
        rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::max()))) {
    throw gsl::narrowing_error();
  }
  return static_cast<std::int32_t>(rounded);
}

std::optional<std::int32_t> lf_readQnhValue(const nlohmann::json& value, std::string_view datagram, LimitedLog& log) {
  if (value.is_null() || ((value.is_object() || value.is_array()) && value.empty())) {
    log.log("no QNH", fmt::format("no QNH {}", datagram));
    return std::nullopt;
  }
  if (value.is_number_float()) return lf_roundToInt(static_cast<float>(value.get<double>()));
  if (value.is_number_unsigned()) return gsl::narrow<std::int32_t>(value.get<std::uint64_t>());
  if (value.is_number_integer()) return gsl::narrow<std::int32_t>(value.get<std::int64_t>());
  if (value.is_string()) {
    const auto& text = value.get_ref<const std::string&>();
    const auto parsed = gf_readInt(text);
    if (!parsed) log.log("QNH string", fmt::format("QNH string parse error: {} in {}", text, datagram), true);
    return parsed;
  }
  log.log("no QNH", fmt::format("no QNH {}", datagram));
  return std::nullopt;
}

}  // namespace

std::optional<std::int32_t> gf_readQnh(std::string_view datagram) {
  LimitedLog log;
  return gf_readQnh(datagram, log);
}

std::optional<std::int32_t> gf_readQnh(std::string_view datagram, LimitedLog& log) {
  try {
    const nlohmann::json document = nlohmann::json::parse(datagram);
    if (!document.is_object()) throw std::runtime_error("the QNH datagram is not a JSON object");
    const auto member = document.find("QNH");
    const auto qnh = lf_readQnhValue(member == document.end() ? nlohmann::json() : *member, datagram, log);
    if (!qnh) return std::nullopt;
    std::int32_t value = *qnh;
    if (value > g_highestQnh) value = lf_roundToInt(value * g_hPaPerHundredthInHg);
    return std::clamp(value, g_lowestQnh, g_highestQnh);
  } catch (const std::exception& e) {
    log.log("QNH exception", fmt::format("Exception {}, in {}", e.what(), datagram));
  }
  return std::nullopt;
}

void QnhReceiver::onReceive() {
  const auto qnh = gf_readQnh(datagram(), foreignLog);
  if (!qnh) return;
  // 1013 is published again each time, so a reset display shows it at once.
  if (*qnh == lastQnh.load() && *qnh != g_standardQnh) return;
  lastQnh.store(*qnh);
  g_qnh.store(*qnh);
  gf_showQnh(*qnh);
}

void QnhReceiver::onStop() { gf_log("QNH Reader has stopped"); }

}  // namespace vexo
