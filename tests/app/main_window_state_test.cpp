#include "app/main_window_state.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/window_requests.h"

using namespace vexo;

TEST(MainWindowState, StartsWithTheValuesAFreshWindowShows) {
  const MainWindowState state;
  EXPECT_TRUE(state.initialised);
  EXPECT_TRUE(state.rtNotStarted);
  EXPECT_TRUE(state.userAcKnown);
  EXPECT_FALSE(state.rtConnected);
  EXPECT_EQ(state.trafficLight.load(), g_lightStopped);
  EXPECT_EQ(state.qnhLight.load(), g_lightStopped);
  EXPECT_FLOAT_EQ(state.staticAverageFit.load(), -1.0f);
  EXPECT_FLOAT_EQ(state.liveAverageFit.load(), -1.0f);
  EXPECT_TRUE(state.texts().aircraftTitle.empty());
  EXPECT_EQ(&g_trafficLight, &g_mainWindowState.trafficLight);
  EXPECT_EQ(&g_qnhLight, &g_mainWindowState.qnhLight);
}

TEST(MainWindowState, ResetForARestartKeepsTheScanCounts) {
  MainWindowState state;
  state.updateTexts([](ShownTexts& t) {
    t.rtEdition = "RT 10";
    t.userStand = "A12";
  });
  state.liveShown = 7;
  state.liveriesCount = 1234;
  state.simaddonCount = 12;
  state.rtNotStarted = false;
  state.rtConnected = true;
  state.trafficLight = g_lightReceiving;
  state.liveAverageFit = 3.5f;
  state.resetShown();
  EXPECT_TRUE(state.texts().rtEdition.empty());
  EXPECT_TRUE(state.texts().userStand.empty());
  EXPECT_EQ(state.liveShown.load(), 0u);
  EXPECT_EQ(state.liveriesCount.load(), 1234u);
  EXPECT_EQ(state.simaddonCount.load(), 12u);
  EXPECT_TRUE(state.rtNotStarted);
  EXPECT_FALSE(state.rtConnected);
  EXPECT_EQ(state.trafficLight.load(), g_lightStopped);
  EXPECT_FLOAT_EQ(state.liveAverageFit.load(), -1.0f);
}

// The painter copies the texts while another thread assigns them (run under TSan).
TEST(MainWindowState, TextsAreCopiedWholeWhileAnotherThreadWritesThem) {
  MainWindowState state;
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i)
      state.updateTexts([i](ShownTexts& t) { t.simulatorText = (i % 2) ? std::string(40, 'a') : std::string(3, 'b'); });
  });
  for (int i = 0; i < 2000; ++i) {
    const std::string text = state.texts().simulatorText;
    EXPECT_TRUE(text.empty() || text == std::string(40, 'a') || text == std::string(3, 'b'));
  }
  writer.join();
}

TEST(WindowRequests, ADestinationIsTakenOnceAndALaterOneReplacesAnEarlier) {
  gf_requestParkAirport({"EDDF", 50.03, 8.57});
  gf_requestParkAirport({"EHAM", 52.31, 4.76});
  const auto taken = gf_takeParkAirportRequest();
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(taken->icao, "EHAM");
  EXPECT_DOUBLE_EQ(taken->latitude, 52.31);
  EXPECT_FALSE(gf_takeParkAirportRequest().has_value());
}

TEST(WindowRequests, ClearingForARestartKeepsTheForgetLiveriesRequest) {
  g_maxLiveRequest = true;
  g_parkNowRequest = true;
  g_forgetLiveriesRequest = true;
  gf_requestParkAirport({"EDDF", 50.03, 8.57});
  gf_clearWindowRequests();
  EXPECT_FALSE(g_maxLiveRequest);
  EXPECT_FALSE(g_parkNowRequest);
  EXPECT_FALSE(gf_takeParkAirportRequest().has_value());
  EXPECT_TRUE(g_forgetLiveriesRequest.exchange(false));
}
