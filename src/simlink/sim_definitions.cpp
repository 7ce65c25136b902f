#include "simlink/sim_definitions.h"

#include <array>
#include <cstdint>

#include "simlink/sim_vocabulary.h"

namespace vexo {

namespace {

namespace T = SimConnectDataType;
namespace E = ClientEventId;

struct SystemEvent {
  std::uint32_t id;
  const char* name;
};

// Subscribed in this order.
constexpr std::array<SystemEvent, 6> g_systemEvents{{
    {SystemEventId::sim, "Sim"},
    {SystemEventId::objectAdded, "ObjectAdded"},
    {SystemEventId::objectRemoved, "ObjectRemoved"},
    {SystemEventId::positionChanged, "PositionChanged"},
    {SystemEventId::flightLoaded, "FlightLoaded"},
    {SystemEventId::frame, "Frame"},
}};

struct DatumSpec {
  std::uint32_t definition;
  const char* name;
  const char* units;  // null: no units
  std::uint32_t type;
};

// Sent in this order; within a definition the order is the layout of its data block.
constexpr std::array<DatumSpec, 33> g_data{{
    {DataDefinitionId::userTitle, "TITLE", nullptr, T::STRINGV},
    {DataDefinitionId::userModel, "ATC MODEL", nullptr, T::STRING32},
    {DataDefinitionId::userOnGround, "SIM ON GROUND", "Bool", T::INT64},
    {DataDefinitionId::aiPosition, "Plane Latitude", "degree", T::FLOAT64},
    {DataDefinitionId::aiPosition, "Plane Longitude", "degree", T::FLOAT64},
    {DataDefinitionId::aiPosition, "Plane Pitch degrees", "radians", T::FLOAT64},
    {DataDefinitionId::aiPosition, "Plane Bank degrees", "radians", T::FLOAT64},
    {DataDefinitionId::aiPosition, "Plane Heading degrees true", "radians", T::FLOAT64},
    {DataDefinitionId::aiPosition, "Plane Altitude", "feet", T::FLOAT64},
    {DataDefinitionId::aiPosition, "Vertical Speed", "feet per second", T::FLOAT64},
    {DataDefinitionId::aiPosition, "Airspeed True", "knots", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Plane Latitude", "degree", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Plane Longitude", "degree", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Plane Pitch degrees", "radians", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Plane Bank degrees", "radians", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Plane Heading degrees true", "radians", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Plane Altitude", "feet", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Plane Alt Above Ground", "feet", T::FLOAT64},
    {DataDefinitionId::userAircraft, "Ground Velocity", "knots", T::FLOAT64},
    {DataDefinitionId::userAircraft, "ZULU TIME", "Seconds", T::INT64},
    {DataDefinitionId::userAircraft, "ZULU DAY OF YEAR", "Number", T::INT64},
    {DataDefinitionId::userAircraft, "ZULU YEAR", "Number", T::INT64},
    {DataDefinitionId::userAircraft, "LIGHT STATES", "Mask", T::INT64},
    {DataDefinitionId::staticCg, "Static CG to Ground", "feet", T::FLOAT64},
    {DataDefinitionId::staticCg, "Static Pitch", "radians", T::FLOAT64},
    {DataDefinitionId::lightsOn, "Light On States", "Mask", T::INT64},
    {DataDefinitionId::aircraftInRange, "Plane Alt Above Ground", "feet", T::FLOAT64},
    {DataDefinitionId::aircraftInRange, "Ground Altitude", "feet", T::FLOAT64},
    {DataDefinitionId::aircraftInRange, "SIM ON GROUND", "Bool", T::INT64},
    {DataDefinitionId::aircraftInRange, "ATC ID", nullptr, T::STRING32},
    {DataDefinitionId::aiControls, "SPOILERS HANDLE POSITION", "percent", T::FLOAT64},
    {DataDefinitionId::aiControls, "GENERAL ENG THROTTLE LEVER POSITION:1", "percent", T::FLOAT64},
    {DataDefinitionId::aiControls, "GENERAL ENG THROTTLE LEVER POSITION:2", "percent", T::FLOAT64},
}};

struct ClientEvent {
  std::uint32_t id;
  const char* name;
};

// Mapped in this order.
constexpr std::array<ClientEvent, 17> g_clientEvents{{
    {E::GEAR_SET, "GEAR_SET"},
    {E::ENGINE_AUTO_START, "ENGINE_AUTO_START"},
    {E::ENGINE_AUTO_SHUTDOWN, "ENGINE_AUTO_SHUTDOWN"},
    {E::THROTTLE_SET, "THROTTLE_SET"},
    {E::FLAPS_SET, "FLAPS_SET"},
    {E::SPOILERS_SET, "SPOILERS_SET"},
    {E::NAV_LIGHTS_SET, "NAV_LIGHTS_SET"},
    {E::BEACON_LIGHTS_SET, "BEACON_LIGHTS_SET"},
    {E::LANDING_LIGHTS_SET, "LANDING_LIGHTS_SET"},
    {E::TAXI_LIGHTS_SET, "TAXI_LIGHTS_SET"},
    {E::STROBES_SET, "STROBES_SET"},
    {E::LOGO_LIGHTS_SET, "LOGO_LIGHTS_SET"},
    {E::CABIN_LIGHTS_SET, "CABIN_LIGHTS_SET"},
    {E::ALL_LIGHTS_TOGGLE, "ALL_LIGHTS_TOGGLE"},
    {E::FREEZE_LATITUDE_LONGITUDE_SET, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {E::FREEZE_ALTITUDE_SET, "FREEZE_ALTITUDE_SET"},
    {E::FREEZE_ATTITUDE_SET, "FREEZE_ATTITUDE_SET"},
}};

// Members of group 301, in this order: every client event but ENGINE_AUTO_START, which is
// still transmitted with the group.
constexpr std::array<std::uint32_t, 16> g_groupMembers{
    E::NAV_LIGHTS_SET,    E::BEACON_LIGHTS_SET,    E::LANDING_LIGHTS_SET, E::TAXI_LIGHTS_SET,
    E::STROBES_SET,       E::LOGO_LIGHTS_SET,      E::CABIN_LIGHTS_SET,   E::ALL_LIGHTS_TOGGLE,
    E::FLAPS_SET,         E::SPOILERS_SET,         E::GEAR_SET,           E::ENGINE_AUTO_SHUTDOWN,
    E::THROTTLE_SET,      E::FREEZE_LATITUDE_LONGITUDE_SET, E::FREEZE_ALTITUDE_SET, E::FREEZE_ATTITUDE_SET};

constexpr std::uint32_t g_highestPriority = 1;
constexpr std::uint32_t g_noDatumId = 0xFFFFFFFFu;

}  // namespace

void lf_defineSimConnectData(SimLink& link) {
  const HANDLE handle = link.hSimConnect;
  for (const SystemEvent& event : g_systemEvents) SimConnect_SubscribeToSystemEvent(handle, event.id, event.name);
  for (const DatumSpec& datum : g_data)
    SimConnect_AddToDataDefinition(handle, datum.definition, datum.name, datum.units, datum.type, 0.0f, g_noDatumId);
  for (const ClientEvent& event : g_clientEvents) SimConnect_MapClientEventToSimEvent(handle, event.id, event.name);
  for (const std::uint32_t event : g_groupMembers)
    SimConnect_AddClientEventToNotificationGroup(handle, NotificationGroupId::all, event, true);
  SimConnect_SetNotificationGroupPriority(handle, NotificationGroupId::all, g_highestPriority);
}

}  // namespace vexo
