#include "samples/sample_table.h"

#include <array>

namespace {

std::array<SampleSlot, SAMPLE_SLOT_COUNT> sampleTable{};

} // namespace

SampleSlot* sampleSlotAt(std::uint32_t number) {
    if (number < 1 || number > SAMPLE_SLOT_COUNT)
        return nullptr;
    return &sampleTable[number - 1];
}

void sampleSlotRelease(std::uint32_t n) {
    if (SampleSlot* slot = sampleSlotAt(n))
        sampleFree(*slot);
}

void sampleTableReset() {
    sampleTable.fill(SampleSlot{});
}
