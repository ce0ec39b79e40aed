// 3D playback: the engine's listener, and samples played at 3D positions.
// The server keeps no 3D state; the engine holds it.
#pragma once

#include "samples/sample_slot.h"

#include <cstddef>
#include <cstdint>

// The four listener vectors from the block, position, velocity, front and
// top, 12 bytes each from the given offset. A vector whose x has the bits of
// ABSENT_COORD is left as it is (a NaN x is not absent here).
void set3DListener(std::size_t firstVector);

// A 3D play whose fields lie as in a code-25 block from the given offset.
void samplePlay3DAt(std::size_t base);

void samplePlay3D(SampleSlot& slot, std::uint32_t frequency, std::uint32_t volume,
                  std::uint32_t loopChoice, const BASS_3DVECTOR* position,
                  const BASS_3DVECTOR* orientation, const BASS_3DVECTOR* velocity);
