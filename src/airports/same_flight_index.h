// The duplicate rule of learned flights merged into a stand, without a scan of the stand's
// flights for each flight read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "airports/parking_position.h"
#include "foundation/text_hash.h"

namespace vexo {

// What the duplicate rule compares, except the hours.
struct FlightKey {
  std::uint32_t day = 0;
  std::uint32_t real = 0;
  AcCodes codes;
  PooledText registration;

  static FlightKey of(const LearnedFlight& f) { return FlightKey{f.day, f.real, f.codes, f.registration}; }
  bool operator==(const FlightKey& other) const {
    return day == other.day && real == other.real && codes.airlineId == other.codes.airlineId &&
           codes.operatorId == other.codes.operatorId && codes.modelId == other.codes.modelId &&
           registration == other.registration;
  }
  std::uint64_t hash() const {
    const std::uint64_t key = (static_cast<std::uint64_t>(day) << 56) ^ (static_cast<std::uint64_t>(real) << 48) ^
                              (static_cast<std::uint64_t>(codes.airlineId) << 32) ^
                              (static_cast<std::uint64_t>(codes.operatorId) << 16) ^ codes.modelId;
    return lf_mixHash(key ^ (static_cast<std::uint64_t>(registration.id()) * 0x9E3779B97F4A7C15ULL));
  }
};

// The duplicate rule without a scan: the flights of one stand by everything the rule compares
// except the hours (day, kind, codes, registration), each key with the union of the half
// hours of its flights. A new flight is already present exactly when its hours meet the
// union of its key, since they then meet the hours of one of those flights.
class SameFlightIndex {
public:
  struct Slot {
    FlightKey key;
    HalfHourBits hours;
    std::uint32_t stand = 0;  // the stand whose key it holds; any other: a free slot
  };

  // Indexes the stand's flights; more are added as they are read. The slots of the
  // previous stand are kept and count as free, so that a stand costs no clearing.
  void reset(const std::vector<LearnedFlight>& flights) {
    ++stand_;
    size_ = 0;
    std::size_t size = std::max<std::size_t>(64, slots_.size());
    while (size < 2 * flights.size() + 32) size *= 2;
    if (size != slots_.size() || stand_ == 0) {
      slots_.assign(size, Slot{});
      stand_ = 1;
    }
    for (const LearnedFlight& flight : flights) {
      const FlightKey key = FlightKey::of(flight);
      add(slotOf(key), key, flight.hh);
    }
  }
  // The key's slot: the union of the hours of the flights already under it, and, when it
  // is new, the slot that add() fills. Valid until the next call.
  Slot& slotOf(const FlightKey& key) {
    if (2 * (size_ + 1) > slots_.size()) grow();
    return probe(key);
  }
  void add(Slot& slot, const FlightKey& key, const HalfHourBits& hours) {
    if (slot.stand != stand_) {
      slot.key = key;
      slot.stand = stand_;
      ++size_;
    }
    slot.hours |= hours;
  }

private:
  Slot& probe(const FlightKey& key) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(key.hash()) & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.stand != stand_) {
        slot.hours.reset();  // what an earlier stand left
        return slot;
      }
      if (slot.key == key) return slot;
    }
  }
  void grow() {
    std::vector<Slot> old(2 * slots_.size());
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.stand == stand_) probe(slot.key) = slot;
    }
  }
  std::vector<Slot> slots_;
  std::size_t size_ = 0;
  std::uint32_t stand_ = 0;
};

}  // namespace vexo
