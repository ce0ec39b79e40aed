#include "samples/three_d_commands.h"

#include "link/command_block.h"
#include "samples/three_d_playback.h"

#include <algorithm>

namespace {

constexpr std::size_t LISTENER_OFFSET = 2;
constexpr std::size_t BATCH_COUNT_OFFSET = 50;
constexpr std::size_t BATCH_FIRST_ENTRY = 52;
constexpr std::size_t BATCH_ENTRY_SIZE = 48;
// Entry 20 ends at byte 1011; a 21st would run past the block.
constexpr std::uint32_t BATCH_MAX_ENTRIES = 20;

} // namespace

void commandPlay3DBatch() {
    set3DListener(LISTENER_OFFSET);
    const std::uint32_t count = std::min(word16At(BATCH_COUNT_OFFSET), BATCH_MAX_ENTRIES);
    for (std::uint32_t k = 0; k < count; ++k)
        samplePlay3DAt(BATCH_FIRST_ENTRY + BATCH_ENTRY_SIZE * k);
}

void commandSet3DListener() {
    set3DListener(LISTENER_OFFSET);
}

void commandPlaySample3D() {
    samplePlay3DAt(0);
}

void commandSet3DFactors() {
    BASS_Set3DFactors(float32At(2), float32At(6), float32At(10));
    BASS_Apply3D();
}
