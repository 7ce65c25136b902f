// The simulator stand-in read by a client that knows only the protocol: data blocks laid
// out by each datum's declared type, tagged blocks, periods that repeat until cleared,
// the assigned object id, system events, the clock, the older protocol versions served
// in their own version and the refusal of any other.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "platform/stream_socket.h"
#include "raw_simconnect.h"
#include "simstandin/sim_standin.h"
#include "simstandin/sim_world.h"

namespace vexo::test {
namespace {

constexpr std::uint32_t g_data = 8, g_event = 4, g_objectAddRemove = 5, g_exception = 1, g_assigned = 12;
constexpr std::uint32_t g_once = 1, g_visualFrame = 2, g_simFrame = 3, g_second = 4, g_never = 0;
constexpr std::uint32_t g_changed = 1, g_tagged = 2;

class StandinWireTest : public ::testing::Test {
protected:
  void SetUp() override {
    port_ = standin_.listenTcp(platform::g_familyIpv4);
    ASSERT_NE(port_, 0);
    standin_.start();
    client_ = std::make_unique<RawSimConnect>(port_);
    ASSERT_TRUE(client_->connected());
    client_->open();
    ASSERT_EQ(get32(client_->next(), 8), 2u) << "OPEN";
    client_->addToDataDefinition(999, "SENTINEL", 1, 0xFFFFFFFFu);
  }
  void user(const std::function<void(simstandin::SimObject&)>& change) {
    standin_.locked([&](simstandin::SimStandin& s) { change(*s.findObject(0)); });
  }
  void frame() { world_.sendFrame(); }
  // Requests a sentinel once and reads up to it: the data messages of requestId between.
  // The stand-in has then handled every packet sent before.
  std::size_t dataBeforeSentinel(std::uint32_t requestId = 0) {
    client_->requestData(999, 999, g_once);
    std::size_t count = 0;
    for (Wire m = client_->nextOf(g_data); !m.empty(); m = client_->nextOf(g_data)) {
      if (get32(m, 12) == 999) return count;
      count += get32(m, 12) == requestId;
    }
    ADD_FAILURE() << "no sentinel";
    return count;
  }

