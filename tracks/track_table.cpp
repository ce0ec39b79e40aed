#include "tracks/track_table.h"

#include "tracks/memory_copy.h"

#include <array>

namespace {

std::array<TrackSlot, TRACK_SLOT_COUNT> trackTable;

} // namespace

TrackSlot* trackSlotAt(std::uint32_t number) {
    if (number < 1 || number > TRACK_SLOT_COUNT)
        return nullptr;
    return &trackTable[number - 1];
}

void trackSlotRelease(std::uint32_t n) {
    if (TrackSlot* slot = trackSlotAt(n))
        trackFree(*slot);
}

void trackTableReset() {
    for (TrackSlot& slot : trackTable)
        slot = TrackSlot{};
    memoryCopyReleaseOrphans();
}
