// The random source of livery matching and the engine: one Mersenne Twister per thread.
#pragma once

#include <cstdint>
#include <vector>

namespace vexo {

// Mirrors the RANDOM setting (on by default): the settings code calls this when it loads
// the setting and whenever it changes. Any thread may call it.
void gf_setRandomEnabled(bool enabled);
bool gf_randomEnabled();

// An index in [0, n); 0 without drawing when RANDOM is off or n is below 2.
std::uint64_t gf_randomIndex(std::uint64_t n);

// Shuffles the numbers; leaves them as they are when RANDOM is off.
void gf_shuffle(std::vector<std::uint16_t>& numbers);

// value spread up or down (by one draw, whatever RANDOM says) by percent of itself;
// value itself when percent is not above 0.
double gf_randomSpread(double value, double percent);

// Re-seeds the calling thread's engine, so a test can draw a known sequence.
void gf_seedThreadRandom(std::uint32_t seed);

}  // namespace vexo
