#include "samples/sample_commands.h"

#include "link/command_block.h"
#include "samples/sample_table.h"

#include <algorithm>

namespace {

constexpr std::size_t BATCH_COUNT_OFFSET = 2;
constexpr std::size_t BATCH_FIRST_ENTRY = 4;
constexpr std::size_t BATCH_ENTRY_SIZE = 14;
// Entry 72 ends at byte 1011; a 73rd would run past the block.
constexpr std::uint32_t BATCH_MAX_ENTRIES = 72;

// The fields of a plain play, at their offsets from a code-4 block's start;
// a batch entry has the same layout from its own start.
void playAt(std::size_t base) {
    if (SampleSlot* slot = sampleSlotAt(word16At(base + 2)))
        samplePlay(*slot, value24At(base + 4), word16At(base + 8), word16At(base + 10),
                   word16At(base + 12));
}

} // namespace

void commandLoadSample() {
    if (SampleSlot* slot = sampleSlotAt(word16At(2)))
        sampleLoad(*slot, textField(), value24At(68));
}

void commandPlaySample() {
    playAt(0);
}

void commandSetSampleDefaults() {
    if (SampleSlot* slot = sampleSlotAt(word16At(2)))
        sampleSetDefaults(*slot, value24At(4), word16At(8), word16At(10), word16At(12),
                          word16At(14));
}

void commandStopSample() {
    if (SampleSlot* slot = sampleSlotAt(word16At(2)))
        sampleStop(*slot);
}

void commandFreeSample() {
    if (SampleSlot* slot = sampleSlotAt(word16At(2)))
        sampleFree(*slot);
}

void commandPlaySampleBatch() {
    const std::uint32_t count = std::min(word16At(BATCH_COUNT_OFFSET), BATCH_MAX_ENTRIES);
    for (std::uint32_t k = 0; k < count; ++k)
        playAt(BATCH_FIRST_ENTRY + BATCH_ENTRY_SIZE * k);
}
