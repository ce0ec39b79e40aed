#include "tracks/track_commands.h"

#include "link/command_block.h"
#include "link/reply_block.h"
#include "tracks/track_table.h"

namespace {

constexpr std::size_t SLOT_OFFSET = 2;
constexpr std::size_t LOAD_FLAGS_OFFSET = 68;
constexpr std::size_t LOAD_KIND_OFFSET = 72;
constexpr std::size_t PAN_SEPARATION_OFFSET = 4;
constexpr std::size_t VOLUME_OFFSET = 6;
constexpr std::size_t POSITION_OFFSET = 4;
constexpr std::size_t REPLY_OFFSET = 64;

TrackSlot* commandSlot() {
    return trackSlotAt(word16At(SLOT_OFFSET));
}

void reply(std::uint32_t value) {
    putReply32(REPLY_OFFSET, value);
    writeReply();
}

} // namespace

void commandLoadTrack() {
    if (TrackSlot* slot = commandSlot())
        trackLoad(*slot, textField(), value24At(LOAD_FLAGS_OFFSET), word16At(LOAD_KIND_OFFSET));
}

void commandPlayTrack() {
    if (const TrackSlot* slot = commandSlot())
        trackPlay(*slot);
}

void commandSetTrackAttributes() {
    if (const TrackSlot* slot = commandSlot())
        trackSetAttributes(*slot, word16At(PAN_SEPARATION_OFFSET), word16At(VOLUME_OFFSET));
}

void commandPauseTrack() {
    if (const TrackSlot* slot = commandSlot())
        trackPause(*slot);
}

void commandResumeTrack() {
    if (const TrackSlot* slot = commandSlot())
        trackResume(*slot);
}

void commandStopTrack() {
    if (const TrackSlot* slot = commandSlot())
        trackStop(*slot);
}

void commandFreeTrack() {
    if (TrackSlot* slot = commandSlot())
        trackFree(*slot);
}

// A number outside the table does nothing but the acknowledgement, queries
// included: the reply file is left as it is.
void commandGetTrackLength() {
    if (const TrackSlot* slot = commandSlot())
        reply(slot->length);
}

void commandSetTrackPosition() {
    if (const TrackSlot* slot = commandSlot())
        trackSetPosition(*slot, value24At(POSITION_OFFSET));
}

void commandGetTrackPosition() {
    if (const TrackSlot* slot = commandSlot())
        reply(trackGetPosition(*slot));
}
