#include "samples/flat_commands.h"

#include "link/command_block.h"
#include "samples/flat_playback.h"
#include "samples/sample_table.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t BATCH_COUNT_OFFSET = 8;
constexpr std::size_t BATCH_FIRST_ENTRY = 12;
constexpr std::size_t BATCH_ENTRY_SIZE = 16;
// Entry 63 ends at byte 1019; a 64th would run past the block.
constexpr std::uint32_t BATCH_MAX_ENTRIES = 63;

FlatPoint pointAt(std::size_t pos) {
    return {static_cast<std::int16_t>(signed16At(pos)),
            static_cast<std::int16_t>(signed16At(pos + 2)),
            static_cast<std::int16_t>(signed16At(pos + 4))};
}

// A flat play's fields from the slot number on: at offset 2 of a code-29
// block, at offset 0 of a batch entry.
void playFlatAt(std::size_t slotPos) {
    if (SampleSlot* slot = sampleSlotAt(word16At(slotPos)))
        samplePlayFlat(*slot, value24At(slotPos + 2), word16At(slotPos + 6), pointAt(slotPos + 8),
                       flatListenerPoint());
}

} // namespace

void commandPlayFlatBatch() {
    setFlatListener(word16At(2), word16At(4), word16At(6));
    const std::uint32_t count = std::min(word16At(BATCH_COUNT_OFFSET), BATCH_MAX_ENTRIES);
    for (std::uint32_t k = 0; k < count; ++k)
        playFlatAt(BATCH_FIRST_ENTRY + BATCH_ENTRY_SIZE * k);
}

void commandPlaySampleFlat() {
    playFlatAt(2);
}

void commandSetFlatListener() {
    setFlatListener(word16At(2), word16At(4), word16At(6));
}

void commandSetDistanceScale() {
    distanceScale = std::bit_cast<float>(raw32At(2));
}
