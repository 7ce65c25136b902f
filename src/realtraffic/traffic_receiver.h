// The Traffic Reader's receiver: one traffic record per datagram, parsed in place and
// handed to the engine (engine/live_report.h).
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/live_report.h"
#include "foundation/geodesy.h"
#include "realtraffic/traffic_record.h"
#include "realtraffic/udp_receiver.h"

namespace vexo {

class TrafficReceiver : public UdpReceiver {
public:
  TrafficReceiver();

  // Reader thread: receiveRecord.
  void onReceive() override;
  // The current datagram as a record: " VEH" ignores it, else it is split and read by
  // processLineSub against the current context.
  RecordOutcome receiveRecord();
  // Sets the Traffic Reader's light to stopped and logs "Traffic Reader has stopped".
  void onStop() override;

  // The record in `fields` against a context (settings, reference position, park
  // airport); returns what became of it. Never throws: a bad field is logged and loses
  // the record.
  RecordOutcome processLineSub(const RecordContext& context);
  // onReceive's steps for a datagram that need not be in the buffer (tests, benchmark).
  RecordOutcome processDatagram(std::string_view datagram, const RecordContext& context);

  // The filters' view of the world as of now. Any thread.
  RecordContext currentContext() const;

  // Written by the start-up and the tick (the user aircraft), and by the airports
  // subsystem (the park airport and its elevation); read by the reader. Any thread.
  void setRefPosition(LatLon position);
  void setParkAirportElevation(std::optional<double> elevation);
  std::optional<double> parkAirportElevation() const;
  void setParkAirport(std::optional<ParkAirportRef> parkAirport);

  // The callsigns of the traffic in range: emptied, then collected while the flag is
  // set. Any thread.
  void startCollectingCallsigns();
  void stopCollectingCallsigns();
  std::unordered_set<std::string> callsigns() const;
  void clearCallsigns();
  // Ends the collection and hands its callsigns over, in one step under the set's lock.
  std::unordered_set<std::string> takeCallsigns();
  // Adds one callsign of a record taken in range while the collection runs (the reader's
  // thread, or a test); true when it was collected.
  bool collectCallsign(std::string_view callsign);
  std::atomic<bool> collectCallsigns{false};

  // UTC seconds of the latest record; 0 until the first one after a reset. The traffic
  // clock and the start-up read it.
  std::atomic<double> recordTime{0.0};

  // Views into the current datagram; reader thread only.
  std::vector<std::string_view> fields;

private:
  RecordOutcome processCurrentDatagram(const RecordContext& context);
  RecordOutcome parseAndHandOver(const RecordContext& context);
  bool lf_readRegistration(AcIdent& ident) const;
  bool lf_readAltitude(const RecordContext& context, StreamPos& pos) const;
  bool lf_readCallsign(AcIdent& ident) const;
  IataCode lf_readAirportCode(std::string_view field);

  std::set<std::string, std::less<>> loggedRouteCodes_;  // reader thread only

  mutable std::mutex callsignsMutex_;  // guards callsigns_
  std::unordered_set<std::string> callsigns_;

  mutable std::mutex placeMutex_;  // guards refPosition_, parkAirportElevation_, parkAirport_
  LatLon refPosition_;
  std::optional<double> parkAirportElevation_;
  std::optional<ParkAirportRef> parkAirport_;
};

extern TrafficReceiver g_trafficReceiver;

}  // namespace vexo
