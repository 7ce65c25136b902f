// The names and places of the park airport's stands as the "SimClient" thread may see
// them. The stand table belongs to the tick thread, which changes it at will; after every
// change it publishes a copy of what a name lookup needs here, and the lookups of every
// thread read only that copy. The nearest-name cache lives with the copy, so a new table
// can never answer with a name of the old one.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vexo {

struct ParkingPosition;

class StandNameDirectory {
public:
  // Tick thread: takes the table's ids and positions and forgets the cached answer.
  void publish(const std::vector<ParkingPosition>& stands);
  // Any thread: the id of the stand nearest to the position within 55 m (strictly nearer
  // wins, first in table order among equals); empty when none.
  std::string nearest(double lat, double lon) const;

private:
  struct Entry {
    std::string id;
    double lat = 0.0;
    double lon = 0.0;
  };
  struct Answer {
    double lat = 0.0;
    double lon = 0.0;
    std::string name;
  };
  mutable std::mutex mutex_;  // guards both members
  std::vector<Entry> stands_;
  mutable std::optional<Answer> cache_;
};

}  // namespace vexo