  simstandin::SimStandin standin_;
  simstandin::SimWorld world_{standin_};
  std::uint16_t port_ = 0;
  std::unique_ptr<RawSimConnect> client_;
};

// Each type's width and layout as the protocol declares them, one datum after another.
TEST_F(StandinWireTest, DataBlocksLayEachDatumOutByItsDeclaredType) {
  user([](simstandin::SimObject& u) {
    u.setValue("I32", -7);
    u.setValue("I64", 1234567890123.0);
    u.setValue("F32", 1.5);
    u.setValue("F64", 2.25);
    for (const char* name : {"S8", "S32", "S64", "S128", "S256", "S260"}) u.setText(name, std::string(300, 'x'));
    u.setText("SV", "Title X");
    u.setStruct("INIT", {1, 2, 3, 4, 5, 6, 1, 250});
    u.setText("MARKER", "OUTER");
    u.setStruct("MARKER", {1});
    u.setStruct("WP", {10, 20, 30, 4, 250, 75});
    u.setStruct("LLA", {33.9, -118.4, 125});
    u.setStruct("XYZ", {-1, 2, -3});
  });
  struct Case {
    const char* name;
    std::uint32_t type;
    std::size_t width;
    std::function<void(const Wire&, std::size_t)> check;
  };
  const auto text = [](std::size_t width) {
    return [width](const Wire& m, std::size_t at) {
      EXPECT_EQ(getBytes(m, at, width), std::string(width - 1, 'x') + '\0') << width;
    };
  };
  const std::vector<Case> cases{
      {"I32", 1, 4, [](const Wire& m, std::size_t at) { EXPECT_EQ(static_cast<std::int32_t>(get32(m, at)), -7); }},
      {"I64", 2, 8, [](const Wire& m, std::size_t at) { EXPECT_EQ(getI64(m, at), 1234567890123); }},
      {"F32", 3, 4, [](const Wire& m, std::size_t at) { EXPECT_EQ(getF32(m, at), 1.5f); }},
      {"F64", 4, 8, [](const Wire& m, std::size_t at) { EXPECT_EQ(getF64(m, at), 2.25); }},
      {"S8", 5, 8, text(8)},
      {"S32", 6, 32, text(32)},
      {"S64", 7, 64, text(64)},
      {"S128", 8, 128, text(128)},
      {"S256", 9, 256, text(256)},
      {"S260", 10, 260, text(260)},
      {"SV", 11, 8, [](const Wire& m, std::size_t at) { EXPECT_EQ(getBytes(m, at, 8), std::string("Title X\0", 8)); }},
      {"INIT", 12, 56,
       [](const Wire& m, std::size_t at) {
         EXPECT_EQ(getF64(m, at), 1.0);
         EXPECT_EQ(getF64(m, at + 40), 6.0);
         EXPECT_EQ(get32(m, at + 48), 1u);
         EXPECT_EQ(get32(m, at + 52), 250u);
       }},
      {"MARKER", 13, 68,
       [](const Wire& m, std::size_t at) {
         EXPECT_EQ(getBytes(m, at, 6), std::string("OUTER\0", 6));
         EXPECT_EQ(get32(m, at + 64), 1u);
       }},
      {"WP", 14, 44,
       [](const Wire& m, std::size_t at) {
         EXPECT_EQ(getF64(m, at + 16), 30.0);
         EXPECT_EQ(get32(m, at + 24), 4u);
         EXPECT_EQ(getF64(m, at + 28), 250.0);
         EXPECT_EQ(getF64(m, at + 36), 75.0);
       }},
      {"LLA", 15, 24,
       [](const Wire& m, std::size_t at) {
         EXPECT_EQ(getF64(m, at), 33.9);
         EXPECT_EQ(getF64(m, at + 8), -118.4);
         EXPECT_EQ(getF64(m, at + 16), 125.0);
       }},
      {"XYZ", 16, 24, [](const Wire& m, std::size_t at) { EXPECT_EQ(getF64(m, at + 16), -3.0); }},
  };
  std::size_t total = 0;
  for (const Case& c : cases) {
    client_->addToDataDefinition(1, c.name, c.type, 0xFFFFFFFFu);
    total += c.width;
  }
  client_->requestData(5, 1, g_once);
  const Wire m = client_->nextOf(g_data);
  ASSERT_EQ(m.size(), 40 + total);
  EXPECT_EQ(get32(m, 0), m.size());
  EXPECT_EQ(get32(m, 12), 5u);   // request id
  EXPECT_EQ(get32(m, 16), 1u);   // the user's own object id
  EXPECT_EQ(get32(m, 20), 1u);   // define id
  EXPECT_EQ(get32(m, 24), 0u);   // flags
  EXPECT_EQ(get32(m, 28), 1u);   // entry 1
  EXPECT_EQ(get32(m, 32), 1u);   // out of 1
  EXPECT_EQ(get32(m, 36), 16u);  // data in the block
  std::size_t at = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(m, at);
    at += c.width;
  }
}

TEST_F(StandinWireTest, UnknownDatumTypeIsRefused) {
  client_->addToDataDefinition(1, "X", 17, 0xFFFFFFFFu);
  const Wire m = client_->nextOf(g_exception);
  EXPECT_EQ(get32(m, 12), 18u);  // INVALID_DATA_TYPE
  EXPECT_EQ(get32(m, 16), 3u);   // send id of the definition: the third packet
}

// Tagged: u32 datum id before each value; with CHANGED only what changed since.
TEST_F(StandinWireTest, TaggedBlocksCarryEachDatumIdBeforeItsValue) {
  user([](simstandin::SimObject& u) {
    u.setValue("A", 7);
    u.setValue("B", 0.5);
    u.setText("C", "NAME");
  });
  client_->addToDataDefinition(1, "A", 1, 70);
  client_->addToDataDefinition(1, "B", 4, 90);
  client_->addToDataDefinition(1, "C", 5, 110);
  client_->requestData(3, 1, g_simFrame, g_tagged | g_changed);
  Wire m = client_->nextOf(g_data);  // at once: every datum
  ASSERT_EQ(m.size(), 40u + 8 + 12 + 12);
  EXPECT_EQ(get32(m, 24), g_tagged | g_changed);
  EXPECT_EQ(get32(m, 36), 3u);
  EXPECT_EQ(get32(m, 40), 70u);
  EXPECT_EQ(get32(m, 44), 7u);
  EXPECT_EQ(get32(m, 48), 90u);
  EXPECT_EQ(getF64(m, 52), 0.5);
  EXPECT_EQ(get32(m, 60), 110u);
  EXPECT_EQ(getBytes(m, 64, 8), std::string("NAME\0\0\0\0", 8));

  frame();  // nothing changed: nothing sent
  user([](simstandin::SimObject& u) { u.setValue("B", 0.75); });
  frame();
  m = client_->nextOf(g_data);
  ASSERT_EQ(m.size(), 40u + 12);
  EXPECT_EQ(get32(m, 36), 1u);
  EXPECT_EQ(get32(m, 40), 90u);
  EXPECT_EQ(getF64(m, 44), 0.75);
  EXPECT_EQ(dataBeforeSentinel(3), 0u);
}

// A periodic request is answered at once and on every period until period NEVER clears
// it; interval and limit thin and end it.
TEST_F(StandinWireTest, PeriodsRepeatUntilCleared) {
  struct Case {
    const char* name;
    std::uint32_t period, interval, limit;
    std::size_t expected;  // messages for five periods after the first
  };
  const std::function<void()> second = [this] { standin_.tickSecond(); };
  const std::function<void()> frame = [this] { this->frame(); };
  client_->addToDataDefinition(1, "A", 1, 0xFFFFFFFFu);
  for (const Case c : {Case{"visual frame", g_visualFrame, 0, 0, 5}, Case{"sim frame", g_simFrame, 0, 0, 5},
                       Case{"second", g_second, 0, 0, 5}, Case{"every other second, twice", g_second, 1, 2, 1}}) {
    SCOPED_TRACE(c.name);
    client_->requestData(7, 1, c.period, 0, c.interval, c.limit);
    EXPECT_EQ(get32(client_->nextOf(g_data), 12), 7u) << "the first at once";
    const auto& tick = c.period == g_second ? second : frame;
    for (int i = 0; i < 5; ++i) tick();
    EXPECT_EQ(dataBeforeSentinel(7), c.expected);
    client_->requestData(7, 1, g_never);
    dataBeforeSentinel();
    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(dataBeforeSentinel(7), 0u) << "cleared";
  }
}

TEST_F(StandinWireTest, EveryCreationGetsItsAssignedObjectId) {
  simstandin::SimStandin bare;  // no world: the built-in answer alone
  const std::uint16_t port = bare.listenTcp(platform::g_familyIpv4);
  bare.start();
  RawSimConnect client(port);
  client.open();
  client.createAircraft("Some Airliner", 104);
  const Wire m = client.nextOf(g_assigned);
  ASSERT_EQ(m.size(), 20u);
  EXPECT_EQ(get32(m, 12), 104u);
  EXPECT_EQ(get32(m, 16), 1000u);
}

// As the simulator does when a client closes: the AI objects it created go, and the other
// clients hear of each; the objects of the others stay.
TEST_F(StandinWireTest, TheObjectsOfAClosedClientGoWithIt) {
  client_->subscribe(21, "ObjectRemoved");
  client_->createAircraft("Kept Airliner", 1);
  const std::uint32_t kept = get32(client_->nextOf(g_assigned), 16);
  std::set<std::uint32_t> gone;
  {
    RawSimConnect leaving(port_);
    leaving.open();
    leaving.createAircraft("Leaving One", 2);
    leaving.createAircraft("Leaving Two", 3);
    gone.insert(get32(leaving.nextOf(g_assigned), 16));
    gone.insert(get32(leaving.nextOf(g_assigned), 16));
    EXPECT_EQ(standin_.aiObjects().size(), 3u);
  }
  std::set<std::uint32_t> heard;
  for (int i = 0; i < 2; ++i) {
    const Wire m = client_->nextOf(g_objectAddRemove);
    EXPECT_EQ(get32(m, 16), 21u);
    heard.insert(get32(m, 20));
  }
  EXPECT_EQ(heard, gone);
  const auto objects = standin_.aiObjects();
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0].id, kept);
}

