// A simulator stand-in that serves the SimConnect protocol the client speaks, on loopback
// TCP and on the Unix-domain socket that stands in for the simulator's named pipe.
//
// It answers Open with a configurable simulator name, for its own protocol version and for
// the older versions the simulator still serves (an Open of a version no simulator speaks
// gets a VERSION_MISMATCH exception and the connection closed), answers each client in its own version, records
// every request, keeps the
// clients' data definitions and subscriptions, answers data requests from its objects'
// variables, each datum at its declared type's width, tagged when asked, and again on
// every frame or simulated second until the request is cleared; it creates and removes
// AI objects (with ObjectAdded / ObjectRemoved events to subscribers and the assigned
// object id to the creator), sends frame events at a configurable rate, "1sec" events
// while its clock advances, and CREATE_OBJECT_FAILED exceptions with the send id for
// configured titles. Fault hooks break the stream on purpose. A handler set for a function number replaces the built-in answer, which is how
// further behaviour (system events, teleports, quitting) is added.
//
// Thread-safe: every public function may be called from any thread while the stand-in's
// own thread serves the connections. Handlers run on that thread with the lock held and
// must not call the public functions; they use the Connection they are given.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "simlink/simconnect_ids.h"
#include "simstandin/data_blocks.h"
#include "simstandin/messages.h"

namespace vexo::simstandin {

// The protocol versions of the previous simulator generation's clients (its first
// release, its first service pack, its second service pack and expansion), which the
// simulator still serves beside its own.
inline constexpr std::array<std::uint32_t, 3> g_olderProtocolVersions = {2, 3, 4};

struct StandinOptions {
  OpenReply open{"Lockheed Martin Prepar3D v5", 5, 4, 14, 0};
  double frameRateHz = 0;                // frame events per second to "Frame" subscribers; 0: none
  bool clockRuns = false;                // the stand-in's thread ticks a simulated second each second
  // The stand-in's own protocol version; an Open of it or of one of g_olderProtocolVersions
  // is answered.
  std::uint32_t protocolVersion = g_simConnectProtocolVersion;
  std::uint32_t userObjectId = 1;        // the user aircraft; object id 0 in requests means it
  std::uint32_t firstAiObjectId = 1000;  // ids of created AI objects count up from here
  std::set<std::string> failTitles;      // creations with these titles fail (exception 22)
  std::uint32_t maxRequestSize = 1024 * 1024;  // a larger size field drops the connection
};

// One request as it arrived.
struct Request {
  std::uint32_t connection = 0;  // the stand-in's number of the connection, from 1
  std::uint32_t size = 0;
  std::uint32_t version = 0;
  std::uint32_t function = 0;  // the packet id without 0xF0000000
  std::uint32_t sendId = 0;
  Bytes bytes;  // the whole packet
};

// Faults applied to every message the stand-in sends from now on.
struct SendFaults {
  std::size_t splitInto = 1;    // each message goes out in this many writes
  std::size_t zeroPadding = 0;  // zero bytes written before each message
};

class SimStandin;

// A data request that repeats with its period (visual frame, simulation frame, second)
// until a request of the same id with period NEVER clears it.
struct DataRequest {
  std::uint32_t requestId = 0, defineId = 0, objectId = 0, period = 0, flags = 0;
  std::uint32_t origin = 0, interval = 0, limit = 0;  // periods before the first, between two; sends in all
  std::uint64_t periods = 0;    // periods seen, the request's own moment counting as the first
  std::uint32_t sent = 0;       // data messages sent
  std::vector<Bytes> lastSent;  // each datum as last sent, for the CHANGED flag
};

// A client connection as handlers see it.
class Connection {
public:
  std::uint32_t number() const { return number_; }
  std::uint32_t version() const { return version_; }  // protocol version of its Open
  void send(const Bytes& message);
  // The client's event id for a subscribed system event; 0 when not subscribed.
  std::uint32_t subscribedEvent(std::string_view eventName) const;
  const std::vector<Datum>* definition(std::uint32_t defineId) const;

private:
  friend class SimStandin;
  Connection(SimStandin& owner, std::uint32_t number, platform::Socket socket)
      : owner_(owner), number_(number), socket_(std::move(socket)) {}

  SimStandin& owner_;
  std::uint32_t number_;
  platform::Socket socket_;
  std::uint32_t version_ = 35;
  Bytes inbox_;
  std::map<std::string, std::uint32_t> subscriptions_;  // upper-case event name -> event id
  std::map<std::uint32_t, std::vector<Datum>> definitions_;
  std::map<std::uint32_t, DataRequest> dataRequests_;  // by request id
  bool dropped_ = false;
};

class SimStandin {
public:
  using Handler = std::function<void(SimStandin& standin, Connection& connection, const Request& request)>;

  explicit SimStandin(StandinOptions options = {});
  ~SimStandin();
  SimStandin(const SimStandin&) = delete;
  SimStandin& operator=(const SimStandin&) = delete;

