// The sample table: slots 1 to 1024, reached through one lookup.
#pragma once

#include "samples/sample_slot.h"

#include <cstdint>

inline constexpr std::uint32_t SAMPLE_SLOT_COUNT = 1024;

// The slot a client's number names, or nullptr for a number outside 1..1024.
// The only way into the table.
SampleSlot* sampleSlotAt(std::uint32_t number);

// Releases slot n as free sample does; used by shutdown for every slot.
void sampleSlotRelease(std::uint32_t n);

// Puts every slot back to its start-up state (all zero).
void sampleTableReset();