// As in a simulator, an AI object set down to the ground (350 ft in the stand-in's world)
// rests on it; the client learns it from the object's height above the ground and its
// on-ground flag. Its reference point rests the static CG height (6.5 ft) above the ground.
TEST_F(StandinWireTest, AnAiObjectSetDownToTheGroundRestsOnIt) {
  client_->createAircraft("Landing Airliner", 1);
  const std::uint32_t id = get32(client_->nextOf(g_assigned), 16);
  client_->addToDataDefinition(7, "PLANE ALTITUDE", 4, 0xFFFFFFFFu);
  struct Step {
    double altitude, aboveGround;
    bool onGround;
  };
  for (const Step& step : {Step{1500.0, 1150.0, false}, Step{357.5, 7.5, false}, Step{356.5, 6.5, true},
                           Step{200.0, 0.0, true}, Step{420.0, 70.0, false}}) {
    client_->setData(7, id, step.altitude);
    dataBeforeSentinel();  // the position has been set
    standin_.locked([&](simstandin::SimStandin& s) {
      const simstandin::SimObject& object = *s.findObject(id);
      EXPECT_DOUBLE_EQ(object.value("PLANE ALT ABOVE GROUND"), step.aboveGround) << step.altitude;
      EXPECT_EQ(object.value("SIM ON GROUND"), step.onGround ? 1.0 : 0.0) << step.altitude;
    });
  }
}

