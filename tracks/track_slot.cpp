#include "tracks/track_slot.h"

#include "link/sentinels.h"
#include "tracks/memory_copy.h"

namespace {

constexpr std::uint32_t FLAG_LOOP = 0x4;
constexpr std::uint32_t FLAG_MEMORY_COPY = 0x1000;
// Reduces the flags to FLAG_KEPT_BY_FILE_RULE, which makes a file stream.
constexpr std::uint32_t FLAG_FILE_RULE = 0x2000;
constexpr std::uint32_t FLAG_KEPT_BY_FILE_RULE = 0x10000;
constexpr std::uint32_t FLAG_EXACT_SEEK = 0x20000;
constexpr std::uint32_t PLAY_LOOP = 4;
constexpr std::int32_t LEAVE = -1;

// The handle of the slot's kind; false for a slot that holds nothing. A load
// the engine refused left handle 0, which is the CD channel's: such a slot
// holds nothing either, so a command on it never reaches the CD.
bool heldHandle(const TrackSlot& slot, EngineHandle& handle) {
    switch (slot.kind) {
    case TRACK_STREAM:
        handle = slot.streamHandle;
        return handle != 0;
    case TRACK_MUSIC:
        handle = slot.musicHandle;
        return handle != 0;
    default:
        return false;
    }
}

// The previous stream plays on from its copy: the copy leaves the slot but
// stays alive.
void letGoOfCopy(TrackSlot& slot) {
    memoryCopyKeepOrphan(std::move(slot.memoryCopy));
}

void loadStream(TrackSlot& slot, const std::string& name, std::uint32_t flags) {
    slot.loop = (flags & FLAG_LOOP) != 0;
    if ((flags & FLAG_FILE_RULE) != 0)
        flags &= FLAG_KEPT_BY_FILE_RULE;
    letGoOfCopy(slot);
    if ((flags & FLAG_MEMORY_COPY) != 0) {
        // A file that cannot be read whole makes no copy and no stream.
        MemoryCopy copy = memoryCopyRead(name);
        slot.streamHandle = 0;
        if (copy.bytes) {
            slot.streamHandle =
                BASS_StreamCreateFile(true, copy.bytes.get(), 0, copy.size,
                                      (flags & ~FLAG_MEMORY_COPY) | FLAG_EXACT_SEEK);
            // The engine never frees the block; without a stream nothing reads it.
            if (slot.streamHandle != 0)
                slot.memoryCopy = std::move(copy);
        }
    } else {
        slot.streamHandle =
            BASS_StreamCreateFile(false, name.c_str(), 0, 0, flags | FLAG_EXACT_SEEK);
    }
    slot.length = BASS_StreamGetLength(slot.streamHandle);
}

} // namespace

void trackLoad(TrackSlot& slot, const std::string& name, std::uint32_t flags, std::uint32_t kind) {
    slot.kind = kind;
    switch (kind) {
    case TRACK_STREAM:
        loadStream(slot, name, flags);
        return;
    case TRACK_MUSIC:
        letGoOfCopy(slot);
        slot.musicHandle = BASS_MusicLoad(false, name.c_str(), 0, 0, flags);
        slot.length = BASS_MusicGetLength(slot.musicHandle, false);
        return;
    default:
        letGoOfCopy(slot);
        return;
    }
}

void trackPlay(const TrackSlot& slot) {
    EngineHandle handle = 0;
    if (!heldHandle(slot, handle))
        return;
    switch (slot.kind) {
    case TRACK_STREAM:
        BASS_StreamPlay(slot.streamHandle, false, slot.loop ? PLAY_LOOP : 0);
        return;
    case TRACK_MUSIC:
        BASS_MusicPlayEx(slot.musicHandle, 0, LEAVE, true);
        return;
    default:
        return;
    }
}

void trackSetAttributes(const TrackSlot& slot, std::uint32_t panSeparation, std::uint32_t volume) {
    EngineHandle handle = 0;
    if (!heldHandle(slot, handle))
        return;
    switch (slot.kind) {
    case TRACK_STREAM:
        // A stream takes the volume word as it is, NO_VALUE16 included.
        BASS_ChannelSetAttributes(slot.streamHandle, LEAVE, static_cast<std::int32_t>(volume),
                                  LEAVE);
        return;
    case TRACK_MUSIC:
        if (volume != NO_VALUE16)
            BASS_ChannelSetAttributes(slot.musicHandle, LEAVE, static_cast<std::int32_t>(volume),
                                      LEAVE);
        if (panSeparation != NO_VALUE16)
            BASS_MusicSetPanSep(slot.musicHandle, panSeparation);
        return;
    default:
        return;
    }
}

void trackPause(const TrackSlot& slot) {
    EngineHandle handle = 0;
    if (heldHandle(slot, handle))
        BASS_ChannelPause(handle);
}

void trackResume(const TrackSlot& slot) {
    EngineHandle handle = 0;
    if (heldHandle(slot, handle))
        BASS_ChannelResume(handle);
}

void trackStop(const TrackSlot& slot) {
    EngineHandle handle = 0;
    if (!heldHandle(slot, handle))
        return;
    BASS_ChannelStop(handle);
    BASS_ChannelSetPosition(handle, 0);
}

void trackFree(TrackSlot& slot) {
    EngineHandle handle = 0;
    if (heldHandle(slot, handle)) {
        trackStop(slot);
        if (slot.kind == TRACK_STREAM)
            BASS_StreamFree(handle);
        else
            BASS_MusicFree(handle);
    }
    // Only now: the stream read from the copy until it was freed.
    slot.memoryCopy = MemoryCopy{};
    slot.kind = TRACK_EMPTY;
}

void trackSetPosition(const TrackSlot& slot, std::uint32_t position) {
    EngineHandle handle = 0;
    if (heldHandle(slot, handle))
        BASS_ChannelSetPosition(handle, position);
}

std::uint32_t trackGetPosition(const TrackSlot& slot) {
    EngineHandle handle = 0;
    return heldHandle(slot, handle) ? BASS_ChannelGetPosition(handle) : 0;
}
