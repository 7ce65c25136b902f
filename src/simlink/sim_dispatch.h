// The dispatch of every message the simulator sends: it turns each into program state
// (flight running, objects added and removed, creation failures, the end of a run) or
// hands it to the frame drain and the user aircraft handlers. "SimClient" thread only,
// inside SimConnect_CallDispatch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "simlink/recv_messages.h"
#include "simlink/sim_link_state.h"

namespace vexo {

// The dispatch callback; pContext is the SimLink (the production one when null). A
// vexo::UserErrorException thrown by a handler leaves SimConnect_CallDispatch.
void lf_dispatch(const std::byte* pData, std::uint32_t cbData, void* pContext);

// OPEN: shows the simulator's name and version and accepts only the expected Prepar3D.
void lf_onOpen(SimLink& link, const RecvOpen& open);
void lf_onException(SimLink& link, const RecvException& exception);
void lf_onSimObjectData(SimLink& link, const RecvSimObjectData& data);
void lf_onSimObjectDataByType(SimLink& link, const RecvSimObjectData& data);

// The simulator's name with only its ASCII letters, digits and white space.
std::string gf_cleanSimulatorName(std::string_view name);

}  // namespace vexo
