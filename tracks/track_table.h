// The track table: slots 1 to 512, reached through one lookup.
#pragma once

#include "tracks/track_slot.h"

#include <cstdint>

inline constexpr std::uint32_t TRACK_SLOT_COUNT = 512;

// The slot a client's number names, or nullptr for a number outside 1..512
// (513, the CD's number, included). The only way into the table.
TrackSlot* trackSlotAt(std::uint32_t number);

// Releases slot n as free track does; used by shutdown for every slot.
void trackSlotRelease(std::uint32_t n);

// Releases every memory copy and puts every slot back to its start-up state.
void trackTableReset();
