// The simulator link's state: the connection, the four AI action queues, the creations
// waiting for an answer, the user aircraft, the flight-plan folder and the refused
// liveries. One production instance, g_simLink; a test may build its own.
//
// Threads and locks:
// - simConnectMutex guards the four action queues, hSimConnect (written only under it)
//   and every SimConnect call made on a thread other than "SimClient". The "SimClient"
//   thread holds it for the setup calls and for its own sends beside the dispatch; its
//   frame drain only try-locks it. Nothing is pushed to the engine's response list while
//   it is held.
// - userAcMutex guards the user aircraft block, the previous position, the title, the
//   stand name, the model state and the counts of blocks seen.
// - sentCreateList and objectAddedIds belong to the "SimClient" thread.
// - flightPlanFolder and the refused liveries belong to the start-up/tick thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "refdata/ac_codes.h"
#include "simlink/sim_actions.h"
#include "simlink/simconnect.h"

namespace vexo {

// The position updates as a double buffer: the engine fills its side without a lock and
// hands it over once per cycle; the frame drain sends the other side.
class SimPositionQueue {
public:
  // The engine's side. Start-up/tick thread only.
  std::vector<AiPositionAction>& engineSide() { return buffers_[engineIndex_]; }
  // Once per engine cycle: with the lock, the sides change roles and the engine's new side
  // is emptied; without it (the frame drain holds it), the engine's side is dropped.
  // Returns whether the positions were handed over. Start-up/tick thread only.
  bool handOver(std::mutex& simConnectMutex);
  // The side the frame drain sends; only while simConnectMutex is held.
  std::vector<AiPositionAction>& simSide() { return buffers_[1 - engineIndex_]; }
  void reserve(std::size_t count);
  // Both sides emptied and back to their start roles (the reset before a restart).
  void clear();

private:
  std::array<std::vector<AiPositionAction>, 2> buffers_;
  int engineIndex_ = 0;  // changed by the engine thread only, under simConnectMutex
};

// A creation sent and not yet answered.
struct SentCreate {
  std::uint32_t sendId = 0;  // the packet id of the create call
  std::uint32_t hexid = 0;
  std::string callsign;
};

struct SimLink {
  // --- Connection ---
  HANDLE hSimConnect = nullptr;  // null while no connection is open
  std::atomic<std::uint32_t> simMajorVersion{5};
  std::atomic<bool> simBroken{false};
  std::mutex simConnectMutex;

  // --- AI action queues (under simConnectMutex) ---
  SimPositionQueue simPositionQueue;
  std::vector<SimEventAction> simEventQueue;
  std::vector<AiCreateAction> simCreateQueue;
  std::vector<std::uint32_t> simRemovalQueue;

  // --- Waiting for the simulator's answers ("SimClient" thread) ---
  std::vector<SentCreate> sentCreateList;
  std::vector<std::uint32_t> objectAddedIds;

  // --- User aircraft ---
  std::atomic<std::uint32_t> userObjectId{0};  // object ids above it are AI objects
  std::atomic<bool> userOnGround{false};
  std::atomic<bool> userOnGroundKnown{false};
  std::atomic<std::int64_t> simUtcSeconds{0};  // the simulator's UTC time, seconds since 1970
  mutable std::mutex userAcMutex;
  UserAcData userAcData;
  double previousLat = 0.0, previousLon = 0.0;  // of the block before, for the teleport test
  std::uint64_t blocksReceived = 0;             // user blocks received so far
  std::uint64_t blocksStandChecked = 0;         // of them, the last one whose stand was looked up
  std::string userAcTitle;                      // at most 48 characters
  std::string userStandName;                    // empty when none
  std::optional<double> userHalfWingspan;       // nautical miles; empty until the model is known
  AcCategory userCategory = AcCategory::Light;

  // --- AI flight plans and refused liveries (start-up/tick thread) ---
  std::filesystem::path flightPlanFolder;
  std::unordered_set<std::string> refusedLiveryTitles;  // survive restarts
  std::unordered_set<std::string> refusedLiveryKeys;    // "model airline"

  // --- Ways out, replaceable by tests ---
  // Opens the connection; when empty, SimConnect_Open with the program's name.
  std::function<HRESULT(HANDLE*)> open;
  // The park airport's stand nearest to a position (the engine's lookup by default).
  // Called on the start-up/tick thread only.
  std::function<std::string(double lat, double lon)> nearestStandName;

  SimLink();
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  // A copy of the user aircraft block. Any thread.
  UserAcData userAc() const;
  std::string standName() const;
  std::string title() const;
  std::optional<double> halfWingspan() const;
  AcCategory category() const;
};

extern SimLink g_simLink;

// The production instance's members under the names the rest of the program uses.
inline std::mutex& g_simConnectMutex = g_simLink.simConnectMutex;
inline HANDLE& g_hSimConnect = g_simLink.hSimConnect;
inline std::atomic<bool>& g_simBroken = g_simLink.simBroken;
inline std::atomic<std::uint32_t>& g_simMajorVersion = g_simLink.simMajorVersion;
inline SimPositionQueue& g_simPositionQueue = g_simLink.simPositionQueue;
inline std::vector<SimEventAction>& g_simEventQueue = g_simLink.simEventQueue;
inline std::vector<AiCreateAction>& g_simCreateQueue = g_simLink.simCreateQueue;
inline std::vector<std::uint32_t>& g_simRemovalQueue = g_simLink.simRemovalQueue;
inline std::atomic<std::uint32_t>& g_userObjectId = g_simLink.userObjectId;
inline std::atomic<bool>& g_userOnGround = g_simLink.userOnGround;
inline std::atomic<bool>& g_userOnGroundKnown = g_simLink.userOnGroundKnown;
inline std::atomic<std::int64_t>& g_simUtcSeconds = g_simLink.simUtcSeconds;
inline std::filesystem::path& g_flightPlanFolder = g_simLink.flightPlanFolder;
inline std::unordered_set<std::string>& g_refusedLiveryTitles = g_simLink.refusedLiveryTitles;
inline std::unordered_set<std::string>& g_refusedLiveryKeys = g_simLink.refusedLiveryKeys;

// The user object id after the reset before a restart: unknown, as at the start of the
// process, until the simulator reports the user aircraft again.
inline constexpr std::uint32_t g_userObjectIdAfterReset = 0;

// Returns the simulator link to its start values before a restart: major version, user
// on-ground state, the sent-creation and added-object lists, the handle, the user object
// id (0: unknown), the broken flag, all four queues, the user title, stand and block. The refused
// liveries stay. Start-up thread, after the "SimClient" thread has been joined.
void gf_resetSimLink(std::uint32_t majorVersion, SimLink& link = g_simLink);

}  // namespace vexo
