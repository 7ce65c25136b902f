// The user's own aircraft: its block of position and attitude on request, whether it is
// on the ground once a second, its title and model once a run. The requests go out from
// the start-up/tick thread; the answers arrive on the "SimClient" thread. From them come
// the teleport test (a new flight), the simulator's UTC time, the user's stand and the
// user aircraft's half wing span and category.
#pragma once

#include "simlink/recv_messages.h"
#include "simlink/sim_link_state.h"

namespace vexo {

// Unless the link is broken, asks for the next user block; returns a copy of the last one
// received. Also looks up the user's stand for a block that arrived since the last call,
// here rather than on the "SimClient" thread, because the stand table belongs to the
// start-up/tick thread. Start-up/tick thread.
UserAcData gf_getUserAcPosition(SimLink& link = g_simLink);

// Asks once for the user aircraft's title and model. Start-up thread.
void gf_requestUserAcTitleAndModel(SimLink& link = g_simLink);

// The user's stand, looked up for the newest block (when one arrived since the last
// look-up), shown in the main window when it changes. Start-up/tick thread.
void lf_updateUserStand(SimLink& link);

// When the user stands still at a stand of the current park airport, that stand becomes
// its reserved stand. "SimClient" thread (a new flight, the end of the thread).
void lf_rememberUserStand(SimLink& link);

// Answers on the "SimClient" thread: on ground (108) and the user block (109), the title
// (106) and the model (107). The model handler throws vexo::UserErrorException 71 for an
// empty model and 73 for any other failure.
void lf_onUserAcData(SimLink& link, const RecvSimObjectData& data);
void lf_onUserAcTitle(SimLink& link, const RecvSimObjectData& data);
void lf_onUserAcModel(SimLink& link, const RecvSimObjectData& data);

// Seconds since 1970 of a zulu year, day of the year (1 = 1 January) and second of the day.
std::int64_t gf_simUtcSeconds(std::int64_t zuluYear, std::int64_t zuluDayOfYear, std::int64_t zuluTime);

// A jump farther than this between two user blocks is a teleport.
inline constexpr double g_teleportNm = 10.0;
inline constexpr std::size_t g_maxTitleLength = 48;

}  // namespace vexo
