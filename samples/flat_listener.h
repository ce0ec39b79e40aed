// The flat listener and the distance scale of flat positional playback.
#pragma once

#include <cstdint>

// A position on the plane. For the listener the third value is its facing in
// whole degrees; for a sound source it is carried and has no effect.
struct FlatPoint {
    std::int16_t x;
    std::int16_t y;
    std::int16_t third;
};

struct FlatListener {
    std::int16_t x;
    std::int16_t y;
    std::int16_t facing;
};

// (0, 0, facing 0) from start-up until a client moves it.
extern FlatListener flatListener;
// The unit of flat distances: positions are divided by it. Every bit pattern
// is accepted, 0, negative values and NaN included.
extern float distanceScale;

void flatListenerReset();
