// What the RealTraffic link shows in the main window's state band: the reader lights,
// the QNH and whether the link is up. Any thread; each change repaints the state band.
#pragma once

#include <atomic>
#include <cstdint>

namespace vexo {

// Sets a reader light (g_trafficLight or g_qnhLight) and repaints.
void gf_setReaderLight(std::atomic<std::uint32_t>& light, std::uint32_t value);

// A new QNH: shown, and an idle QNH light turns back to receiving.
void gf_showQnh(std::int32_t qnh);

// The RealTraffic link is shown as up (or not needed); the reader lights are tracked
// only while it is.
void gf_setRtLinkUp(bool up);
bool gf_rtLinkUp();

}  // namespace vexo
