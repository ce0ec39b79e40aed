// The track table: slots 1 to 512.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t TRACK_SLOT_COUNT = 512;

// Releases slot n as free track does; used by shutdown for every slot.
void trackSlotRelease(std::uint32_t n);

// Releases every memory copy and puts every slot back to its start-up state.
void trackTableReset();