TEST_F(StandinWireTest, SystemEventsReachTheirSubscribers) {
  client_->subscribe(11, "SimStart");
  client_->subscribe(12, "SimStop");
  client_->subscribe(13, "Pause");
  client_->subscribe(14, "1sec");
  dataBeforeSentinel();  // the subscriptions have arrived
  world_.setFlightRunning(true);
  world_.setFlightRunning(true);  // no second start
  world_.setPaused(true);
  standin_.tickSecond();
  world_.setFlightRunning(false);
  for (const auto& [eventId, data] : {std::pair{11u, 0u}, {13u, 1u}, {14u, 0u}, {12u, 0u}}) {
    const Wire m = client_->nextOf(g_event);
    EXPECT_EQ(get32(m, 16), eventId);
    EXPECT_EQ(get32(m, 20), data);
  }
}

// ZULU TIME, DAY OF YEAR and YEAR advance with each simulated second, across a day and a year.
TEST_F(StandinWireTest, TheClockAdvances) {
  client_->addToDataDefinition(1, "ZULU TIME", 2, 0xFFFFFFFFu);
  client_->addToDataDefinition(1, "ZULU DAY OF YEAR", 2, 0xFFFFFFFFu);
  client_->addToDataDefinition(1, "ZULU YEAR", 2, 0xFFFFFFFFu);
  struct Case {
    std::int64_t time, day, year, nextTime, nextDay, nextYear;
  };
  for (const Case c : {Case{10, 1, 2024, 11, 1, 2024}, Case{86399, 59, 2024, 0, 60, 2024},
                       Case{86399, 365, 2024, 0, 366, 2024}, Case{86399, 365, 2023, 0, 1, 2024}}) {
    user([&](simstandin::SimObject& u) {
      u.setValue("ZULU TIME", static_cast<double>(c.time));
      u.setValue("ZULU DAY OF YEAR", static_cast<double>(c.day));
      u.setValue("ZULU YEAR", static_cast<double>(c.year));
    });
    standin_.tickSecond();
    client_->requestData(8, 1, g_once);
    const Wire m = client_->nextOf(g_data);
    EXPECT_EQ(getI64(m, 40), c.nextTime) << c.time << " " << c.day << " " << c.year;
    EXPECT_EQ(getI64(m, 48), c.nextDay);
    EXPECT_EQ(getI64(m, 56), c.nextYear);
  }
}