  // Listens on host (127.0.0.1 or ::1) at port (0: any free one); the port, 0 on failure.
  std::uint16_t listenTcp(int family, std::uint16_t port = 0);
  // Listens on the socket of pipeName (the simulator's default pipe when empty).
  bool listenPipe(std::string_view pipeName = {});
  void start();
  void stop();

  // --- What arrived ---
  std::vector<Request> requests() const;
  std::vector<Request> requestsOf(std::uint32_t function) const;
  // Waits until done(requests) holds, at most timeout.
  bool waitFor(const std::function<bool(const std::vector<Request>&)>& done, std::chrono::milliseconds timeout) const;
  bool waitForRequestCount(std::uint32_t function, std::size_t count, std::chrono::milliseconds timeout) const;
  std::size_t connectionCount() const;  // connections open now
  std::size_t acceptedCount() const;    // connections accepted so far

  // --- Objects ---
  std::vector<SimObject> aiObjects() const;
  void setObjectText(std::uint32_t objectId, std::string_view name, std::string_view text);

  // --- Sending to every open connection ---
  void sendToAll(const Bytes& message);
  // The message build makes for each connection's protocol version.
  void sendToEach(const std::function<Bytes(std::uint32_t version)>& build);
  // Whether an Open of this protocol version is answered.
  bool speaksVersion(std::uint32_t version) const;
  // The system event eventName with data to every subscriber, as EVENT (4).
  void sendSystemEvent(std::string_view eventName, std::uint32_t data);
  // One simulated second: the clock (ZULU TIME, DAY OF YEAR, YEAR of the user aircraft)
  // advances, "1sec" goes to its subscribers and the SECOND data requests are served.
  void tickSecond();

  // --- Faults ---
  void setSendFaults(SendFaults faults);
  void dropConnections();
  // Writes bytes as they are, unframed, to every connection.
  void sendRawBytes(const Bytes& bytes);

  // Replaces the built-in answer to a function number.
  void setHandler(std::uint32_t function, Handler handler);
  // The answer set now for a function number (empty when none), so that a new one can
  // wrap it.
  Handler handler(std::uint32_t function) const;
  // Runs action with the lock held, as a handler runs: it may use the functions for
  // handlers below, and must not call the public functions above.
  void locked(const std::function<void(SimStandin&)>& action);

  // For handlers (the lock is held): objects by id, new AI object ids.
  SimObject* findObject(std::uint32_t objectId);  // 0 is the user aircraft
  SimObject& addAiObject();
  // As the simulator does when a client closes: the AI objects that connection created go
  // (an ObjectRemoved event to the others for each). Under the lock.
  void removeAiObjectsOf(std::uint32_t connectionNumber);
  const std::map<std::uint32_t, SimObject>& aiObjectTable() const { return aiObjects_; }
  bool removeAiObject(std::uint32_t objectId);
  const StandinOptions& options() const { return options_; }
  // Every open connection (lock held).
  void forEachConnection(const std::function<void(Connection&)>& action);
  // Sends the event of eventName to every subscriber (lock held).
  void broadcastEvent(std::string_view eventName, const std::function<Bytes(std::uint32_t eventId, std::uint32_t version)>& build);
  // One frame (lock held): the frame event to "Frame" subscribers, then the VISUAL_FRAME
  // and SIM_FRAME data requests are served.
  void serveFrame(float frameRate);
  // One simulated second (lock held), as tickSecond.
  void serveSecond();

private:
  friend class Connection;
  void run();
  void acceptFrom(int listenFd);
  void readFrom(Connection& connection);
  void handle(Connection& connection, const Request& request);
  void writeMessage(Connection& connection, const Bytes& message);
  // Ends the connection (lock held): nothing more is read from it or sent to it.
  void drop(Connection& connection);
  void sendFrames();
  void wake();
  void installBuiltInHandlers();
  void answerOpen(Connection& connection, const Request& request);
  void answerDataRequest(Connection& connection, const Request& request);
  // Sends request's data when its period has come; false once the request has ended.
  bool serveDataRequest(Connection& connection, DataRequest& request);
  void servePeriod(std::uint32_t period);

  StandinOptions options_;
  platform::Socket wake_;
  std::thread thread_;

  mutable std::mutex mutex_;  // guards everything below
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  std::vector<platform::Socket> listeners_;
  std::vector<std::filesystem::path> pipePaths_;
  std::vector<std::unique_ptr<Connection>> connections_;
  std::uint32_t nextConnection_ = 1;
  std::size_t accepted_ = 0;
  std::vector<Request> requests_;
  std::map<std::uint32_t, Handler> handlers_;
  SimObject user_;
  std::map<std::uint32_t, SimObject> aiObjects_;
  std::uint32_t nextAiObject_;
  SendFaults faults_;
  std::chrono::steady_clock::time_point nextFrame_;
  std::chrono::steady_clock::time_point nextSecond_;
};

}  // namespace vexo::simstandin
