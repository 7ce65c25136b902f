// What the stand-in does beyond answering requests, as a running simulator does: a
// flight that starts, stops and pauses, frames, a user aircraft that can be moved or
// teleported, new flights, quitting, the data of created AI objects (position above
// ground, static CG), flight plans read from their files and exceptions tied to a
// request's send id.
//
// Attach it to a stand-in before or after start(); it wraps the stand-in's built-in
// answers through the handler hooks. Any thread; its functions take the stand-in's lock.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "simstandin/sim_standin.h"

namespace vexo::simstandin {

// The user aircraft's variables (the block of the user data definitions).
struct UserAircraftState {
  double latitude = 0.0, longitude = 0.0;  // degrees
  double pitch = 0.0, bank = 0.0, heading = 0.0;  // radians
  double altitude = 0.0, altAboveGround = 0.0;    // feet
  double groundSpeed = 0.0;                       // knots
  bool onGround = true;
  std::int64_t zuluTime = 0, zuluDayOfYear = 1, zuluYear = 1970;
  std::int64_t lightStates = 0;
};

// Values given to every AI object the stand-in creates.
struct AiObjectValues {
  double groundAltitude = 350.0;  // feet
  double staticCg = 6.5;          // feet
  double staticPitch = 0.02;      // radians
};

class SimWorld {
public:
  explicit SimWorld(SimStandin& standin, AiObjectValues aiValues = {});
  SimWorld(const SimWorld&) = delete;
  SimWorld& operator=(const SimWorld&) = delete;

  // --- The user aircraft ---
  void setUserAircraft(const UserAircraftState& state);
  void setUserTitle(std::string_view title);
  void setUserModel(std::string_view model);
  // Moves the user aircraft at once (the next user block shows the jump); with
  // positionChanged, the "PositionChanged" system event follows.
  void teleportUser(double latitude, double longitude, bool positionChanged = false);

  // --- The flight ---
  // The "Sim" system event: 1 a flight runs, 0 it stopped; "SimStart" or "SimStop" follows
  // when that changes.
  void setFlightRunning(bool running);
  // The "Pause" system event: 1 paused, 0 running on.
  void setPaused(bool paused);
  // One frame: the frame event to every "Frame" subscriber and the data of the frame
  // requests; returns the frames sent so far.
  std::size_t sendFrame();
  // A new flight file: EVENT_FILENAME to "FlightLoaded" subscribers, or with asEvent the
  // plain EVENT form.
  void loadFlight(std::string_view fileName, bool asEvent = false);
  // QUIT to every connection, then the connections close, as when the simulator exits.
  void quit();

  // --- Faults ---
  // An exception message to every connection.
  void sendException(std::uint32_t exception, std::uint32_t sendId, std::uint32_t index);

  // --- What happened ---
  // The text of each flight plan attached, by object id.
  std::map<std::uint32_t, std::string> flightPlans() const;

private:
  void installHandlers();

  SimStandin& standin_;
  const AiObjectValues aiValues_;
  mutable std::mutex mutex_;  // guards the members below; taken inside the stand-in's lock
  bool flightRunning_ = false;
  std::map<std::uint32_t, std::string> flightPlans_;
  std::size_t frames_ = 0;
};

}  // namespace vexo::simstandin
