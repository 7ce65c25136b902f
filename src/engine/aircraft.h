// The engine's aircraft records. They nest: AcIdent (who the aircraft is) begins AcData
// (what it is and how it moves), which begins StaticAc (its simulator object and stand),
// which begins LiveAc (a live aircraft that follows its reported positions). A static
// parked aircraft is a StaticAc alone.
#pragma once

#include <cstdint>
#include <deque>
#include <string_view>

#include "engine/live_report.h"
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
  buffer = 0,
  adding2sim = 1,
  active = 2,
  liveryrespawn = 3,
  removingfromsim = 4,
};

struct AcData : AcIdent {
  double halfSpan = 0.0;        // half the model's wingspan, nm
  double staticCgHeight = 0.0;  // feet; 0 until the simulator reports it
  double staticPitch = 0.0;     // radians; 0 until the simulator reports it
  double takeOffPitch = 0.0;    // radians
  double climbPitch = 0.0;      // radians
  double turnRate = 0.0;        // radians
  double currentTurnRate = 0.0;
  double maxClimbPerTick = 0.0;  // feet
  double pushBackSpeed = 0.0;    // knots
  std::uint32_t hexid = 0;       // above 10000: a live aircraft
  AcCategory category = AcCategory::Light;
  std::string_view liveryTitle;  // empty while none is chosen
  std::uint32_t flareTicks = 0;
  std::uint32_t settleTicks = 0;
  std::uint32_t rotationTicks = 0;
  std::uint32_t climbPitchTicks = 0;
  std::uint8_t reverseThrust = 0;
};

struct StaticAc : AcData {
  std::uint32_t objectid = 0;  // 0 until the simulator reports the object created
  double standLat = 0.0;
  double standLon = 0.0;
  double standHeading = 0.0;  // radians
  std::uint32_t parkedDay = 0;
  std::uint32_t parkedSlot = 0;
  std::uint32_t sid = 0;  // stand id; 0 none
  SimState simState = SimState::buffer;
  std::uint32_t throttleIndex = 5;  // none sent yet
  std::uint32_t flapsIndex = 4;
  std::uint8_t standFlag = 0;
  std::uint8_t removeWhenCreated = 0;
  std::uint8_t eraseFromBuffer = 0;
  std::uint8_t eraseWithdrawn = 0;
};

struct LiveAc : StaticAc {
  double lat = 0.0;
  double lon = 0.0;
  double pitch = 0.0;
  double bank = 0.0;
  double heading = 0.0;
  double altitude = 0.0;
  double verticalSpeed = 0.0;
  double trueAirspeed = 0.0;
  std::deque<StreamPos> stream;  // positions still ahead; the front is being flown to
  double lastReportTime = 0.0;
  double prevLat = 0.0;
  double prevLon = 0.0;
  std::int64_t parkCheckTime = 0;
  std::int32_t stepsLeft = -1;
  std::int32_t holdStartTick = 0;
  FlightState flightState = FlightState::birth;
  FlightState prevFlightState = FlightState::birth;
  std::uint8_t parkedByReport = 0;
  std::uint8_t onGround = 0;
  std::uint8_t hasFlightPlan = 0;
  std::uint8_t nearUser = 0;
  std::uint8_t holding = 0;
  double aboveGround = 2500.0;  // feet, as last reported by the simulator
};

// Builds an aircraft's description from its identity, the dbase and the per-category tables.
AcData gf_makeAcData(const AcIdent& ident);

// Gives a created object its flight plan when its origin and destination are both known.
void lf_attachFlightPlan(const AcData& aircraft, std::uint32_t objectId);

}  // namespace vexo
