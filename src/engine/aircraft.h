// The engine's aircraft records. They nest: AcIdent (who the aircraft is) begins AcData
// (what it is and how it moves), which begins StaticAc (its simulator object and stand),
// which begins LiveAc (a live aircraft that follows its reported positions). A static
// parked aircraft is a StaticAc alone. The tables of records compact themselves with the
// move assignment, so every record moves field by field.
#pragma once

#include <cstdint>
#include <deque>
#include <string_view>

#include "engine/ac_ident.h"
#include "engine/live_movement.h"
#include "engine/ring_deque.h"
#include "refdata/ac_codes.h"

namespace vexo {

enum class FlightState : std::uint32_t {
  pushing_back = 0,
  pushed_back = 1,
  taxi = 2,
  take_off = 3,
  flying = 4,
  parking = 5,
  parked = 6,
  birth = 7,
};

enum class SimState : std::uint32_t {
  buffer = 0,           // not yet sent for creation
  adding2sim = 1,       // creation queued or sent, not yet settled
  active = 2,           // in the simulator and moved by the engine
  liveryrespawn = 3,    // being removed to be created again with another livery
  removingfromsim = 4,  // removal queued or sent
};

// Hexids above this are live aircraft; static ones count up from 1 below it.
inline constexpr std::uint32_t g_maxStaticHexid = 10000;
inline bool gf_isLiveHexid(std::uint32_t hexid) { return hexid > g_maxStaticHexid; }

struct AcData : AcIdent {
  double halfSpan = 0.0;        // half the model's wingspan, nm
  double staticCgHeight = 0.0;  // feet; 0 until the simulator reports it
  double staticPitch = 0.0;     // radians; 0 until the simulator reports it
  double takeOffPitch = 0.0;    // radians, negative for nose up
  double climbPitch = 0.0;      // radians
  double turnRate = 0.0;        // radians
  double currentTurnRate = 0.0;
  double maxClimbPerTick = 0.0;  // feet
  double pushBackSpeed = 0.0;    // knots
  std::uint32_t hexid = 0;       // above g_maxStaticHexid: a live aircraft
  AcCategory category = AcCategory::Light;
  std::string_view liveryTitle;  // held by the livery tables; empty while none is chosen
  std::uint32_t flareTicks = 0;
  std::uint32_t settleTicks = 0;
  std::uint32_t rotationTicks = 0;
  std::uint32_t climbPitchTicks = 0;
  std::uint8_t reverseThrust = 0;
};

struct StaticAc : AcData {
  StaticAc() = default;
  StaticAc(const AcData& data, std::uint32_t standId, double lat, double lon, double heading, std::uint8_t flag);

  std::uint32_t objectid = 0;  // 0 until the simulator reports the object created
  double standLat = 0.0;
  double standLon = 0.0;
  double standHeading = 0.0;  // radians
  std::uint32_t parkedDay = 0;   // 1 (Monday) to 7
  std::uint32_t parkedSlot = 0;  // half hour 0 to 47
  std::uint32_t sid = 0;         // stand id; 0 none
  SimState simState = SimState::buffer;
  std::uint32_t throttleIndex = 5;  // 5: none sent yet
  std::uint32_t flapsIndex = 4;
  std::uint8_t standFlag = 0;  // the stand's cargo flag: cabin lights stay off when parked
  std::uint8_t removeWhenCreated = 0;
  std::uint8_t eraseFromBuffer = 0;  // never reached the simulator: erase at the next compaction
  std::uint8_t eraseWithdrawn = 0;   // its queued creation was withdrawn: erase
};

struct LiveAc : StaticAc, LiveMovement {
  LiveAc() = default;
  LiveAc(const AcData& data, const StreamPos& first, double reportTime);

  // What is sent to the simulator this cycle.
  double lat = 0.0;  // degrees
  double lon = 0.0;
  double pitch = 0.0;  // radians
  double bank = 0.0;
  double heading = 0.0;
  double altitude = 0.0;       // feet
  double verticalSpeed = 0.0;  // feet per second
  double trueAirspeed = 0.0;   // knots

  RingDeque<StreamPos> stream;  // positions still ahead; the front is being flown to
  double lastReportTime = 0.0;   // seconds
  double prevLat = 0.0;  // at the last check against static aircraft in the way
  double prevLon = 0.0;
  double standSearchLat = 0.0;  // position of the last stand search
  double standSearchLon = 0.0;
  std::int64_t parkCheckTime = 0;  // 100 ns steady clock (hooks.clock100ns) when found parked
  std::int32_t stepsLeft = -1;     // extrapolation steps left; -1 none
  std::int32_t holdStartTick = 0;
  FlightState flightState = FlightState::birth;
  FlightState prevFlightState = FlightState::birth;
  std::uint8_t parkedByReport = 0;
  std::uint8_t onGround = 0;  // the simulator reported the object on the ground
  std::uint8_t hasFlightPlan = 0;
  std::uint8_t nearUser = 0;
  std::uint8_t holding = 0;
};

// An even draw from the calling thread's random source: a spread goes up (true) or down.
bool gf_spreadUpward();

// Builds an aircraft's description from its identity: wingspan, category and the
// per-category values. upward(): the random sign of the two spread pitches (the thread's
// random source unless a caller brings its own).
AcData gf_makeAcData(const AcIdent& ident);
AcData gf_makeAcData(const AcIdent& ident, bool (*upward)());

// A live aircraft's description from a report: gf_makeAcData plus the values only live
// aircraft use (current turn rate, climb per cycle, push-back speed) and the hexid.
AcData gf_makeLiveAcData(const AcIdent& ident, std::uint32_t hexid, bool (*upward)() = gf_spreadUpward);

}  // namespace vexo
