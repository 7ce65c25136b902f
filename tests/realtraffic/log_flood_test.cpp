// Bad datagrams of every kind that is logged, at full speed for three simulated minutes:
// Log.txt grows by a bounded amount each minute, and no foreign byte forges a line.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "realtraffic/qnh_receiver.h"
#include "record_helpers.h"
#include "test_support.h"

using namespace vexo;

TEST(LogFlood, EachMinuteOfBadDatagramsGrowsTheLogByABoundedAmount) {
  test::LogCapture log;
  test::IntakeScope intake;
  TrafficReceiver traffic;
  QnhReceiver qnh;
  auto now = std::chrono::steady_clock::time_point{};
  traffic.foreignLog.setClock([&] { return now; });
  qnh.foreignLog.setClock([&] { return now; });

  const std::string big(12000, '\n');  // forged empty lines, unless escaped
  const std::string badAltitude = test::makeRecord({{4, "\nforged line" + big}});
  const std::string noQnh = R"({"QNH": null, "pad": ")" + std::string(12000, 'x') + "\"}";
  const std::string badQnhText = R"({"QNH": "high)" + std::string(12000, '\\') + "\"}";
  const std::string notJson = "\n\x01" + big;
  std::size_t n = 0;
  auto sendOne = [&] {
    switch (n % 8) {
      case 0: traffic.processDatagram(badAltitude, test::makeContext()); break;
      case 1: traffic.processDatagram("RTTFC,1,\nforged line", test::makeContext()); break;
      case 2: traffic.processDatagram(test::makeRecord({{12, fmt::format("{:08}", n)}}), test::makeContext()); break;
      case 3: traffic.takeDatagram(20000, true); break;  // too long for the buffer
      case 4: traffic.processDatagram(test::makeRecord({{9, std::string("A\0B", 3)}}), test::makeContext()); break;
      case 5: qnh.loadDatagram(noQnh); qnh.onReceive(); break;
      case 6: qnh.loadDatagram(badQnhText); qnh.onReceive(); break;
      default: qnh.loadDatagram(notJson); qnh.onReceive(); break;
    }
    ++n;
  };

  // Seven reasons write lines: each at most 5 lines and one count line a minute, none
  // longer than g_maxForeignLine plus "==> " and the newline.
  constexpr std::size_t reasons = 7;
  constexpr std::size_t boundPerMinute = reasons * 6 * (g_maxForeignLine + 5);
  static_assert(boundPerMinute <= 13 * 1024);
  std::size_t before = log.text().size();
  for (int minute = 0; minute < 3; ++minute) {
    for (int step = 0; step < 15000; ++step) {  // one datagram every 4 ms
      sendOne();
      now += std::chrono::milliseconds(4);
    }
    const std::string text = log.text();
    SCOPED_TRACE(minute);
    EXPECT_LE(text.size() - before, boundPerMinute);
    EXPECT_GT(text.size() - before, 10U * 100U);  // the first lines of each minute are there
    before = text.size();
  }
  const std::string text = log.text();
  EXPECT_TRUE(log.contains("more lines of \"field error\" were not logged (at most 5 a minute)\n"));
  // Every line is one the program wrote: foreign line breaks arrive escaped.
  EXPECT_EQ(text.find("\nforged line"), std::string::npos);
  EXPECT_TRUE(log.contains("\\x0Aforged line"));
}
