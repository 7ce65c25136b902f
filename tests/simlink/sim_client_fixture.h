// A "SimClient" thread of its own SimLink against the simulator stand-in on loopback TCP,
// with fresh run flags, status line and response list for every test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/link_io.h"
#include "platform/stream_socket.h"
#include "run_flags_reset.h"
#include "simlink/sim_client.h"
#include "simlink/user_aircraft.h"
#include "simlink/sim_vocabulary.h"
#include "simlink_fixture.h"
#include "simstandin/sim_standin.h"
#include "simstandin/sim_world.h"

namespace vexo::test {

// Polls until done() holds, at most 10 s.
inline bool waitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + g_wait;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class SimClientTest : public ::testing::Test {
protected:
  void SetUp() override {
    resetRunFlags();
    standin_ = std::make_unique<simstandin::SimStandin>(options_);
    port_ = standin_->listenTcp(platform::g_familyIpv4);
    ASSERT_NE(port_, 0);
    world_ = std::make_unique<simstandin::SimWorld>(*standin_);
    standin_->start();
    link_.open = [this](HANDLE* handle) {
      ++opens_;
      return gf_openSimConnect(handle, "Vendrake_P3D", nullptr, 0, nullptr, 0,
                               sandbox_.environment({}, std::to_string(port_)));
    };
    link_.nearestStandName = [](double, double) { return std::string(); };
    gf_initSimClient(5, link_);
  }

  void TearDown() override {
    stopThread();
    standin_->stop();
    // No link's I/O thread outlives its test.
    EXPECT_TRUE(platform::LinkIo::waitNoneLive(g_wait));
    resetRunFlags();
  }

  void startThread() {
    ended_ = false;
    thread_ = std::jthread([this](std::stop_token stop) {
      gf_runSimClient(link_, stop);
      ended_ = true;
    });
  }
  void stopThread() {
    if (thread_.joinable()) {
      thread_.request_stop();
      thread_.join();
    }
  }

  // The thread is connected and has sent its setup packets.
  void connect() {
    startThread();
    ASSERT_TRUE(standin_->waitForRequestCount(SimConnectFunction::SetNotificationGroupPriority, 1, g_wait));
    ASSERT_TRUE(waitUntil([] { return g_mainWindowState.simConnected.load(); }));
  }

  // A running flight whose user aircraft the link has learned (object id and position).
  void connectWithUser(double latitude = 50.0333, double longitude = 8.5706) {
    simstandin::UserAircraftState user;
    user.latitude = latitude;
    user.longitude = longitude;
    user.altitude = 364.0;
    world_->setUserAircraft(user);
    connect();
    world_->setFlightRunning(true);
    ASSERT_TRUE(waitUntil([] { return g_flightRunning.load(); }));
    ASSERT_TRUE(waitUntil([&] {
      gf_getUserAcPosition(link_);
      return link_.userObjectId.load() == options_.userObjectId;
    }));
  }

  // Sends frames until done() holds (each frame drains the queues once).
  bool frameUntil(const std::function<bool()>& done) {
    return waitUntil([&] {
      if (done()) return true;
      world_->sendFrame();
      return false;
    });
  }

  // A SimConnect call as another thread of the program makes it: under the mutex.
  HRESULT locked(const std::function<HRESULT(HANDLE)>& call) {
    std::lock_guard lock(link_.simConnectMutex);
    return call(link_.hSimConnect);
  }

  std::size_t countOf(std::uint32_t function) const { return standin_->requestsOf(function).size(); }

  SimLinkSandbox sandbox_;
  LogCapture log_;
  simstandin::StandinOptions options_;
  std::unique_ptr<simstandin::SimStandin> standin_;
  std::unique_ptr<simstandin::SimWorld> world_;
  std::uint16_t port_ = 0;
  SimLink link_;
  std::atomic<int> opens_{0};
  std::atomic<bool> ended_{false};
  std::jthread thread_;
};

}  // namespace vexo::test
