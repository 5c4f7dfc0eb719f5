// The battle's random generator; see random.h.
#include "sim/random.h"

namespace {
// State 1 is the generator's state before anything seeds it.
std::uint32_t generatorState = 1u;
}  // namespace

void randomSeed(std::uint32_t seed) { generatorState = seed; }

std::uint32_t randomState() { return generatorState; }

int randomNext() {
    // Unsigned arithmetic wraps modulo 2^32 by definition.
    generatorState = generatorState * 214013u + 2531011u;
    return static_cast<int>((generatorState >> 16) & 32767u);
}

float randomFraction() { return static_cast<float>(randomNext()) / 32767.0f; }
