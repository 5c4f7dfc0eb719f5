// The battle's random generator: one process-wide linear congruential state,
// state := state * 214013 + 2531011 (mod 2^32), result (state >> 16) & 32767.
// Every random draw of the battle, the camera and the effects comes from here,
// in the order each operation documents; replaying a battle needs the same
// state and the same order of draws.
#ifndef HALVORN_SIM_RANDOM_H
#define HALVORN_SIM_RANDOM_H

#include <cstdint>

// Largest value randomNext() returns.
constexpr int RandomMax = 32767;

// Sets the generator state (the host seeds it with the millisecond tick count).
void randomSeed(std::uint32_t seed);

// The current 32-bit generator state.
std::uint32_t randomState();

// Advances the state and returns the next value, 0 to 32767.
int randomNext();

// Next value divided by 32767 in single precision: 0 to 1 inclusive.
float randomFraction();

#endif
