// Pure conversions of scenery-file values: packed coordinates, the base-38 airport ident,
// altitudes, stand names and the duplicate rule for stand ids.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexo {

// Degrees: 90 - v * 180 / 2^29, and v * 360 / (3 * 2^28) - 180.
inline double gf_bglLatitude(std::uint32_t packed) { return 90.0 - static_cast<double>(packed) * 3.3527612686157227e-07; }
inline double gf_bglLongitude(std::uint32_t packed) { return static_cast<double>(packed) * 4.470348358154297e-07 - 180.0; }

// Whether a position may be used: latitude within -90..90, longitude within -180..180, and
// not both within 0.0001 of 0 (the null island of unset scenery values).
inline bool gf_bglPositionUsable(double latitude, double longitude) {
  if (!(latitude >= -90.0 && latitude <= 90.0) || !(longitude >= -180.0 && longitude <= 180.0)) return false;
  return !(latitude > -0.0001 && latitude < 0.0001 && longitude > -0.0001 && longitude < 0.0001);
}

// The ident of an airport record as text: the low 5 bits dropped, then base-38 digits
// (2..11 "0".."9", 12..37 "A".."Z"), the first digit taken the last character. None when a
// digit is 0 or 1 or there are more than 10 digits; the empty text for an ident of 0.
std::optional<std::string> lf_decodeIcaoText(std::uint32_t ident);

// Altitude in millimetres to whole feet (halves away from zero); 0 below -20 or above 10000.
std::int32_t gf_bglAltitudeFeet(std::int32_t millimetres);

// The id of a parking spot: the prefix of its name code and the decimal number.
std::string gf_bglStandId(std::uint32_t nameCode, std::uint32_t number);
void gf_bglStandId(std::uint32_t nameCode, std::uint32_t number, std::string& id);  // into id
// The id with its repeat letter: repeat 0 gives the plain id, 1..10 append "a".."j".
void gf_bglStandId(std::uint32_t nameCode, std::uint32_t number, std::uint32_t repeat, std::string& id);

// Name codes that give the same prefix share one class: 0, 11 and 38..63 give none.
inline std::uint32_t gf_bglPrefixClass(std::uint32_t nameCode) {
  if (nameCode >= 1 && nameCode <= 10) return nameCode;
  if (nameCode >= 12 && nameCode <= 37) return nameCode - 1;
  return 0;
}

class StandIdSet;
inline int lf_uniqueStandId(StandIdSet& used, std::uint32_t nameCode, std::uint32_t number);

// The stand ids already taken in one airport. An id is its name code's prefix and the
// number, and a repeated id gets "a".."j": such an id ends in a letter, which no plain id
// does, so counting the uses of each (prefix, number) pair is the same as testing the
// texts, without a text per lookup.
class StandIdSet {
public:
  // Room for about expected ids before the table grows; the table is made at the first id taken.
  explicit StandIdSet(std::size_t expected = 16) : expected_(expected) {}

private:
  friend int lf_uniqueStandId(StandIdSet& used, std::uint32_t nameCode, std::uint32_t number);
  // The slot of the key, made when new: (key + 1) << 4 | uses; 0 = free.
  std::uint32_t& slotOf(std::uint32_t key) {
    if (2 * (filled_ + 1) > slots_.size()) grow();
    const std::uint32_t tag = (key + 1) << 4;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = (key * 2654435761U) & mask;; i = (i + 1) & mask) {
      if ((slots_[i] & ~0xFU) == tag) return slots_[i];
      if (slots_[i] == 0) {
        slots_[i] = tag;
        ++filled_;
        return slots_[i];
      }
    }
  }
  void grow();
  std::vector<std::uint32_t> slots_;
  std::size_t expected_;
  std::size_t filled_ = 0;
};

// The duplicate rule for one spot: how often its name code and number were taken before
// in this airport (0 for the plain id, 1..10 for "a".."j", see gf_bglStandId), counted as
// taken now; -1 when all eleven are taken.
inline int lf_uniqueStandId(StandIdSet& used, std::uint32_t nameCode, std::uint32_t number) {
  std::uint32_t& slot = used.slotOf((gf_bglPrefixClass(nameCode) << 12) | (number & 0xFFFU));
  const std::uint32_t uses = slot & 0xFU;
  if (uses == 11) return -1;
  ++slot;
  return static_cast<int>(uses);
}

}  // namespace vexo
