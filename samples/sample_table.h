// The sample table: slots 1 to 1024.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t SAMPLE_SLOT_COUNT = 1024;

// Releases slot n as free sample does; used by shutdown for every slot.
void sampleSlotRelease(std::uint32_t n);

// Puts every slot back to its start-up state (all zero).
void sampleTableReset();
