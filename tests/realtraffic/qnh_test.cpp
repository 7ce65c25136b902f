#include <gtest/gtest.h>

#include "foundation/main_window_state.h"
#include "engine/live_report.h"
#include "realtraffic/qnh_receiver.h"
#include "test_support.h"

using namespace vexo;

TEST(Qnh, NumbersStringsInchesAndTheClamp) {
  test::LogCapture log;
  EXPECT_EQ(gf_readQnh(R"({"QNH": 1020})"), 1020);
  EXPECT_EQ(gf_readQnh(R"({"QNH": "1020"})"), 1020);
  EXPECT_EQ(gf_readQnh(R"({"QNH": "1006 hPa"})"), 1006);  // text after the number is ignored
  EXPECT_EQ(gf_readQnh(R"({"QNH": 1013.5})"), 1014);      // halves away from zero
  // A fraction is taken as a 32-bit float first: this one is 1013.5 there.
  EXPECT_EQ(gf_readQnh(R"({"QNH": 1013.49999999})"), 1014);
  EXPECT_EQ(gf_readQnh(R"({"QNH": 1013.4999})"), 1013);
  EXPECT_EQ(gf_readQnh(R"({"QNH": 2992})"), 1013);        // hundredths of an inch of mercury
  EXPECT_EQ(gf_readQnh(R"({"QNH": "2996"})"), 1015);
  EXPECT_EQ(gf_readQnh(R"({"QNH": 850})"), 900);
  EXPECT_EQ(gf_readQnh(R"({"QNH": -5})"), 900);
  // The bounds themselves: 1100 is hPa, not hundredths of an inch; 900 stays.
  const std::pair<const char*, std::int32_t> bounds[] = {
      {R"({"QNH": 1100})", 1100}, {R"({"QNH": "1100"})", 1100}, {R"({"QNH": 1100.4})", 1100},
      {R"({"QNH": 3248})", 1100}, {R"({"QNH": 3250})", 1100},   {R"({"QNH": 900})", 900},
      {R"({"QNH": 899})", 900},   {R"({"QNH": 2658})", 900},    {R"({"QNH": 2656})", 900},
  };
  for (const auto& [datagram, qnh] : bounds) EXPECT_EQ(gf_readQnh(datagram), qnh) << datagram;
  EXPECT_EQ(gf_readQnh(R"({"QNH": 1099})"), 1099);
  EXPECT_EQ(gf_readQnh(R"({"QNH": 1101})"), 900);     // 1101 hundredths of an inch is 373 hPa
  EXPECT_EQ(gf_readQnh(R"({"QNH": 9999})"), 1100);
  EXPECT_FALSE(log.contains("QNH"));
}

TEST(Qnh, UnusableDatagramsAreLoggedAndPublishNothing) {
  test::LogCapture log;
  EXPECT_FALSE(gf_readQnh(R"({"QNH": null})"));
  EXPECT_TRUE(log.contains(R"(no QNH {"QNH": null})"));
  EXPECT_FALSE(gf_readQnh(R"({"ICAO": "KLAX"})"));
  EXPECT_TRUE(log.contains(R"(no QNH {"ICAO": "KLAX"})"));
  EXPECT_FALSE(gf_readQnh(R"({"QNH": []})"));
  EXPECT_FALSE(gf_readQnh(R"({"QNH": true})"));
  EXPECT_TRUE(log.contains(R"(no QNH {"QNH": true})"));
  EXPECT_FALSE(gf_readQnh(R"({"QNH": "high"})"));
  EXPECT_TRUE(log.contains(R"(==> QNH string parse error: high in {"QNH": "high"})"));
  EXPECT_FALSE(gf_readQnh(R"({"QNH": 1e300})"));
  EXPECT_FALSE(gf_readQnh(R"({"QNH": 99999999999})"));
  EXPECT_TRUE(log.contains(R"(Exception narrowing_error, in {"QNH": 99999999999})"));
  EXPECT_FALSE(gf_readQnh("[1013]"));
  EXPECT_FALSE(gf_readQnh(R"({"QNH": 10)"));
  EXPECT_TRUE(log.contains(R"(, in {"QNH": 10)"));
  EXPECT_FALSE(gf_readQnh(""));
}

TEST(Qnh, ReceiverPublishesNewValues) {
  test::LogCapture log;
  QnhReceiver receiver;
  auto deliver = [&](const std::string& text) {
    receiver.loadDatagram(text);
    receiver.onReceive();
  };
  g_qnhLight.store(g_lightIdle);
  deliver(R"({"QNH": "1020"})");
  EXPECT_EQ(g_qnh.load(), 1020);
  EXPECT_EQ(receiver.lastQnh.load(), 1020);
  EXPECT_EQ(g_mainWindowState.qnhShown.load(), 1020u);
  EXPECT_EQ(g_qnhLight.load(), g_lightReceiving);  // an idle light turns back on
  g_qnh.store(0);
  deliver(R"({"QNH": 1020})");  // the same value is not published again
  EXPECT_EQ(g_qnh.load(), 0);
  deliver(R"({"QNH": null})");
  EXPECT_EQ(g_qnh.load(), 0);
  deliver(R"({"QNH": 1013})");
  EXPECT_EQ(g_qnh.load(), 1013);
  g_qnh.store(0);
  deliver(R"({"QNH": 1013})");  // 1013 always is
  EXPECT_EQ(g_qnh.load(), 1013);
  g_qnhLight.store(g_lightStopped);
}