TEST_F(StandinWireTest, AnOpenOfAnotherProtocolVersionIsRefused) {
  // Versions no simulator speaks: before the first, between the older ones and the
  // current one, and after it.
  for (const std::uint32_t version : {34u, 0u, 1u, 5u, 36u}) {
    SCOPED_TRACE(version);
    RawSimConnect other(port_);
    other.open(version);
    const Wire m = other.next();
    ASSERT_EQ(m.size(), 24u);
    EXPECT_EQ(get32(m, 8), g_exception);
    EXPECT_EQ(get32(m, 12), 5u);  // VERSION_MISMATCH
    EXPECT_EQ(get32(m, 16), 1u);  // the send id of the Open
    EXPECT_TRUE(other.closedByPeer()) << "a refusing simulator closes the connection";
  }
}

// Clients of the previous generation (protocol 2: first release, 3: first service pack,
// 4: second service pack and expansion) are served as the simulator serves them: every
// message they get, to them alone or to all, carries their own version.
TEST_F(StandinWireTest, OlderProtocolVersionsAreServedInTheirOwnVersion) {
  constexpr std::uint32_t kOpen = 2, kQuit = 3, kFsxTag = 0x46535800u;
  std::vector<std::unique_ptr<RawSimConnect>> older;
  for (const std::uint32_t version : {2u, 3u, 4u}) {
    SCOPED_TRACE(version);
    auto& client = older.emplace_back(std::make_unique<RawSimConnect>(port_));
    client->open(version, kFsxTag, 10, 0);
    const Wire open = client->next();
    ASSERT_EQ(open.size(), 308u);
    EXPECT_EQ(get32(open, 4), version);
    EXPECT_EQ(get32(open, 8), kOpen);
    EXPECT_EQ(getBytes(open, 12, 28), std::string("Lockheed Martin Prepar3D v5") + '\0');

    client->addToDataDefinition(3, "PLANE LATITUDE", 4, 0xFFFFFFFFu);
    client->requestData(30, 3, g_once);
    const Wire data = client->nextOf(g_data);
    EXPECT_EQ(get32(data, 4), version);
    EXPECT_EQ(get32(data, 12), 30u);

    client->requestData(31, 77, g_once);  // no such definition
    const Wire refused = client->nextOf(g_exception);
    EXPECT_EQ(get32(refused, 4), version);
    EXPECT_EQ(get32(refused, 16), 4u);  // the send id of the request
  }
  world_.sendException(22, 99, 1);
  world_.quit();
  for (std::size_t i = 0; i < older.size(); ++i) {
    SCOPED_TRACE(i);
    const Wire exception = older[i]->nextOf(g_exception);
    EXPECT_EQ(get32(exception, 4), 2u + i);
    EXPECT_EQ(get32(exception, 16), 99u);
    EXPECT_EQ(get32(older[i]->nextOf(kQuit), 4), 2u + i);
  }
  EXPECT_EQ(get32(client_->nextOf(kQuit), 4), 35u);
}

}  // namespace
}  // namespace vexo::test
