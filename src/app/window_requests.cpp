#include "app/window_requests.h"

#include <mutex>
#include <utility>

namespace vexo {

std::atomic<bool> g_removeAllStaticRequest{false};
std::atomic<bool> g_rereadRequest{false};
std::atomic<bool> g_callsignListRequest{false};
std::atomic<bool> g_blockChangedRequest{false};
std::atomic<bool> g_rematchRequest{false};
std::atomic<bool> g_parkNowRequest{false};
std::atomic<bool> g_resetCallsignListRequest{false};
std::atomic<bool> g_navLightsRequest{false};
std::atomic<bool> g_maxLiveRequest{false};
std::atomic<bool> g_autoRangeRequest{false};
std::atomic<bool> g_forgetLiveriesRequest{false};
std::atomic<bool> g_nowAllowed{false};
std::atomic<bool> g_rtNotConnectedYet{true};
std::atomic<std::int32_t> g_workTick{0};

namespace {
std::mutex g_parkAirportRequestMutex;                       // guards g_parkAirportRequest
std::optional<ParkAirportRequest> g_parkAirportRequest;
}  // namespace

void gf_requestParkAirport(ParkAirportRequest request) {
  std::lock_guard lock(g_parkAirportRequestMutex);
  g_parkAirportRequest = std::move(request);
}

std::optional<ParkAirportRequest> gf_takeParkAirportRequest() {
  std::lock_guard lock(g_parkAirportRequestMutex);
  return std::exchange(g_parkAirportRequest, std::nullopt);
}

void gf_clearWindowRequests() {
  for (auto* request : {&g_removeAllStaticRequest, &g_rereadRequest, &g_callsignListRequest, &g_blockChangedRequest,
                        &g_rematchRequest, &g_parkNowRequest, &g_resetCallsignListRequest, &g_navLightsRequest,
                        &g_maxLiveRequest, &g_autoRangeRequest})
    *request = false;
  // g_forgetLiveriesRequest stays: the start-up after the restart serves it.
  gf_takeParkAirportRequest();
}

}  // namespace vexo
