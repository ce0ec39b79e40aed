// The balance law of plain channels, built on OpenAL Soft's own panning.
#pragma once

#include <cstdint>

namespace engine {

// Where a mono source sits relative to the listener, and the gain that
// makes up for OpenAL Soft's panning, for one pan value.
struct PanPlacement {
    float x;    // OpenAL's right-handed space: x right
    float z;    // negative z in front
    float gain; // multiplies the channel's gain
};

// Pan -100 (left) to 100 (right). At 0 both sides play at the level a
// hard-panned sound has on its own side; towards one side the other side
// falls linearly, to silence at +-100.
PanPlacement panPlacement(std::int32_t pan);

// The two sides' gains of the balance law, for a stereo sound whose
// channels play hard left and hard right.
float balanceLeft(std::int32_t pan);
float balanceRight(std::int32_t pan);

} // namespace engine
